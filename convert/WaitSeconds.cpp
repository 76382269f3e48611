#include "convert/WaitSeconds.h"

#include "platform/Clock.h"
#include "platform/MessagePump.h"

void WaitSeconds(double seconds, const Clock &clock, MessagePump &pump)
{
    // The monotonic clock, not the time of day: a wait across midnight lasts as long as any other.
    const double start = clock.monotonicSeconds();
    while (clock.monotonicSeconds() - start < seconds)
        pump.processPending();
}
