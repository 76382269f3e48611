#pragma once

#include "platform/Clock.h"

#include <QElapsedTimer>

class SystemClock : public Clock
{
public:
    SystemClock();
    double monotonicSeconds() const override;
    int secondsSinceMidnight() const override;

private:
    QElapsedTimer m_sinceStart;
};
