#include "engine/fast/FastPageLoader.h"

#include "engine/PageCancellation.h"
#include "engine/PageSizeBound.h"
#include "engine/ScriptMarkup.h"
#include "engine/fast/FastPage.h"
#include "engine/fast/knownscripts/KnownScripts.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <utility>

namespace {

struct Outcome
{
    enum class Kind { Text, Failed, NotExact };
    Kind kind;
    QString textOrReason;
    BrowserReason browserReason = BrowserReason::UnknownScript; // for NotExact
};

Outcome notExact(BrowserReason reason)
{
    return {Outcome::Kind::NotExact, {}, reason};
}

// Runs on a thread of the pool: it may touch nothing but its arguments.
Outcome readPage(const QString &path, FastPageLoader::Pages pages)
{
    // As the browser engine's file handler reads: a pipe or a device is refused, never read.
    const RegularFileRead read = readRegularFile(path, maxPageBytes);
    switch (read.status) {
    case RegularFileRead::Status::Read:
        break;
    case RegularFileRead::Status::CannotOpen:
    case RegularFileRead::Status::ReadFailed:
        return {Outcome::Kind::Failed, read.error};
    case RegularFileRead::Status::NotAFile:
        return {Outcome::Kind::Failed, FastPageLoader::tr("It is not a file")};
    case RegularFileRead::Status::TooLarge:
        if (pages == FastPageLoader::Pages::ExactOnly)
            return notExact(BrowserReason::TooLarge);
        return {Outcome::Kind::Failed,
                FastPageLoader::tr("It is larger than the fast engine reads (%1 MB)")
                    .arg(maxPageBytes / (1024 * 1024))};
    }
    const QByteArray &bytes = read.bytes;

    // The fast engine finds a page's style sheets by names taken as text: beside a page whose
    // name is not valid UTF-8 it would miss them.
    const bool nameIsText = encodeFileName(path) == path.toUtf8();
    // A page that runs a script other than from a <script> goes to the browser without being
    // parsed, as far as its bytes tell; its <script>s may all be known ones. A page as small as
    // a redirect page may send the browser to one the fast engine reads (see FastPage).
    if (pages == FastPageLoader::Pages::ExactOnly) {
        if (!nameIsText)
            return notExact(BrowserReason::FileName);
        const std::optional<BrowserReason> script = bytes.size() > largestRedirectPage()
            ? scriptOutsideElementsInBytes(bytes)
            : std::nullopt;
        if (script)
            return notExact(*script);
    }
    const FastPage page(bytes, path);
    if (pages == FastPageLoader::Pages::ExactOnly) {
        if (const std::optional<BrowserReason> reason = page.browserReason())
            return notExact(*reason);
    }
    // Style sheets are read only as the text is made.
    std::optional<BrowserReason> stylingReason;
    QString text = page.bodyText(&stylingReason);
    if (pages == FastPageLoader::Pages::ExactOnly && stylingReason)
        return notExact(*stylingReason);
    return {Outcome::Kind::Text, std::move(text)};
}

Outcome readPageUnlessCancelled(const QString &path, FastPageLoader::Pages pages,
                                const std::shared_ptr<std::atomic_bool> &cancel)
{
    const PageCancellationScope scope(*cancel);
    try {
        return readPage(path, pages);
    } catch (const PageCancelled &) {
        // Nobody waits for this result any more.
        return {Outcome::Kind::Failed, {}};
    }
}

} // namespace

FastPageLoader::FastPageLoader(Pages pages, QObject *parent) : PageLoader(parent), m_pages(pages) {}

FastPageLoader::~FastPageLoader()
{
    abandon();
}

void FastPageLoader::load(const QString &path)
{
    abandon();
    const quint64 loadNumber = ++m_loadNumber;
    if (path.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { emit pageFailed(tr("No file name was given")); }, Qt::QueuedConnection);
        return;
    }
    // cleanPath() works on the text alone, keeping bytes of the name that are not UTF-8.
    const QString absolutePath = QDir::cleanPath(
        QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path);

    // The watcher reports through a posted event even when the page is done already. It is
    // the loader's child: a loader that goes away takes it along, and the page's result with it.
    auto *watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, loadNumber] {
        watcher->deleteLater();
        if (loadNumber != m_loadNumber)
            return;
        const Outcome outcome = watcher->result();
        switch (outcome.kind) {
        case Outcome::Kind::Text:
            emit pageLoaded(outcome.textOrReason);
            return;
        case Outcome::Kind::Failed:
            emit pageFailed(outcome.textOrReason);
            return;
        case Outcome::Kind::NotExact:
            emit pageNotExact(outcome.browserReason);
            return;
        }
    });
    m_cancel = std::make_shared<std::atomic_bool>(false);
    watcher->setFuture(QtConcurrent::run(readPageUnlessCancelled, absolutePath, m_pages, m_cancel));
}

void FastPageLoader::readTextSoFar() {}

void FastPageLoader::abandon()
{
    ++m_loadNumber;
    if (m_cancel)
        m_cancel->store(true, std::memory_order_relaxed);
    m_cancel.reset();
}
