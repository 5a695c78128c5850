#include "viewerdriver.h"

#include "support/modal.h"
#include "viewer/frmorvane.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

ViewerDriver::ViewerDriver(const QString &romPath)
    : m_window(std::make_unique<frmOrvane>())
{
    m_window->show();
    m_window->openRom(romPath);
}

ViewerDriver::~ViewerDriver() = default;

QListWidget *ViewerDriver::lstHEX() const
{
    return m_window->findChild<QListWidget *>(QStringLiteral("lstHEX"));
}

QListWidget *ViewerDriver::lstKEL() const
{
    return m_window->findChild<QListWidget *>(QStringLiteral("lstKEL"));
}

QString ViewerDriver::offsetCaption() const
{
    return m_window->findChild<QLabel *>(QStringLiteral("lblTopline"))->text();
}

bool ViewerDriver::anyRowSelected() const
{
    return !lstHEX()->selectedItems().isEmpty();
}

void ViewerDriver::selectRow(int row)
{
    QListWidget *list = lstHEX();
    QTest::mouseClick(list->viewport(),
                      Qt::LeftButton,
                      {},
                      list->visualItemRect(list->item(row)).center());
}

void ViewerDriver::goTo(const QString &offset)
{
    Modal::whenShown(QStringLiteral("InputBox"), [offset](QWidget *box) {
        auto *edit = box->findChild<QLineEdit *>();
        edit->setText(offset);
        Modal::finish(box, QDialog::Accepted);
    });
    m_window->findChild<QPushButton *>(QStringLiteral("cmd7"))->click();
}

bool ViewerDriver::press(const QString &command,
                         const QString &modalName,
                         const std::function<void(QDialog *)> &action)
{
    bool shown = false;
    Modal::whenShown(modalName, [&shown, action](QWidget *modal) {
        shown = true;
        auto *dialog = qobject_cast<QDialog *>(modal);
        // Keys go to the focus, which a window has only once it is active.
        if (!QTest::qWaitForWindowActive(dialog))
            qWarning("%s never became active", qPrintable(dialog->objectName()));
        action(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    if (auto *button = m_window->findChild<QPushButton *>(command))
        button->click();
    else
        m_window->findChild<QAction *>(command)->trigger();
    return shown;
}

ShownMessage ViewerDriver::refusal(const QString &command)
{
    ShownMessage message;
    press(command, {}, [this, &message](QDialog *modal) {
        message.objectName = modal->objectName();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            message.text = box->text();
            message.critical = box->icon() == QMessageBox::Critical;
        }
        message.busyPointer = m_window->testAttribute(Qt::WA_SetCursor)
                              && m_window->cursor().shape() == Qt::WaitCursor;
    });
    return message;
}

void expectMessage(const QString &name, ShownMessage &message)
{
    Modal::whenShown(name, [&message](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        message.objectName = box->objectName();
        message.text = box->text();
        message.critical = box->icon() == QMessageBox::Critical;
        Modal::finish(box, QMessageBox::Ok);
    });
}

QPushButton *button(QDialog *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QString::fromLatin1(name));
}

QByteArray tableFile(const QList<QByteArray> &entries)
{
    QByteArray bytes;
    for (const QByteArray &entry : entries)
        bytes += entry + '\r';
    return bytes;
}
