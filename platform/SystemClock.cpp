#include "platform/SystemClock.h"

#include <QTime>

SystemClock::SystemClock()
{
    m_sinceStart.start();
}

double SystemClock::monotonicSeconds() const
{
    return m_sinceStart.nsecsElapsed() / 1e9;
}

int SystemClock::secondsSinceMidnight() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}
