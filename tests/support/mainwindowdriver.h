#pragma once

#include "viewer/frmorvane.h"

#include <QKeySequence>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QListWidget;
class QPushButton;

// What a message box showed, recorded as it was dismissed.
struct ShownMessage
{
    QString objectName;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    bool busyPointer = false; // over the main window while the box was open

    [[nodiscard]] bool critical() const { return icon == QMessageBox::Critical; }
};

// Drives the main window as a user does, headless: finds its controls by their object names,
// clicks, types through the window system, answers its input and message boxes, and presses
// commands whose modal dialogs a test then handles.
class MainWindowDriver
{
public:
    // Shows the window and makes it active, with no ROM open.
    MainWindowDriver();
    // Also opens the ROM at romPath as the Open command does once a file has been chosen.
    explicit MainWindowDriver(const QString &romPath);
    ~MainWindowDriver();
    MainWindowDriver(const MainWindowDriver &) = delete;
    MainWindowDriver &operator=(const MainWindowDriver &) = delete;

    [[nodiscard]] frmOrvane &window() const { return *m_window; }
    void openRom(const QString &path) const { m_window->openRom(path); }

    template<typename T = QWidget>
    [[nodiscard]] T *child(const QString &name) const
    {
        T *found = m_window->findChild<T *>(name);
        if (!found)
            qFatal("no control named %s", qPrintable(name));
        return found;
    }
    [[nodiscard]] QAction *action(const QString &name) const;
    [[nodiscard]] QListWidget *hexList() const;
    [[nodiscard]] QListWidget *textList() const;
    [[nodiscard]] QStringList hexRows() const;
    [[nodiscard]] QStringList textRows() const;
    [[nodiscard]] QString caption(const QString &label) const;
    // The offset caption of the top line, or of the selected line once one is selected.
    [[nodiscard]] QString topOffset() const;
    [[nodiscard]] bool enabled(const QString &name) const;
    [[nodiscard]] bool anyRowSelected() const;

    // Modal windows leave no active window behind on a headless screen; a user's desktop
    // would give the focus back to the main window.
    void activate() const;

    void click(const QString &button) const;
    // Key presses through the window system, as shortcuts meet them.
    void pressKeys(const QKeySequence &keys) const;
    // A mouse click on the row, as a user selects a line.
    void selectRow(int row) const;
    // Through the window system, so the event reaches the widget under the pointer.
    void moveOverBackground() const;

    // Go To, Find and Find Next, with the text typed into the input box.
    void goTo(const QString &offset) const;
    void find(const QString &typed) const;
    void findNext() const;

    // Clicks the named button (or triggers the named menu item) and runs handle on the modal
    // window called modalName (any, when empty) once it shows. A window that handle leaves open
    // is cancelled so that a failed check cannot hang the test. Returns whether it showed.
    bool press(const QString &command,
               const QString &modalName,
               const std::function<void(QDialog *)> &handle) const;
    // Presses a command that is to refuse, and records the window it shows instead.
    [[nodiscard]] ShownMessage refusal(const QString &command) const;
    // Records and dismisses, by Enter, the next message box called name.
    void expectMessage(const QString &name, ShownMessage &message) const;

private:
    [[nodiscard]] ShownMessage record(QWidget *modal) const;

    std::unique_ptr<frmOrvane> m_window;
};

// Types text into the next input box and presses Enter; records its title and prompt if asked.
void answerInput(const QString &text, QString *title = nullptr, QString *prompt = nullptr);
// Types text into the next input box, if any, and cancels it by Escape.
void cancelInput(const QString &typed = {});

[[nodiscard]] QPushButton *button(QWidget *dialog, const char *name);
