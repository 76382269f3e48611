#pragma once

#include "convert/ConversionReport.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class MessagePump;
class PageEngine;
class PageLoader;
class RunItems;
class RunObserver;
class TextDestination;
class WritingThread;

// The conversion run behind "Save As Text" and the command line: every item, in list order,
// through the engine into its text. Several pages are in flight at once, each in a loader of
// its own; their texts are written (on a thread of their own, so that no page waits for the
// disk), and the items reported, in list order all the same, so the outputs are those of a run
// that loads one page at a time. An item that cannot be converted gets no output and a line in
// the report, and the run goes on with the next one.
//
// The run knows nothing of windows: it processes pending events while it waits, and tells an
// observer how far it has come.
class ConversionRun
{
public:
    ConversionRun(PageEngine &engine, TextDestination &destination, MessagePump &pump,
                  const Clock &clock);
    ~ConversionRun();

    // At most maxJobs pages are in flight, whatever is asked: each holds a loader, and the
    // browser engine's loaders hold a process each.
    static constexpr int maxJobs = 16;
    // As many pages in flight as the machine has cores, and at least two: the engine waits on
    // itself often enough that two pages keep even one core busy.
    static int defaultJobs();
    void setJobs(int jobs);
    // How many seconds one page may take before the run takes what the engine has by then.
    void setPageTimeLimit(double seconds);

    // Makes the page loaders now, so that the first run does not wait for them. Without it, a
    // run makes them as pages need them.
    void prepare();

    // Converts the items from the first up to the count they have when the run starts, and
    // returns when every page is done. Items added meanwhile are left for the next run; when
    // items are removed, the run ends where the list now ends. A call during a run (from an
    // event processed inside it) does nothing and returns an empty report.
    ConversionReport run(const RunItems &items, RunObserver &observer);

private:
    struct PageInFlight;
    struct FinishedItem
    {
        ItemOutcome outcome;
        QString text;
        bool loaded = false; // its page was loaded, rather than refused beforehand
    };

    void dropIdlePagesBeyondJobs();
    PageInFlight &addPageInFlight();
    bool mayLoadAnotherPage() const;
    PageInFlight &idlePage();
    bool mayStartNextItem() const;
    void startItems();
    std::optional<FinishedItem> checkBeforeLoading(const QString &path) const;
    void pageFinished(PageInFlight &page, FinishedItem item);
    // Finished items go to the writing thread in list order, as the items before them are done.
    void handOverFinishedItems();
    // Returns whether it reported any.
    bool reportWrittenItems(RunObserver &observer);
    // On the writing thread: each returns the outcomes it completed, in list order.
    std::vector<ItemOutcome> takeTurn(const FinishedItem &item);
    std::vector<ItemOutcome> commitPrepared();
    struct HeldOutcome
    {
        ItemOutcome outcome;
        bool prepared = false; // its text waits to be committed
    };
    HeldOutcome prepareText(const FinishedItem &item);
    void waitForPages();
    void abandonLatePages();
    bool anyPageIdle() const;
    bool anyPageInFlight() const;

    PageEngine &m_engine;
    TextDestination &m_destination;
    MessagePump &m_pump;
    const Clock &m_clock;
    int m_jobs;
    double m_pageTimeLimit = 60.0;
    std::vector<std::unique_ptr<PageInFlight>> m_pages;
    bool m_running = false;

    // The run under way.
    const RunItems *m_items = nullptr;
    int m_itemTotal = 0;
    WritingThread *m_writes = nullptr;
    int m_nextToStart = 1;
    int m_nextToHand = 1;
    int m_nextToReport = 1;
    std::map<int, FinishedItem> m_finished; // done, waiting for the items before them
    // On the writing thread: the items taken since the last commit, whose outcomes are given
    // only once the texts before and including them are on disk.
    std::vector<HeldOutcome> m_held;
    ConversionReport m_report;
};
