#include "dlghex.h"

#include "dialogs/dialoglayout.h"
#include "document/keltablefile.h"
#include "platform/binaryfile.h"
#include "platform/convert.h"
#include "platform/dialogs.h"
#include "platform/fileerror.h"
#include "platform/text8.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>

namespace {

using DialogLayout::px;
using DialogLayout::RowsPerColumn;
using DialogLayout::twips;

constexpr int ClientWidth = px(5895);
constexpr int ClientHeight = px(3735);

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
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgHEX"));
    setWindowTitle(QStringLiteral("Edit HEX"));
    setModal(true);
    buildControls();
    setFixedSize(ClientWidth, ClientHeight);
}

void dlgHEX::buildControls()
{
    m_entries = new QStringListModel(this);
    const QFont boxFont = courierBold(9.75);

    for (int i = 0; i < RomLine::Length; ++i) {
        const int column = i / RowsPerColumn;
        const int top = 120 + 360 * (i % RowsPerColumn);

        Label1[i] = DialogLayout::byteLabel(this, i, twips(column == 0 ? 120 : 3000, top, 375, 255));

        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        box->setGeometry(twips(column == 0 ? 600 : 3480, top, 2295, 360));
        box->setFont(boxFont);
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

    cmdSave = DialogLayout::button(this, "cmdSave", "Save", twips(2640, 3120, 1455, 495));
    cmdCancel = DialogLayout::button(this, "cmdCancel", "Cancel", twips(4320, 3120, 1455, 495));
    cmdCancel->setDefault(true);

    setTabOrder(cmdSave, cmdCancel);
    QWidget *previous = cmdCancel;
    for (QComboBox *box : Combo1) {
        setTabOrder(previous, box);
        previous = box;
    }

    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSaveClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void dlgHEX::run(const SelectedLine &line)
{
    LoadTable(m_table, line.tablePath);
    load(line);
    exec();
}

void dlgHEX::load(const SelectedLine &line)
{
    m_line = line;
    m_entries->setStringList(entryTexts(m_table));
    for (int i = 0; i < RomLine::Length; ++i) {
        Label1[i]->setText(QString::fromLatin1(RomLine::hexPairAt(line.hexForm, i))
                           + QLatin1Char(':'));
        const int value = DialogLayout::byteLabelValue(Label1[i]);
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

void dlgHEX::cmdSaveClick()
{
    const double S = Convert::Val(m_line.offsetCaption);
    const double EditLine = S / 16;
    const qint64 firstPosition = RomLine::firstPosition(EditLine);

    QByteArray bytes(RomLine::Length, '\0');
    for (int i = 0; i < RomLine::Length; ++i) {
        const int value = chosenValue(i);
        if (value < 0) {
            Boxes::messageBox(this,
                              QStringLiteral("Byte %1 of the line, at offset %2: \"%3\" names no "
                                             "value. Choose an entry from its list, or type the "
                                             "value's two hex digits.")
                                  .arg(i)
                                  .arg(firstPosition - 1 + i)
                                  .arg(Combo1[i]->currentText()),
                              Boxes::Critical);
            Combo1[i]->setFocus();
            return;
        }
        bytes[i] = static_cast<char>(value);
    }

    try {
        // Opening for update would create a ROM that has gone missing; a patch belongs in the
        // file the user opened, not in a new one.
        if (!QFileInfo::exists(m_line.romPath)) {
            BinaryFile::fail(QStringLiteral("write"),
                             m_line.romPath,
                             QStringLiteral("The file no longer exists."));
        }
        BinaryFile rom(m_line.romPath, BinaryFile::Mode::Update);
        RomLine::WriteLine(rom, EditLine, bytes);
        rom.close();
    } catch (const FileError &error) {
        Boxes::showFileError(this, error);
        return;
    }
    accept();
}
