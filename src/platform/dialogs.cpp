#include "dialogs.h"

#include "fileerror.h"

#include <QInputDialog>
#include <QMessageBox>

namespace Boxes {

const QString ApplicationTitle = QStringLiteral("Orvane");

void messageBox(QWidget *parent, const QString &prompt, Style style)
{
    QMessageBox box(style == Critical ? QMessageBox::Critical : QMessageBox::Information,
                    ApplicationTitle,
                    prompt,
                    QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("MsgBox"));
    box.exec();
}

QString inputBox(QWidget *parent,
                 const QString &prompt,
                 const QString &title,
                 const QString &defaultText)
{
    QInputDialog box(parent);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(title.isEmpty() ? ApplicationTitle : title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return {};
    return box.textValue();
}

void showFileError(QWidget *parent, const FileError &error)
{
    QMessageBox box(QMessageBox::Critical,
                    ApplicationTitle,
                    error.message(),
                    QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("FileErrorBox"));
    box.exec();
}

} // namespace Boxes

BusyPointer::BusyPointer(QWidget *window)
    : m_window(window)
{
    m_window->setCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer()
{
    m_window->unsetCursor();
}
