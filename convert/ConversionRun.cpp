#include "convert/ConversionRun.h"

#include "convert/RunItems.h"
#include "convert/RunObserver.h"
#include "convert/TextDestination.h"
#include "convert/WritingThread.h"
#include "engine/PageEngine.h"
#include "engine/PageLoader.h"
#include "engine/PageType.h"
#include "platform/Clock.h"
#include "platform/FileNames.h"
#include "platform/MessagePump.h"
#include "platform/RegularFile.h"

#include <QScopedValueRollback>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

namespace {

// How far the run may start items ahead of the first one still loading. Their texts wait in
// memory to be written in list order, so a page that hangs does not hold up the others, nor
// do the waiting texts pile up without end.
constexpr int maxItemsAhead = 64;

// The most texts prepared before they are committed together: each commit waits for the disk
// once, which is what many small files spend most of their time on, and reports nothing until
// it is done. The temporary files stay well within what can be removed on a signal.
constexpr int maxTextsAtOnce = 32;

// The longest a wait for pages lasts before the run looks at its clock again.
constexpr int maxWaitMs = 100;

// How long the engine may take to hand over the text of a page still loading at the bound.
constexpr double textSoFarSeconds = 5.0;

const QString lateReason = QStringLiteral("the page did not finish loading in time");

using Result = ItemOutcome::Result;

std::optional<QString> whyUnreadable(const QString &path)
{
    const RegularFile file(path);
    if (file.isOpen())
        return std::nullopt;
    // Folders, devices and pipes are no pages.
    if (file.failure() == RegularFileRead::Status::NotAFile)
        return QStringLiteral("it is not a file");
    if (file.errorNumber() == ENOENT && hasUnreadableBytes(path))
        return QStringLiteral("its name cannot be read: it holds bytes that are not text");
    return QStringLiteral("the file cannot be read (%1)").arg(file.error());
}

} // namespace

// One loader and the item it is loading, if any; an idle one waits for the next item.
struct ConversionRun::PageInFlight
{
    std::unique_ptr<PageLoader> loader;
    int itemNumber = 0; // 0 while idle
    QString path;
    double deadline = 0;
    bool askedForTextSoFar = false;
    QStringList notes; // of its page's loading, for the report once it is converted

    bool isIdle() const { return itemNumber == 0; }
};

ConversionRun::ConversionRun(PageEngine &engine, TextDestination &destination, MessagePump &pump,
                             const Clock &clock)
    : m_engine(engine)
    , m_destination(destination)
    , m_pump(pump)
    , m_clock(clock)
    , m_jobs(defaultJobs())
{
}

ConversionRun::~ConversionRun() = default;

int ConversionRun::defaultJobs()
{
    return std::clamp(QThread::idealThreadCount(), 2, maxJobs);
}

void ConversionRun::setJobs(int jobs)
{
    m_jobs = std::clamp(jobs, 1, maxJobs);
}

void ConversionRun::setPageTimeLimit(double seconds)
{
    m_pageTimeLimit = seconds;
}

void ConversionRun::prepare()
{
    while (int(m_pages.size()) < m_jobs)
        addPageInFlight();
}

void ConversionRun::dropIdlePagesBeyondJobs()
{
    for (auto page = m_pages.begin(); page != m_pages.end() && int(m_pages.size()) > m_jobs;) {
        if ((*page)->isIdle())
            page = m_pages.erase(page);
        else
            ++page;
    }
}

ConversionRun::PageInFlight &ConversionRun::addPageInFlight()
{
    auto page = std::make_unique<PageInFlight>();
    page->loader = m_engine.createLoader();
    PageLoader *loader = page->loader.get();
    PageInFlight *target = page.get();
    QObject::connect(loader, &PageLoader::pageLoaded, loader, [this, target](const QString &text) {
        const QString notes = target->notes.join(QStringLiteral("; "));
        pageFinished(*target, {{Result::Converted, target->path, notes}, text});
    });
    QObject::connect(loader, &PageLoader::pageNoted, loader,
                     [target](const QString &note) { target->notes.append(note); });
    QObject::connect(loader, &PageLoader::pageFailed, loader,
                     [this, target](const QString &reason) {
        const QString why = target->askedForTextSoFar
            ? lateReason
            : QStringLiteral("the page could not be loaded (%1)").arg(reason);
        pageFinished(*target, {{Result::Failed, target->path, why}, {}});
    });
    m_pages.push_back(std::move(page));
    return *m_pages.back();
}

ConversionReport ConversionRun::run(const RunItems &items, RunObserver &observer)
{
    if (m_running)
        return {};
    const QScopedValueRollback running(m_running, true);
    dropIdlePagesBeyondJobs();
    m_items = &items;
    m_itemTotal = items.count();
    m_nextToStart = 1;
    m_nextToHand = 1;
    m_nextToReport = 1;
    m_finished.clear();
    m_report = {};
    m_destination.startRun();
    WritingThread writes([this] { m_pump.wakeUp(); }, [this] { return commitPrepared(); });
    const QScopedValueRollback writesOfThisRun(m_writes, &writes);

    for (;;) {
        // Reporting makes room for more items to start, and refused ones are reported at once.
        do {
            startItems();
            handOverFinishedItems();
        } while (reportWrittenItems(observer));
        if (!anyPageInFlight() && !mayStartNextItem() && !writes.isBusy())
            break;
        waitForPages();
        observer.eventsProcessed();
        abandonLatePages();
    }
    m_items = nullptr;
    return std::exchange(m_report, {});
}

bool ConversionRun::mayStartNextItem() const
{
    return m_nextToStart <= m_itemTotal && m_nextToStart <= m_items->count();
}

void ConversionRun::startItems()
{
    while (mayStartNextItem() && m_nextToStart - m_nextToReport < maxItemsAhead
           && mayLoadAnotherPage()) {
        const int itemNumber = m_nextToStart++;
        const QString path = m_items->path(itemNumber);
        if (std::optional<FinishedItem> refused = checkBeforeLoading(path)) {
            m_finished.emplace(itemNumber, *refused);
            continue;
        }
        PageInFlight &page = idlePage();
        page.itemNumber = itemNumber;
        page.path = path;
        page.deadline = m_clock.monotonicSeconds() + m_pageTimeLimit;
        page.askedForTextSoFar = false;
        page.notes.clear();
        page.loader->setListedFolder(m_items->listedFolder(itemNumber));
        // May finish at once, inside this call.
        page.loader->load(path);
    }
}

bool ConversionRun::mayLoadAnotherPage() const
{
    return int(m_pages.size()) < m_jobs || anyPageIdle();
}

// A loader is made only when every one there is has a page, so a run of one file makes one.
ConversionRun::PageInFlight &ConversionRun::idlePage()
{
    for (const std::unique_ptr<PageInFlight> &page : m_pages) {
        if (page->isIdle())
            return *page;
    }
    return addPageInFlight();
}

std::optional<ConversionRun::FinishedItem>
ConversionRun::checkBeforeLoading(const QString &path) const
{
    if (std::optional<QString> skip = m_destination.whySkipped(path))
        return FinishedItem{{Result::Skipped, path, *skip}, {}};
    if (std::optional<QString> failure = whyUnreadable(path))
        return FinishedItem{{Result::Failed, path, *failure}, {}};
    if (const FileType type = fileTypeOfFile(path); !type.isPage()) {
        const QString why =
            QStringLiteral("not a web page (%1)").arg(QString::fromLatin1(type.mimeType));
        return FinishedItem{{Result::NotAPage, path, why}, {}};
    }
    if (std::optional<QString> failure = m_destination.whyNotWritable(path))
        return FinishedItem{{Result::Failed, path, *failure}, {}};
    return std::nullopt;
}

void ConversionRun::pageFinished(PageInFlight &page, FinishedItem item)
{
    if (page.isIdle())
        return;
    item.loaded = true;
    m_finished.emplace(page.itemNumber, std::move(item));
    page.itemNumber = 0;
}

void ConversionRun::handOverFinishedItems()
{
    for (auto next = m_finished.find(m_nextToHand); next != m_finished.end();
         next = m_finished.find(m_nextToHand)) {
        m_writes->hand([this, item = std::move(next->second)] { return takeTurn(item); });
        m_finished.erase(next);
        ++m_nextToHand;
    }
}

bool ConversionRun::reportWrittenItems(RunObserver &observer)
{
    const int firstToReport = m_nextToReport;
    while (std::optional<ItemOutcome> outcome = m_writes->takeOutcome()) {
        m_report.items.append(*outcome);
        observer.itemDone(m_nextToReport++, *outcome);
    }
    return m_nextToReport != firstToReport;
}

// Texts are written here, on the writing thread, in list order, so that items that share an
// output leave what a run of one page at a time would leave. A process that ends meanwhile
// (the window closed, a signal) removes the temporary files of the texts not yet committed, so
// no file is ever left half written.
std::vector<ItemOutcome> ConversionRun::takeTurn(const FinishedItem &item)
{
    const QString path = item.outcome.path;
    // prepareText() asks what the items before this one left, so those must be in place.
    std::vector<ItemOutcome> done;
    if (item.loaded && m_destination.dependsOnPrepared(path))
        done = commitPrepared();
    m_held.push_back(prepareText(item));
    if (int(m_held.size()) >= maxTextsAtOnce) {
        std::vector<ItemOutcome> committed = commitPrepared();
        done.insert(done.end(), committed.begin(), committed.end());
    }
    return done;
}

ConversionRun::HeldOutcome ConversionRun::prepareText(const FinishedItem &item)
{
    const QString path = item.outcome.path;
    if (item.loaded && m_destination.isWrittenAlready(path))
        return {{Result::Converted, path, {}}};
    if (item.loaded) {
        if (std::optional<QString> failure = m_destination.whyNoLongerWritable(path))
            return {{Result::Failed, path, *failure}};
    }
    if (item.outcome.result != Result::Converted)
        return {item.outcome};
    if (std::optional<QString> failure = m_destination.prepare(path, item.text))
        return {{Result::Failed, path, *failure}};
    return {item.outcome, true};
}

std::vector<ItemOutcome> ConversionRun::commitPrepared()
{
    std::vector<ItemOutcome> done;
    if (m_held.empty())
        return done;
    const std::vector<std::optional<QString>> failures = m_destination.commitPrepared();
    auto failure = failures.begin();
    for (HeldOutcome &held : m_held) {
        if (held.prepared && failure != failures.end()) {
            if (*failure)
                held.outcome = {Result::Failed, held.outcome.path, **failure};
            ++failure;
        }
        done.push_back(std::move(held.outcome));
    }
    m_held.clear();
    return done;
}

void ConversionRun::waitForPages()
{
    // A page that finishes, or a text written, wakes the wait; the bound is for pages that take
    // too long.
    double nearestDeadline = m_clock.monotonicSeconds() + maxWaitMs / 1000.0;
    for (const std::unique_ptr<PageInFlight> &page : m_pages) {
        if (!page->isIdle())
            nearestDeadline = std::min(nearestDeadline, page->deadline);
    }
    const double waitMs = (nearestDeadline - m_clock.monotonicSeconds()) * 1000.0;
    m_pump.processPendingOrWait(std::clamp(int(std::ceil(waitMs)), 0, maxWaitMs));
}

void ConversionRun::abandonLatePages()
{
    for (const std::unique_ptr<PageInFlight> &page : m_pages) {
        if (page->isIdle() || m_clock.monotonicSeconds() < page->deadline)
            continue;
        // Take the text the page holds so far, if the engine can still give it (a script that
        // never ends cannot let it); the loader starts afresh afterwards, as such a page would
        // hold up every later one.
        if (!page->askedForTextSoFar) {
            page->askedForTextSoFar = true;
            page->deadline = m_clock.monotonicSeconds() + textSoFarSeconds;
            page->loader->readTextSoFar();
            continue;
        }
        page->loader->abandon();
        pageFinished(*page, {{Result::Failed, page->path, lateReason}, {}});
    }
}

bool ConversionRun::anyPageIdle() const
{
    return std::any_of(m_pages.begin(), m_pages.end(),
                       [](const std::unique_ptr<PageInFlight> &page) { return page->isIdle(); });
}

bool ConversionRun::anyPageInFlight() const
{
    return !std::all_of(m_pages.begin(), m_pages.end(),
                        [](const std::unique_ptr<PageInFlight> &page) { return page->isIdle(); });
}
