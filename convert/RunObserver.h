#pragma once

struct ItemOutcome;

// Follows a run as it goes. Items are reported in list order, whatever order their pages
// finish in.
class RunObserver
{
public:
    virtual ~RunObserver() = default;

    // The item at itemNumber is done, and so is every item before it.
    virtual void itemDone(int itemNumber, const ItemOutcome &outcome) = 0;

    // The run has just processed pending events (other handlers may have run meanwhile).
    virtual void eventsProcessed() {}
};
