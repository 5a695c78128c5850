#pragma once

#include <QString>

class QWidget;

// The program's message and input boxes. A box given no title shows the application's own,
// "Orvane", and every box is modal to its parent window.
namespace Boxes {

extern const QString ApplicationTitle;

enum class Style {
    Critical,
    Information,
};

void messageBox(QWidget *parent, const QString &prompt, Style style);
// Why a command failed: a file that could not be opened, read or written, named with the
// system's reason, or what else stood in its way.
void showError(QWidget *parent, const QString &message);
// The text entered, or an empty text when the box is cancelled.
[[nodiscard]] QString inputBox(QWidget *parent, const QString &prompt, const QString &title = {});

} // namespace Boxes

// Shows the busy pointer over one window for as long as it lives.
class BusyPointer
{
public:
    explicit BusyPointer(QWidget *window);
    ~BusyPointer();
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    QWidget *m_window;
};
