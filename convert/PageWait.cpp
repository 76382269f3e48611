#include "convert/PageWait.h"

#include "platform/Clock.h"
#include "platform/MessagePump.h"
#include "platform/RenderEngine.h"

namespace {

// Long enough to leave the core to the engine's own processes while it renders, short enough
// that a finished page is noticed at once.
constexpr int maxIdleWaitMs = 1;

} // namespace

bool waitForPage(const RenderEngine &engine, MessagePump &pump, const Clock &clock,
                 const PageWaitLimits &limits, const std::function<void()> &afterEachPump)
{
    const double deadline = clock.monotonicSeconds() + limits.maxSeconds;
    for (int polls = 0; engine.readyState() != RenderEngine::Complete; ++polls) {
        if (polls >= limits.maxPolls || clock.monotonicSeconds() >= deadline)
            return false;
        pump.processPendingOrWait(maxIdleWaitMs);
        afterEachPump();
    }
    return true;
}
