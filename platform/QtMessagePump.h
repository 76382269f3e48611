#pragma once

#include "platform/MessagePump.h"

// Processes the application's own event queue.
class QtMessagePump : public MessagePump
{
public:
    void processPending() override;
    void processPendingOrWait(int maxWaitMs) override;
    void wakeUp() override;
};
