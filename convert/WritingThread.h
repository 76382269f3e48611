#pragma once

#include "convert/ConversionReport.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Takes the items' turns at the destination on a thread of its own, one after another in the
// order they were handed over, so that the wait for the disk holds up no page; their outcomes
// come back in that same order. A turn may leave its outcome pending, for a later turn to give
// with its own, so that many items can wait for the disk together: whatever is pending is
// finished whenever no turn is waiting.
class WritingThread
{
public:
    // Returns the outcomes it completed, of its own item and of earlier ones, in order.
    using Turn = std::function<std::vector<ItemOutcome>()>;

    // wakeOwner is called on this thread after outcomes come, for the owner waiting on events;
    // finishPending completes every pending outcome.
    WritingThread(std::function<void()> wakeOwner, Turn finishPending);
    // Turns not begun are dropped; the one under way is finished.
    ~WritingThread();

    void hand(Turn turn);
    // The outcome of the earliest turn not taken yet, once that turn is done.
    std::optional<ItemOutcome> takeOutcome();
    // Whether a turn was handed over and its outcome not taken yet.
    bool isBusy() const;

private:
    void takeTurns();

    const std::function<void()> m_wakeOwner;
    const Turn m_finishPending;
    mutable std::mutex m_mutex;
    std::condition_variable m_turnHanded;
    std::deque<Turn> m_turns;
    std::deque<ItemOutcome> m_outcomes;
    int m_turnsUnderWay = 0; // handed and their outcomes not given
    bool m_stopping = false;
    std::thread m_thread; // last, so that it starts with everything else made
};
