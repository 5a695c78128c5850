#include "modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace Modal {

namespace {

// Long enough for any window a test expects on a loaded machine; short beside CTest's timeout.
constexpr qint64 ExpectedWithinMs = 20000;
constexpr qint64 StrayAfterMs = 5000;

QList<QTimer *> pending;
QStringList strays;

} // namespace

void guardAgainstStrayWindows()
{
    static QTimer *guard = nullptr;
    if (guard)
        return;
    guard = new QTimer(qApp);
    guard->setInterval(100);
    static QPointer<QWidget> watched;
    static QElapsedTimer since;
    QObject::connect(guard, &QTimer::timeout, guard, [] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != watched) {
            watched = modal;
            since.start();
            return;
        }
        if (!modal || since.elapsed() < StrayAfterMs)
            return;
        strays.append(modal->objectName());
        qWarning("closing the modal window %s that nothing expected",
                 qPrintable(modal->objectName()));
        watched = nullptr;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->close();
    });
    guard->start();
}

void whenShown(const QString &objectName, std::function<void(QWidget *)> action)
{
    guardAgainstStrayWindows();
    auto *timer = new QTimer(qApp);
    pending.append(timer);
    timer->setInterval(10);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, objectName, action, waited] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (!objectName.isEmpty() && modal->objectName() != objectName)) {
            if (waited.elapsed() > ExpectedWithinMs) {
                qWarning("the modal window %s never showed", qPrintable(objectName));
                timer->stop();
            }
            return;
        }
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
    return pending.isEmpty() && strays.isEmpty();
}

void forgetPending()
{
    for (QTimer *timer : std::as_const(pending)) {
        timer->stop();
        timer->deleteLater();
    }
    pending.clear();
    strays.clear();
}

void finish(QWidget *modal, int result)
{
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->done(result);
}

} // namespace Modal
