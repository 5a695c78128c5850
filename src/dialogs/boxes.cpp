#include "boxes.h"

#include <QInputDialog>
#include <QMessageBox>

namespace Boxes {

const QString ApplicationTitle = QStringLiteral("Orvane");

namespace {

void show(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &name)
{
    QMessageBox box(icon, ApplicationTitle, text, QMessageBox::Ok, parent);
    box.setObjectName(name);
    box.exec();
}

} // namespace

void messageBox(QWidget *parent, const QString &prompt, Style style)
{
    show(parent,
         style == Style::Critical ? QMessageBox::Critical : QMessageBox::Information,
         prompt,
         QStringLiteral("MsgBox"));
}

void showError(QWidget *parent, const QString &message)
{
    // The message goes on after a command's name at the terminal; a box shows it as a sentence.
    QString text = message;
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    show(parent, QMessageBox::Critical, text, QStringLiteral("ErrorBox"));
}

QString inputBox(QWidget *parent, const QString &prompt, const QString &title)
{
    QInputDialog box(parent);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(title.isEmpty() ? ApplicationTitle : title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return {};
    return box.textValue();
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
