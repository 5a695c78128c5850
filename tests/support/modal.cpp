#include "modal.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

namespace Modal {

namespace {
QList<QTimer *> pending;
}

void whenShown(const QString &objectName, std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer(qApp);
    pending.append(timer);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, objectName, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (!objectName.isEmpty() && modal->objectName() != objectName))
            return;
        timer->stop();
        timer->deleteLater();
        pending.removeOne(timer);
        // Focus moves only within the active window; on a busy machine the new window may
        // not be active yet when it is first seen.
        QApplication::setActiveWindow(modal);
        if (!QTest::qWaitForWindowActive(modal))
            qWarning("the modal window %s did not become active", qPrintable(modal->objectName()));
        action(modal);
    });
    timer->start();
}

bool allHandled()
{
    return pending.isEmpty();
}

void forgetPending()
{
    for (QTimer *timer : std::as_const(pending)) {
        timer->stop();
        timer->deleteLater();
    }
    pending.clear();
}

void finish(QWidget *modal, int result)
{
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->done(result);
}

} // namespace Modal
