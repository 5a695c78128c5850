#include "modal.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace Modal {

namespace {
int pending = 0;
}

void whenShown(const QString &objectName, std::function<void(QWidget *)> action)
{
    ++pending;
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, objectName, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (!objectName.isEmpty() && modal->objectName() != objectName))
            return;
        timer->stop();
        timer->deleteLater();
        --pending;
        action(modal);
    });
    timer->start();
}

bool allHandled()
{
    return pending == 0;
}

void finish(QWidget *modal, int result)
{
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->done(result);
}

} // namespace Modal
