#pragma once

#include <functional>

class Clock;
class MessagePump;
class RenderEngine;

// How long the run waits for one page before it takes whatever the engine has by then.
struct PageWaitLimits
{
    int maxPolls = 10'000'000;
    double maxSeconds = 60.0;
};

// Polls the engine's readiness until its page is complete, processing events between two polls.
// The first poll comes straight after the navigation, with no event processed before it.
// afterEachPump runs after every round of events (the run shows its hourglass again there).
// Returns false when a limit was reached first.
bool waitForPage(const RenderEngine &engine, MessagePump &pump, const Clock &clock,
                 const PageWaitLimits &limits, const std::function<void()> &afterEachPump);
