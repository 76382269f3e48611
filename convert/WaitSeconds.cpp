#include "convert/WaitSeconds.h"

#include "platform/Clock.h"
#include "platform/MessagePump.h"

#include <cmath>

void waitSeconds(double seconds, const Clock &clock, MessagePump &pump)
{
    // The monotonic clock, not the time of day: a wait across midnight lasts as long as any other.
    // Each round sleeps until an event comes or the time is up, so the wait keeps no core busy.
    const double start = clock.monotonicSeconds();
    for (double elapsed; (elapsed = clock.monotonicSeconds() - start) < seconds;)
        pump.processPendingOrWait(int(std::ceil((seconds - elapsed) * 1000.0)));
}
