#pragma once

// Lets a long-running handler keep the window alive by processing pending events itself.
class MessagePump
{
public:
    virtual ~MessagePump() = default;

    // Processes every pending event and returns at once.
    virtual void processPending() = 0;

    // Like processPending(), but when nothing is pending waits for the next event for at most
    // maxWaitMs, so that a polling loop does not keep a core busy.
    virtual void processPendingOrWait(int maxWaitMs) = 0;

    // Ends a processPendingOrWait() under way on the main thread soon. Callable from any thread.
    virtual void wakeUp() = 0;
};
