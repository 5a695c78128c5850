#pragma once

#include <QString>

class FileError;
class QWidget;

// The system's message and input boxes. A box given no title shows the application's own,
// "Orvane", and every box is modal to its parent window.
namespace Boxes {

extern const QString ApplicationTitle;

enum Style {
    Critical = 16,
    Information = 64,
};

void messageBox(QWidget *parent, const QString &prompt, Style style);
// The text entered, or an empty text when the box is cancelled.
[[nodiscard]] QString inputBox(QWidget *parent,
                               const QString &prompt,
                               const QString &title = {},
                               const QString &defaultText = {});
void showFileError(QWidget *parent, const FileError &error);

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
