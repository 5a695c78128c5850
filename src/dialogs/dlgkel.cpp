#include "dlgkel.h"

#include "dialogs/dialoglayout.h"
#include "document/keltablefile.h"
#include "platform/convert.h"
#include "platform/dialogs.h"
#include "platform/fileerror.h"
#include "platform/text8.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

using DialogLayout::px;
using DialogLayout::RowsPerColumn;
using DialogLayout::twips;

constexpr int ClientWidth = px(6615);
constexpr int ClientHeight = px(5550);

QLabel *headerLabel(QWidget *parent, const char *name, const QString &text, int top)
{
    auto *label = place(new QLabel(text, parent), name, twips(120, top, 6375, 375));
    label->setFont(courierBold(12));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

dlgKEL::dlgKEL(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKEL"));
    setWindowTitle(QStringLiteral("Edit KEL Translation"));
    setModal(true);
    buildControls();
    setFixedSize(ClientWidth, ClientHeight);
}

void dlgKEL::buildControls()
{
    lblShowHEX = headerLabel(this, "lblShowHEX", QStringLiteral("show hex"), 120);
    lblShowKEL = headerLabel(this, "lblShowKEL", QStringLiteral("show kel"), 5040);

    for (int i = 0; i < RomLine::Length; ++i) {
        const int column = i / RowsPerColumn;
        const int top = 600 + 480 * (i % RowsPerColumn);

        Label1[i] = DialogLayout::byteLabel(this, i, twips(column == 0 ? 120 : 3480, top, 375, 375));

        auto *box = new QLineEdit(QStringLiteral("Text1"), this);
        box->setObjectName(QStringLiteral("Text1_%1").arg(i));
        box->setGeometry(twips(column == 0 ? 600 : 3960, top, 2535, 375));
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setFont(unshaped(box->font()));
        box->installEventFilter(this);
        Text1[i] = box;
    }

    cmdSave = DialogLayout::button(this, "cmdSave", "Save", twips(3360, 4440, 1455, 495));
    cmdCancel = DialogLayout::button(this, "cmdCancel", "Cancel", twips(5040, 4440, 1455, 495));
    cmdCancel->setDefault(true);

    QWidget *previous = cmdCancel;
    for (QLineEdit *box : Text1) {
        setTabOrder(previous, box);
        previous = box;
    }
    setTabOrder(previous, cmdSave);

    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSaveClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void dlgKEL::run(const SelectedLine &line)
{
    LoadTable(m_table, line.tablePath);
    load(line);
    m_open = true;
    exec();
}

void dlgKEL::load(const SelectedLine &line)
{
    m_tablePath = line.tablePath;
    lblShowHEX->setText(QString::fromLatin1(line.hexForm));
    lblShowKEL->setText(Text8::toDisplay(line.textForm, Text8::DisplayLimit));
    for (int i = 0; i < RomLine::Length; ++i) {
        Label1[i]->setText(QString::fromLatin1(RomLine::hexPairAt(line.hexForm, i))
                           + QLatin1Char(':'));
        Text1[i]->setText(Text8::toWidget(m_table.entry(boxValue(i))));
    }
    cmdCancel->setFocus();
}

void dlgKEL::done(int result)
{
    // The boxes lose the focus as the window closes; that is no edit to take in.
    m_open = false;
    QDialog::done(result);
}

int dlgKEL::boxValue(int box) const
{
    return DialogLayout::byteLabelValue(Label1[box]);
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
        if (text && *text != m_table.entry(boxValue(i))) {
            m_table.setEntry(boxValue(i), *text);
            break;
        }
    }
    for (int i = 0; i < RomLine::Length; ++i) {
        if (!Text8::fromWidget(Text1[i]->text()))
            continue;
        const QString shown = Text8::toWidget(m_table.entry(boxValue(i)));
        if (Text1[i]->text() != shown)
            Text1[i]->setText(shown);
    }
}

void dlgKEL::cmdSaveClick()
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
                                  .arg(QString::fromLatin1(Convert::hexPair(boxValue(i))),
                                       QString(character),
                                       QString::number(character.unicode(), 16)
                                           .toUpper()
                                           .rightJustified(4, QLatin1Char('0'))),
                              Boxes::Critical);
            Text1[i]->setFocus();
            return;
        }
        table.setEntry(boxValue(i), *text);
    }

    const QString problem = tableSaveProblem(table);
    if (!problem.isEmpty()) {
        Boxes::messageBox(this, problem, Boxes::Critical);
        return;
    }
    try {
        SaveTable(table, m_tablePath);
    } catch (const FileError &error) {
        Boxes::showFileError(this, error);
        return;
    }
    m_table = table;
    accept();
}
