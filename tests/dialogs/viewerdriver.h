#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QListWidget;
class QPushButton;
class frmOrvane;

// What a message box showed, recorded as it was dismissed.
struct ShownMessage
{
    QString objectName;
    QString text;
    bool critical = false;
    bool busyPointer = false; // over the main window while the box was open
};

// Drives the main window as a user does: opens a ROM, jumps and selects rows with the mouse,
// and presses a command whose modal dialog an action then handles.
class ViewerDriver
{
public:
    explicit ViewerDriver(const QString &romPath);
    ~ViewerDriver();

    [[nodiscard]] frmOrvane &window() { return *m_window; }
    [[nodiscard]] QListWidget *lstHEX() const;
    [[nodiscard]] QListWidget *lstKEL() const;
    [[nodiscard]] QString offsetCaption() const;
    [[nodiscard]] bool anyRowSelected() const;

    void selectRow(int row);
    // Go To through its input box.
    void goTo(const QString &offset);

    // Clicks the named button (or triggers the named menu item) and runs action on the modal
    // window called modalName once it shows. A window the action leaves open is cancelled so
    // that a failed check cannot hang the test. Returns whether the window showed.
    bool press(const QString &command,
               const QString &modalName,
               const std::function<void(QDialog *)> &action);

    // Presses a command that is to refuse, and records the message box it shows instead.
    [[nodiscard]] ShownMessage refusal(const QString &command);

private:
    std::unique_ptr<frmOrvane> m_window;
};

// Records and dismisses the next message box called name.
void expectMessage(const QString &name, ShownMessage &message);

[[nodiscard]] QPushButton *button(QDialog *dialog, const char *name);

// The bytes of a table file holding texts as entries 1, 2, ... in order.
[[nodiscard]] QByteArray tableFile(const QList<QByteArray> &entries);
