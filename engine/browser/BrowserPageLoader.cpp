#include "engine/browser/BrowserPageLoader.h"

#include "engine/PageDecoding.h"
#include "engine/PageSizeBound.h"
#include "engine/PageType.h"
#include "engine/ScriptFreePage.h"
#include "engine/browser/HiddenPage.h"
#include "engine/browser/RendererMemoryBound.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QUuid>
#include <QVariant>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace {

bool hasEnded(const QWebEngineLoadingInfo &info)
{
    return info.status() != QWebEngineLoadingInfo::LoadStartedStatus;
}

// Run in an isolated world, where the page's own scripts cannot replace what it calls nor see
// the mark it leaves: a document whose text was taken is marked, so that a later read of text
// so far, made before the next page has replaced it, knows it for the previous page's.
const QString bodyTextScript = QStringLiteral(
    "window.quillmereTextTaken = true; document.body ? document.body.innerText : ''");
// Two animation frames and three rounds of the page's timers, the last after a wait (%2 ms) that
// may be none: work that the page put off (jQuery runs its "ready" handlers from a timer, and so
// do many pages; a script that arrived may insert the next one from a timer; MathJax typesets
// over many rounds), and what it draws frame by frame, is done by then, as it is before a user
// looks at the page. A frame that does not come within a tenth of a second is not waited for. Their
// end is told through the console, after every request the page made before it, with whether the
// document changed meanwhile. The page's own scripts cannot see the mark, nor change the functions
// called here.
const QString settleScript = QStringLiteral(
    "(() => { const changes = () => typeof quillmereChanges == 'function' ? quillmereChanges() : 0;"
    " const before = changes(); const frame = next => { let done = false;"
    " const go = () => { if (!done) { done = true; next(); } };"
    " requestAnimationFrame(go); setTimeout(go, 100); };"
    " frame(() => frame(() => setTimeout(() => setTimeout(() => setTimeout(() =>"
    " console.log('%1 ' + (changes() != before)), %2))))); })()");
// Work a page puts off by a short wait rather than to the next turn (MathJax waits a twentieth of
// a second between its phases, a tenth between chunks of formulas) is done before it is read:
// once it has changed or asked for a file, its rounds end only after the timers it set for up to
// this long. Timers fire in the order they are due, so this holds however busy the machine.
constexpr std::chrono::milliseconds timersSetForUpTo{100};
// How long a page that keeps changing its document (a clock, say) is let settle before it is
// read all the same.
constexpr std::chrono::seconds changingLimit{3};
// How long a page waits with files on their way and nothing arriving before it is read all the
// same: the modules a module imports have no element to report them. Files that do arrive come
// in milliseconds, even on a busy machine.
constexpr std::chrono::seconds stallLimit{2};
// A renderer given its document runs the page's scripts in a few milliseconds at the earliest.
constexpr std::chrono::milliseconds rendererWatchInterval{5};
const QString textSoFarScript = QStringLiteral(
    "window.quillmereTextTaken || location.protocol == 'about:' ? null"
    " : document.body ? document.body.innerText : ''");

// The window a desktop browser gives a page, in CSS pixels.
constexpr int pageWidth = 1280;
constexpr int pageHeight = 720;

// The engine reports the display's own screen; a page sees one of the window's size instead.
QWebEngineScript desktopScreenScript()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("desktop screen"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(
        QStringLiteral(
            "(() => { const size = { width: %1, height: %2, availWidth: %1, availHeight: %2 };"
            " for (const name in size) Object.defineProperty(Screen.prototype, name,"
            " { get: () => size[name], configurable: true }); })();")
            .arg(pageWidth)
            .arg(pageHeight));
    return script;
}

// Counts the changes to the document: a page is settled only once it no longer changes.
QWebEngineScript changeCountScript()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("change count"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setSourceCode(QStringLiteral(
        "(() => { let count = 0; new MutationObserver(() => ++count).observe(document,"
        " { subtree: true, childList: true, characterData: true, attributes: true });"
        " window.quillmereChanges = () => count; })();"));
    return script;
}

// Reports, from every frame, each script or frame element whose file has arrived (and, for a
// script, run) or failed: its "load" or "error" event, heard before the page's own listeners.
// The report is the mark and the element's URL, logged to the console.
QWebEngineScript arrivalReportScript(const QString &mark)
{
    QWebEngineScript script;
    script.setName(QStringLiteral("arrival report"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(
        QStringLiteral(
            "(() => { const awaited = ['SCRIPT', 'IFRAME', 'FRAME', 'OBJECT'];"
            " const report = event => { if (!awaited.includes(event.target.tagName)) return;"
            " const url = event.target.src || event.target.data;"
            " if (typeof url == 'string' && url) console.log('%1 ' + url); };"
            " document.addEventListener('load', report, true);"
            " document.addEventListener('error', report, true); })();")
            .arg(mark));
    return script;
}

// How the page is served: as its type, and a file that is no page as HTML. HTML comes with the
// encoding the fast engine reads it in, decided by the current rules of browsers, so that the
// engine here, older, does not guess otherwise: it would read a page whose <meta charset> comes
// late in its head, or whose first byte that is not ASCII comes late, as windows-1252.
QByteArray documentTypeOf(const QString &absolutePath, const FileType &type)
{
    if (type.isPage() && type.mimeType != "text/html")
        return type.mimeType;
    const RegularFileRead read = readRegularFile(absolutePath, maxPageBytes);
    if (read.status != RegularFileRead::Status::Read)
        return QByteArrayLiteral("text/html");
    const QByteArray charset = decidedCharset(read.bytes);
    return charset.isEmpty() ? QByteArrayLiteral("text/html") : "text/html; charset=" + charset;
}

// cleanPath() works on the text alone; QFileInfo would pass the name through Qt's own encoding,
// which loses bytes that are not UTF-8.
QString absoluteCleanPath(const QString &path)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path);
}

// A local file by its path, as the user knows it.
QString placeNamed(const QUrl &url)
{
    const bool isLocal = url.scheme() == QLatin1String("file")
        || url.scheme() == QLatin1String(LocalFileSchemeHandler::schemeName);
    return isLocal ? LocalFileSchemeHandler::fileForUrl(url) : url.toString();
}

} // namespace

BrowserPageLoader::BrowserPageLoader(QObject *parent) : PageLoader(parent)
{
    connect(&m_fileHandler, &LocalFileSchemeHandler::fileUnreadable, this,
            &BrowserPageLoader::onFileUnreadable);
    connect(&m_fileHandler, &LocalFileSchemeHandler::scriptSentOn, &m_requestFilter,
            &LocalOnlyRequestFilter::expectScriptSentOn);
    connect(&m_requestFilter, &LocalOnlyRequestFilter::awaitedFileRequested, this,
            &BrowserPageLoader::onAwaitedFileRequested);
    m_rendererWatch.setInterval(rendererWatchInterval);
    connect(&m_rendererWatch, &QTimer::timeout, this, &BrowserPageLoader::boundRenderer);
    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(stallLimit);
    connect(&m_stallTimer, &QTimer::timeout, this, &BrowserPageLoader::onStalled);
    startAfresh();
}

BrowserPageLoader::~BrowserPageLoader() = default;

// A new profile as well as a new page: pages of different profiles never share a renderer
// process, so a page given up on cannot hold up its successor.
void BrowserPageLoader::startAfresh()
{
    m_window.reset();
    m_page.reset();
    m_cutShort = false;
    // A profile without a storage name is off the record: it keeps nothing on disk.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->setUrlRequestInterceptor(&m_requestFilter);
    m_profile->installUrlSchemeHandler(LocalFileSchemeHandler::schemeName, &m_fileHandler);
    QWebEngineSettings *settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    // Nothing a reading needs; each is code that pages could reach otherwise.
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // As a browser does for file:, every page is an origin of its own (serialised "null"), of
    // one origin with no other file: its scripts may not look into its frames' documents, nor
    // start workers, and whatever they fetch from another file is fetched across origins.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    // For a document that declares no encoding. The engine never guesses UTF-8 by itself, but
    // from this default it still recognises legacy encodings such as windows-1252 or Shift_JIS.
    settings->setDefaultTextEncoding(QStringLiteral("UTF-8"));

    m_page = std::make_unique<HiddenPage>(m_profile.get());
    m_page->scripts().insert(desktopScreenScript());
    m_arrivalMark = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_page->scripts().insert(arrivalReportScript(m_arrivalMark));
    m_page->scripts().insert(changeCountScript());
    showThePageOffScreen();
    connect(m_page.get(), &QWebEnginePage::loadingChanged, this,
            &BrowserPageLoader::onLoadingChanged);
    connect(m_page.get(), &HiddenPage::followingOwnNavigation, this,
            &BrowserPageLoader::onFollowingOwnNavigation);
    connect(m_page.get(), &HiddenPage::refusingOwnNavigation, this,
            &BrowserPageLoader::onRefusingOwnNavigation);
    m_page->setOwnNavigationRule(
        [this](const QUrl &url) { return m_navigationRule.whyNotFollowed(url); });
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this,
            &BrowserPageLoader::onRenderProcessTerminated);
    connect(m_page.get(), &HiddenPage::consoleMessageLogged, this,
            &BrowserPageLoader::onConsoleMessage);
}

void BrowserPageLoader::showThePageOffScreen()
{
    // A page nobody sees is to the engine a tab in the background: its timers held back to
    // about once a second, no animation frames, no intersection observers, and the sections
    // it styles "content-visibility: auto" left unrendered. Shown, as in a browser window,
    // it is all of that at once. The view is shown inside a window that is shown to nobody.
    m_window = std::make_unique<QWidget>();
    m_window->setAttribute(Qt::WA_DontShowOnScreen);
    auto *view = new QWebEngineView(m_window.get());
    view->setPage(m_page.get());
    // The engine lays a page out at the display's pixel ratio, times the zoom. Zooming by its
    // inverse makes the ratio 1, and the view is sized so that the page still gets its 1280 x
    // 720 CSS pixels.
    const qreal displayRatio = view->devicePixelRatioF();
    m_page->setZoomFactor(1 / displayRatio);
    const QSize size(qRound(pageWidth / displayRatio), qRound(pageHeight / displayRatio));
    m_window->resize(size);
    view->resize(size);
    m_window->show();
}

void BrowserPageLoader::load(const QString &path)
{
    // The page is reused when it is done. One still at work, or one that has sent itself
    // elsewhere, may report the end of that after the next load has begun, and the engine
    // would take it for the end of the new one.
    if (m_state != State::Idle || m_cutShort || m_page->hasNavigatedOnItsOwn())
        startAfresh();
    ++m_loadNumber;
    m_stallTimer.stop();
    m_state = State::Loading;
    m_unreadableReason.clear();
    m_followedUrls.clear();
    m_refusedUrls.clear();
    m_requestedPageStarted = false;
    m_awaitedFiles.clear();
    const QString listedFolder = std::exchange(m_nextListedFolder, {});
    if (path.isEmpty()) {
        // It would name the URL of no file, and the engine would never report on it.
        fail(tr("No file name was given"));
        return;
    }
    m_requestedFile = absoluteCleanPath(path);
    m_fileHandler.setDocumentPath(m_requestedFile);
    m_navigationRule.setRequestedPage(
        m_requestedFile, listedFolder.isEmpty() ? QString() : absoluteCleanPath(listedFolder));
    // Parsed as the browser parses it from disk; a file that is no page is read as HTML.
    const FileType type = fileTypeOfFile(m_requestedFile);
    m_fileHandler.setDocumentType(documentTypeOf(m_requestedFile, type));
    m_isArchive = type.kind == PageKind::Mhtml;
    m_requestFilter.setArchivePath(m_isArchive ? m_requestedFile : QString());
    // Scripting stays on for a page that runs nothing, for it changes what the page shows: a
    // <canvas> hides its fallback content, a <noscript> its own. Nothing in such a page reads
    // what its elements use, so those need no detour.
    // A page saved as one file runs no scripts in a browser either.
    const bool runsScripts = !m_isArchive && !isScriptFreePage(m_requestedFile);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, !m_isArchive);
    m_requestFilter.setPageRunsScripts(runsScripts);
    m_page->setFollowsOwnNavigations(true);
    m_rendererWatch.start();
    m_page->load(m_isArchive ? LocalFileSchemeHandler::fileUrlForFile(m_requestedFile)
                             : LocalFileSchemeHandler::urlForFile(m_requestedFile));
}

void BrowserPageLoader::setListedFolder(const QString &folder)
{
    m_nextListedFolder = folder;
}

void BrowserPageLoader::readTextSoFar()
{
    if (m_state != State::Loading && m_state != State::Settling)
        return;
    m_cutShort = true;
    readText(textSoFarScript, NoTextIfNone);
}

void BrowserPageLoader::abandon()
{
    ++m_loadNumber;
    m_stallTimer.stop();
    m_rendererWatch.stop();
    m_state = State::Idle;
    startAfresh();
}

void BrowserPageLoader::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (m_state != State::Loading && m_state != State::Settling)
        return;
    const bool requested = isRequestedPage(info.url());
    if (requested && info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        m_requestedPageStarted = true;
    if (m_refusedUrls.contains(info.url())) {
        // The page stays where it was, and the engine reports the end of its loading no more.
        if (m_state == State::Loading && hasEnded(info))
            letPageSettle();
        return;
    }
    if (!requested && !m_followedUrls.contains(info.url())) {
        // The engine goes to some URLs without asking: about:blank, or about:blank#blocked in
        // place of a URL it refuses.
        if (m_requestedPageStarted)
            onEngineOwnNavigation(info);
        return;
    }
    if (m_state != State::Loading)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // The document left behind reports nothing more.
        m_awaitedFiles.clear();
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (requested) {
            fail(m_unreadableReason.isEmpty() ? info.errorString() : m_unreadableReason);
            return;
        }
        // Where the page wanted to go could not be loaded, so it is still where it was.
        letPageSettle();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        letPageSettle();
        return;
    }
}

// Such a document is one of the engine's own, with no script of the page's to wait for: its
// text is what a browser shows there (none, for about:blank). One that failed to load left the
// page where it was.
void BrowserPageLoader::onEngineOwnNavigation(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
        readText(bodyTextScript, EmptyTextIfNone);
    else if (m_state == State::Loading && hasEnded(info))
        letPageSettle();
}

// The engine does not report a renderer when it starts, so its process is looked for as the page
// loads, from before the renderer has its document: what a page does is bounded from its start.
void BrowserPageLoader::boundRenderer()
{
    const qint64 pid = m_page->renderProcessPid();
    if (pid <= 0)
        return;
    m_rendererWatch.stop();
    if (pid != m_boundRendererPid && boundRendererMemory(pid))
        m_boundRendererPid = pid;
}

bool BrowserPageLoader::isRequestedPage(const QUrl &url) const
{
    // The engine gives back its own spelling of the URL; the decoded path is what both share.
    const QLatin1String scheme(m_isArchive ? "file" : LocalFileSchemeHandler::schemeName);
    return url.scheme() == scheme && LocalFileSchemeHandler::fileForUrl(url) == m_requestedFile;
}

void BrowserPageLoader::onFollowingOwnNavigation(const QUrl &url)
{
    m_followedUrls.append(url);
}

void BrowserPageLoader::onRefusingOwnNavigation(const QUrl &url, const QString &why)
{
    m_refusedUrls.append(url);
    if (!why.isEmpty() && m_state == State::Loading)
        emit pageNoted(
            tr("it sent itself to %1, which was not followed: %2").arg(placeNamed(url), why));
}

void BrowserPageLoader::onFileUnreadable(const QString &absolutePath, const QString &reason)
{
    if (absolutePath == m_requestedFile)
        m_unreadableReason = reason;
}

void BrowserPageLoader::onRenderProcessTerminated(
    QWebEnginePage::RenderProcessTerminationStatus status)
{
    if (m_state == State::Idle)
        return;
    // A page past its memory ends its renderer as a crash does; nothing tells the two apart.
    if (status == QWebEnginePage::CrashedTerminationStatus)
        fail(tr("The page's renderer crashed before the page was read (as it does when a page "
                "needs more than %1 MB of memory)")
                 .arg(rendererDataMegabytes));
    else
        fail(tr("The page's renderer stopped before the page was read"));
}

void BrowserPageLoader::onAwaitedFileRequested(const QString &absolutePath)
{
    ++m_awaitedFiles[absolutePath];
    takeNews();
}

void BrowserPageLoader::takeNews()
{
    ++m_newsCount;
    if (m_stallTimer.isActive()) {
        m_stallTimer.stop();
        startSettleRounds(AfterActivity);
    }
}

// The page is read once no file it asked for is still on its way and a settling round (frames
// and timers) has passed with nothing asked for or arriving meanwhile and no change to its
// document; whatever arrives or changes sets off another, changes only for a while.
// Elements report arrivals from inside the page, so that what a script does once it has run is
// asked for before the report of its arrival comes: however slow the machine, a page that loads
// its parts one after another is read only after the last.
void BrowserPageLoader::letPageSettle()
{
    // An archive runs no script, not even the settling one, and is drawn once loaded. Any
    // other page settles, one without scripts too: what it shows of its sections styled
    // "content-visibility: auto" is decided in its first frames.
    if (m_isArchive) {
        readText(bodyTextScript, EmptyTextIfNone);
        return;
    }
    m_state = State::Settling;
    m_page->setFollowsOwnNavigations(false);
    m_settlingTime.start();
    startSettleRounds(FirstRounds);
}

void BrowserPageLoader::startSettleRounds(SettleRounds rounds)
{
    m_newsCountAtRounds = m_newsCount;
    m_settledMark = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const auto timersWaitedFor = rounds == AfterActivity ? timersSetForUpTo
                                                         : std::chrono::milliseconds(0);
    m_page->runJavaScript(settleScript.arg(m_settledMark).arg(timersWaitedFor.count()),
                          QWebEngineScript::ApplicationWorld);
}

void BrowserPageLoader::onSettleRoundsDone(bool documentChanged)
{
    const bool stillChanging = documentChanged
        && !m_settlingTime.hasExpired(std::chrono::milliseconds(changingLimit).count());
    if (m_newsCount != m_newsCountAtRounds || stillChanging)
        startSettleRounds(AfterActivity);
    else if (m_awaitedFiles.isEmpty())
        readText(bodyTextScript, EmptyTextIfNone);
    else
        m_stallTimer.start(); // the next news sets off three more rounds
}

void BrowserPageLoader::onStalled()
{
    if (m_state == State::Settling)
        readText(bodyTextScript, EmptyTextIfNone);
}

// A message of the page's own that happens to start with a mark is one it could not have
// known: the marks are made anew for each page, in a world the page cannot look into.
void BrowserPageLoader::onConsoleMessage(const QString &message)
{
    if (message.startsWith(m_arrivalMark + u' '))
        onFileArrived(
            LocalFileSchemeHandler::fileForUrl(QUrl(message.sliced(m_arrivalMark.size() + 1))));
    else if (m_state == State::Settling && message.startsWith(m_settledMark + u' '))
        onSettleRoundsDone(message.endsWith(u"true"));
}

void BrowserPageLoader::onFileArrived(const QString &absolutePath)
{
    auto awaited = m_awaitedFiles.find(absolutePath);
    if (awaited != m_awaitedFiles.end() && --awaited.value() == 0)
        m_awaitedFiles.erase(awaited);
    takeNews();
}

void BrowserPageLoader::readText(const QString &script, MissingText missingText)
{
    m_stallTimer.stop();
    m_rendererWatch.stop();
    m_state = State::ReadingText;
    m_page->setFollowsOwnNavigations(false);
    const quint64 loadNumber = m_loadNumber;
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [this, loadNumber, missingText](const QVariant &result) {
        if (loadNumber == m_loadNumber)
            takeBodyText(result, missingText);
    });
}

void BrowserPageLoader::takeBodyText(const QVariant &result, MissingText missingText)
{
    // Not a string when the page went away meanwhile, or when the text so far would have been
    // that of another page.
    if (result.typeId() != QMetaType::QString && missingText == NoTextIfNone) {
        fail(tr("The page gave no text"));
        return;
    }
    const QString text = result.toString();
    m_state = State::Idle;
    emit pageLoaded(text.isNull() ? QLatin1String("") : text);
}

void BrowserPageLoader::fail(const QString &reason)
{
    m_stallTimer.stop();
    m_rendererWatch.stop();
    m_page->setFollowsOwnNavigations(false);
    m_state = State::Idle;
    emit pageFailed(reason);
}
