#include "mainwindowdriver.h"

#include "support/modal.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

MainWindowDriver::MainWindowDriver()
    : m_window(std::make_unique<frmOrvane>())
{
    Modal::guardAgainstStrayWindows();
    m_window->show();
    activate();
}

MainWindowDriver::MainWindowDriver(const QString &romPath)
    : MainWindowDriver()
{
    openRom(romPath);
}

MainWindowDriver::~MainWindowDriver() = default;

QAction *MainWindowDriver::action(const QString &name) const
{
    return child<QAction>(name);
}

QListWidget *MainWindowDriver::hexList() const
{
    return child<QListWidget>(QStringLiteral("lstHEX"));
}

QListWidget *MainWindowDriver::textList() const
{
    return child<QListWidget>(QStringLiteral("lstKEL"));
}

namespace {

QStringList rowsOf(const QListWidget *list)
{
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        rows.append(list->item(row)->text());
    return rows;
}

} // namespace

QStringList MainWindowDriver::hexRows() const
{
    return rowsOf(hexList());
}

QStringList MainWindowDriver::textRows() const
{
    return rowsOf(textList());
}

QString MainWindowDriver::caption(const QString &label) const
{
    return child<QLabel>(label)->text();
}

QString MainWindowDriver::topOffset() const
{
    return caption(QStringLiteral("lblTopline"));
}

bool MainWindowDriver::enabled(const QString &name) const
{
    return child<QWidget>(name)->isEnabled();
}

bool MainWindowDriver::anyRowSelected() const
{
    return !hexList()->selectedItems().isEmpty();
}

void MainWindowDriver::activate() const
{
    m_window->activateWindow();
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("the main window did not become active");
    if (!m_window->isAncestorOf(QApplication::focusWidget()))
        hexList()->setFocus();
}

void MainWindowDriver::click(const QString &button) const
{
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
}

void MainWindowDriver::pressKeys(const QKeySequence &keys) const
{
    const QKeyCombination combination = keys[0];
    QTest::keyClick(m_window->windowHandle(), combination.key(), combination.keyboardModifiers());
}

void MainWindowDriver::selectRow(int row) const
{
    QListWidget *list = hexList();
    QTest::mouseClick(list->viewport(),
                      Qt::LeftButton,
                      {},
                      list->visualItemRect(list->item(row)).center());
}

void MainWindowDriver::moveOverBackground() const
{
    // The pointer must move for the window to see it, so each call lands a pixel off the last.
    static int nudge = 0;
    nudge = 1 - nudge;
    const QPoint inClient(700, 330 + nudge);
    QTest::mouseMove(m_window->windowHandle(),
                     m_window->centralWidget()->mapTo(m_window.get(), inClient));
}

void MainWindowDriver::goTo(const QString &offset) const
{
    answerInput(offset);
    click(QStringLiteral("cmd7"));
}

void MainWindowDriver::find(const QString &typed) const
{
    answerInput(typed);
    click(QStringLiteral("cmd3"));
}

void MainWindowDriver::findNext() const
{
    click(QStringLiteral("cmd4"));
}

bool MainWindowDriver::press(const QString &command,
                             const QString &modalName,
                             const std::function<void(QDialog *)> &handle) const
{
    bool shown = false;
    Modal::whenShown(modalName, [&shown, handle](QWidget *modal) {
        shown = true;
        auto *dialog = qobject_cast<QDialog *>(modal);
        // Keys go to the focus, which a window has only once it is active.
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("%s never became active", qPrintable(dialog->objectName()));
        handle(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    if (auto *button = m_window->findChild<QPushButton *>(command))
        button->click();
    else
        action(command)->trigger();
    return shown;
}

ShownMessage MainWindowDriver::refusal(const QString &command) const
{
    ShownMessage message;
    press(command, {}, [this, &message](QDialog *modal) { message = record(modal); });
    return message;
}

void MainWindowDriver::expectMessage(const QString &name, ShownMessage &message) const
{
    Modal::whenShown(name, [this, &message](QWidget *modal) {
        message = record(modal);
        QTest::keyClick(modal, Qt::Key_Return);
    });
}

ShownMessage MainWindowDriver::record(QWidget *modal) const
{
    ShownMessage message;
    message.objectName = modal->objectName();
    message.title = modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        message.text = box->text();
        message.icon = box->icon();
        message.buttons = static_cast<int>(box->buttons().size());
    }
    message.busyPointer = m_window->testAttribute(Qt::WA_SetCursor)
                          && m_window->cursor().shape() == Qt::WaitCursor;
    return message;
}

void answerInput(const QString &text, QString *title, QString *prompt)
{
    Modal::whenShown(QStringLiteral("InputBox"), [text, title, prompt](QWidget *box) {
        if (title)
            *title = box->windowTitle();
        if (prompt)
            *prompt = box->findChild<QLabel *>()->text();
        auto *edit = box->findChild<QLineEdit *>();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

void cancelInput(const QString &typed)
{
    Modal::whenShown(QStringLiteral("InputBox"), [typed](QWidget *box) {
        auto *edit = box->findChild<QLineEdit *>();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Escape);
    });
}

QPushButton *button(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QString::fromLatin1(name));
}
