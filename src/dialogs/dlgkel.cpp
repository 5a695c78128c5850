#include "dlgkel.h"

#include "dialogs/boxes.h"
#include "dialogs/widgets.h"
#include "document/keltablefile.h"
#include "platform/convert.h"
#include "platform/text8.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

using DialogLayout::px;
using DialogLayout::twips;

constexpr DialogLayout::ByteGrid Grid{120, 3480, 600, 480};

QLabel *headerLabel(QWidget *parent, const char *name, int top)
{
    auto *label = Widgets::place(new QLabel(parent), name, twips(120, top, 6375, 375));
    label->setFont(Widgets::lineFont());
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

dlgKEL::dlgKEL(QWidget *parent)
    : LineDialog(parent, "dlgKEL", QStringLiteral("Edit KEL Translation"), QSize(px(6615), px(5550)))
{
    lblShowHEX = headerLabel(this, "lblShowHEX", 120);
    lblShowKEL = headerLabel(this, "lblShowKEL", 5040);
    buildByteLabels(Grid, 375);
    for (int i = 0; i < RomLine::Length; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Text1_%1").arg(i));
        box->setGeometry(Grid.cell(i, DialogLayout::ByteGrid::BoxShift, 2535, 375));
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setFont(Widgets::unshaped(box->font()));
        box->installEventFilter(this);
        Text1[i] = box;
    }
    buildButtons(twips(3360, 4440, 1455, 495), twips(5040, 4440, 1455, 495));

    QWidget *previous = cmdCancel;
    for (QLineEdit *box : Text1) {
        setTabOrder(previous, box);
        previous = box;
    }
    setTabOrder(previous, cmdSave);
}

void dlgKEL::load()
{
    lblShowHEX->setText(QString::fromLatin1(RomLine::LineHex(m_line.bytes)));
    lblShowKEL->setText(Text8::toDisplay(m_line.text, Text8::DisplayLimit));
    for (int i = 0; i < RomLine::Length; ++i)
        Text1[i]->setText(Text8::toWidget(m_table.entry(byteValue(i))));
    cmdCancel->setFocus();
    m_open = true;
}

void dlgKEL::done(int result)
{
    // The boxes lose the focus as the window closes; that is no edit to take in.
    m_open = false;
    QDialog::done(result);
}

bool dlgKEL::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && m_open) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // A message box or menu taking the window's focus for a moment moves no focus in it.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            synchronise();
    }
    return QDialog::eventFilter(watched, event);
}

void dlgKEL::synchronise()
{
    // A text with a character the table cannot hold is left in its box for Save to report,
    // rather than being replaced and lost.
    for (int i = 0; i < RomLine::Length; ++i) {
        const std::optional<QByteArray> text = Text8::fromWidget(Text1[i]->text());
        if (text && *text != m_table.entry(byteValue(i))) {
            m_table.setEntry(byteValue(i), *text);
            break;
        }
    }
    for (int i = 0; i < RomLine::Length; ++i) {
        if (!Text8::fromWidget(Text1[i]->text()))
            continue;
        const QString shown = Text8::toWidget(m_table.entry(byteValue(i)));
        if (Text1[i]->text() != shown)
            Text1[i]->setText(shown);
    }
}

void dlgKEL::save()
{
    // The new table is built aside and becomes the dialog's own only once the file holds it, so
    // a refused or failed save leaves both the file and the boxes as they were.
    KelTable table = m_table;
    for (int i = 0; i < RomLine::Length; ++i) {
        const QString typed = Text1[i]->text();
        const std::optional<QByteArray> text = Text8::fromWidget(typed);
        if (!text) {
            const QChar character = typed.at(Text8::firstNon8Bit(typed));
            Boxes::messageBox(this,
                              QStringLiteral("The translation of byte %1 holds \"%2\" (U+%3), a "
                                             "character that has no 8-bit code; the table file "
                                             "cannot store it.")
                                  .arg(QString::fromLatin1(Convert::hexPair(byteValue(i))),
                                       QString(character),
                                       QString::number(character.unicode(), 16)
                                           .toUpper()
                                           .rightJustified(4, QLatin1Char('0'))),
                              Boxes::Style::Critical);
            Text1[i]->setFocus();
            return;
        }
        table.setEntry(byteValue(i), *text);
    }

    const QString problem = tableSaveProblem(table);
    if (!problem.isEmpty()) {
        Boxes::messageBox(this, problem, Boxes::Style::Critical);
        return;
    }
    closeAfter([&] {
        if (!m_write(table))
            return false;
        m_table = table;
        return true;
    });
}
