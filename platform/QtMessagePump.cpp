#include "platform/QtMessagePump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void QtMessagePump::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtMessagePump::processPendingOrWait(int maxWaitMs)
{
    // The timer is the upper bound: WaitForMoreEvents returns as soon as it fires, or earlier
    // when any other event arrives.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    wakeUp.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtMessagePump::wakeUp()
{
    // An empty call queued for the main thread is an event like any other.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
}
