#include "dlghex.h"

#include "dialogs/boxes.h"
#include "dialogs/widgets.h"
#include "platform/convert.h"
#include "platform/text8.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>

namespace {

using DialogLayout::px;
using DialogLayout::twips;

constexpr DialogLayout::ByteGrid Grid{120, 3000, 120, 360};

QStringList entryTexts(const KelTable &table)
{
    QStringList entries;
    entries.reserve(KelTable::Size);
    for (int j = 0; j < KelTable::Size; ++j) {
        entries.append(
            Text8::toDisplay(Convert::hexPair(j) + QByteArrayLiteral(": ") + table.entry(j),
                             Text8::DisplayLimit));
    }
    return entries;
}

// A typed text names a value by its whole entry, by its two hex digits alone, or by the two
// digits followed by the rest of the entry or just its colon; digits of either case, blanks
// around the text ignored.
int valueNamedBy(const QString &typed, const QStringList &entries)
{
    const qsizetype exact = entries.indexOf(typed);
    if (exact >= 0)
        return static_cast<int>(exact);
    const QString text = typed.trimmed();
    if (text.size() < 2)
        return -1;
    const int value = Convert::hexPairValue(text.left(2).toLatin1());
    if (value < 0)
        return -1;
    const QString rest = text.mid(2);
    if (rest.isEmpty() || rest == QLatin1String(":") || rest == entries.at(value).mid(2).trimmed()) {
        return value;
    }
    return -1;
}

} // namespace

dlgHEX::dlgHEX(QWidget *parent)
    : LineDialog(parent, "dlgHEX", QStringLiteral("Edit HEX"), QSize(px(5895), px(3735)))
{
    buildByteLabels(Grid, 255);
    buildBoxes();
    buildButtons(twips(2640, 3120, 1455, 495), twips(4320, 3120, 1455, 495));

    setTabOrder(cmdSave, cmdCancel);
    QWidget *previous = cmdCancel;
    for (QComboBox *box : Combo1) {
        setTabOrder(previous, box);
        previous = box;
    }
}

void dlgHEX::buildBoxes()
{
    m_entries = new QStringListModel(this);
    for (int i = 0; i < RomLine::Length; ++i) {
        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        box->setGeometry(Grid.cell(i, DialogLayout::ByteGrid::BoxShift, 2295, 360));
        box->setFont(Widgets::captionFont());
        box->setEditable(true);
        // Typing must never add to the list all sixteen boxes share.
        box->setInsertPolicy(QComboBox::NoInsert);
        // Measuring 256 entries for a size hint the fixed geometry ignores would slow every
        // opening.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setModel(m_entries);
        if (auto *view = qobject_cast<QListView *>(box->view()))
            view->setUniformItemSizes(true);
        connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this, i] {
            selectTypedValue(i);
        });
        Combo1[i] = box;
    }
}

void dlgHEX::load()
{
    m_entries->setStringList(entryTexts(m_table));
    for (int i = 0; i < RomLine::Length; ++i) {
        const int value = byteValue(i);
        Combo1[i]->setCurrentIndex(value);
        // A text typed at an earlier opening may still stand in the field.
        Combo1[i]->setEditText(Combo1[i]->itemText(value));
    }
    cmdSave->setFocus();
}

int dlgHEX::chosenValue(int box) const
{
    const QComboBox *combo = Combo1[box];
    if (combo->currentIndex() >= 0 && combo->currentText() == combo->itemText(combo->currentIndex()))
        return combo->currentIndex();
    return valueNamedBy(combo->currentText(), m_entries->stringList());
}

void dlgHEX::selectTypedValue(int box)
{
    const int value = chosenValue(box);
    if (value < 0)
        return;
    QComboBox *combo = Combo1[box];
    if (combo->currentIndex() != value)
        combo->setCurrentIndex(value);
    if (combo->currentText() != combo->itemText(value))
        combo->setEditText(combo->itemText(value));
}

void dlgHEX::save()
{
    QByteArray bytes(RomLine::Length, '\0');
    for (int i = 0; i < RomLine::Length; ++i) {
        const int value = chosenValue(i);
        if (value < 0) {
            const qint64 offset = RomLine::firstPosition(m_line.offset / RomLine::Length) - 1 + i;
            Boxes::messageBox(this,
                              QStringLiteral("Byte %1 of the line, at offset %2: \"%3\" names no "
                                             "value. Choose an entry from its list, or type the "
                                             "value's two hex digits.")
                                  .arg(i)
                                  .arg(offset)
                                  .arg(Combo1[i]->currentText()),
                              Boxes::Style::Critical);
            Combo1[i]->setFocus();
            return;
        }
        bytes[i] = static_cast<char>(value);
    }
    closeAfter([&] { return m_write(bytes); });
}
