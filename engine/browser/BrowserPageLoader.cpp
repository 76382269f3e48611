#include "engine/browser/BrowserPageLoader.h"

#include "engine/browser/HiddenPage.h"
#include "engine/PageType.h"
#include "engine/ScriptFreePage.h"
#include "platform/FileNames.h"

#include <QDir>
#include <QUuid>
#include <QVariant>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Run in an isolated world, where the page's own scripts cannot replace what it calls nor see
// the mark it leaves: a document whose text was taken is marked, so that a later read of text
// so far, made before the next page has replaced it, knows it for the previous page's.
const QString bodyTextScript = QStringLiteral(
    "window.quillmereTextTaken = true; document.body ? document.body.innerText : ''");
// Three rounds of the page's timers: work that the page put off (jQuery runs its "ready"
// handlers from a timer, and so do many pages; a script that arrived may insert the next one
// from a timer) is done by then, as it is before a user looks at the page. Their end is told by
// a request, which reaches the request filter after every request the page made before it. The
// page's own scripts cannot see the mark, nor change the functions called here.
const QString settleScript = QStringLiteral(
    "setTimeout(() => setTimeout(() => setTimeout(() => {"
    " const request = new XMLHttpRequest(); request.open('GET', '%1'); request.send(); })))");
// How long a page waits with files on their way and nothing arriving before it is read all the
// same: the modules a module imports have no element to report them. Files that do arrive come
// in milliseconds, even on a busy machine.
constexpr std::chrono::seconds stallLimit{2};
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
    script.setSourceCode(QStringLiteral(
        "(() => { const size = { width: %1, height: %2, availWidth: %1, availHeight: %2 };"
        " for (const name in size) Object.defineProperty(Screen.prototype, name,"
        " { get: () => size[name], configurable: true }); })();")
                             .arg(pageWidth)
                             .arg(pageHeight));
    return script;
}

// Reports, from every frame, each script or frame element whose file has arrived (and, for a
// script, run) or failed: its "load" or "error" event, heard before the page's own listeners. The
// report is a request, so that it reaches the request filter in its order among the page's.
QWebEngineScript arrivalReportScript(const QUrl &markUrl)
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
            " if (typeof url != 'string' || !url) return; const request = new XMLHttpRequest();"
            " request.open('GET', '%1?' + encodeURIComponent(url)); request.send(); };"
            " document.addEventListener('load', report, true);"
            " document.addEventListener('error', report, true); })();")
            .arg(markUrl.toString()));
    return script;
}

} // namespace

BrowserPageLoader::BrowserPageLoader(QObject *parent)
    : PageLoader(parent)
{
    connect(&m_fileHandler, &LocalFileSchemeHandler::fileUnreadable, this,
            &BrowserPageLoader::onFileUnreadable);
    connect(&m_requestFilter, &LocalOnlyRequestFilter::awaitedFileRequested, this,
            &BrowserPageLoader::onAwaitedFileRequested);
    connect(&m_requestFilter, &LocalOnlyRequestFilter::markRequested, this,
            &BrowserPageLoader::onMarkRequested);
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
    m_view.reset();
    m_page.reset();
    m_cutShort = false;
    // A profile without a storage name is off the record: it keeps nothing on disk.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->setUrlRequestInterceptor(&m_requestFilter);
    m_profile->installUrlSchemeHandler(LocalFileSchemeHandler::schemeName, &m_fileHandler);
    QWebEngineSettings *settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
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
    m_page->scripts().insert(arrivalReportScript(LocalOnlyRequestFilter::markUrl(m_arrivalMark)));
    giveThePageItsSize();
    // The engine treats a page nobody sees as a tab in the background and holds its timers
    // back to about once a second. Work a page does from a timer (jQuery runs its "ready"
    // handlers from one) would then be done before the text is read or after it, as timing
    // has it. In front, as in a browser window, it is done at once.
    m_page->setVisible(true);
    connect(m_page.get(), &QWebEnginePage::loadingChanged, this,
            &BrowserPageLoader::onLoadingChanged);
    connect(m_page.get(), &HiddenPage::followingOwnNavigation, this,
            &BrowserPageLoader::onFollowingOwnNavigation);
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this,
            &BrowserPageLoader::onRenderProcessTerminated);
}

void BrowserPageLoader::giveThePageItsSize()
{
    // The engine lays a page out at the display's pixel ratio, times the zoom. Zooming by its
    // inverse makes the ratio 1, and the view is sized so that the page still gets its 1280 x
    // 720 CSS pixels.
    m_view = std::make_unique<QWebEngineView>();
    m_view->setPage(m_page.get());
    const qreal displayRatio = m_view->devicePixelRatioF();
    m_page->setZoomFactor(1 / displayRatio);
    m_view->resize(qRound(pageWidth / displayRatio), qRound(pageHeight / displayRatio));
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
    m_awaitedFiles.clear();
    if (path.isEmpty()) {
        // It would name the URL of no file, and the engine would never report on it.
        fail(tr("No file name was given"));
        return;
    }
    // cleanPath() works on the text alone; QFileInfo would pass the name through Qt's own
    // encoding, which loses bytes that are not UTF-8.
    m_requestedFile = QDir::cleanPath(QDir::isAbsolutePath(path)
                                          ? path
                                          : QDir::currentPath() + u'/' + path);
    m_fileHandler.setDocumentPath(m_requestedFile);
    // Parsed as the browser parses it from disk; a file that is no page is read as HTML.
    const FileType type = fileTypeOfFile(m_requestedFile);
    m_fileHandler.setDocumentType(type.isPage() ? type.mimeType : QByteArrayLiteral("text/html"));
    m_isArchive = type.kind == PageKind::Mhtml;
    m_requestFilter.setArchivePath(m_isArchive ? m_requestedFile : QString());
    // A page that runs nothing loads with scripts off, which changes nothing of its text but
    // makes sure that nothing in it can read what its elements use; those then need no detour.
    m_runsScripts = !m_isArchive && !isScriptFreePage(m_requestedFile);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, m_runsScripts);
    m_requestFilter.setPageRunsScripts(m_runsScripts);
    m_page->setFollowsOwnNavigations(true);
    m_page->load(m_isArchive ? LocalFileSchemeHandler::fileUrlForFile(m_requestedFile)
                             : LocalFileSchemeHandler::urlForFile(m_requestedFile));
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
    m_state = State::Idle;
    startAfresh();
}

void BrowserPageLoader::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    const bool requested = isRequestedPage(info.url());
    // Any other URL is that of a navigation the page was refused.
    if (m_state != State::Loading || (!requested && !m_followedUrls.contains(info.url())))
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

void BrowserPageLoader::onFileUnreadable(const QString &absolutePath, const QString &reason)
{
    if (absolutePath == m_requestedFile)
        m_unreadableReason = reason;
}

void BrowserPageLoader::onRenderProcessTerminated()
{
    if (m_state != State::Idle)
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
        startSettleRounds();
    }
}

// The page is read once no file it asked for is still on its way and three rounds of its timers
// have passed with nothing asked for or arriving meanwhile; whatever arrives sets off three more.
// Elements report arrivals from inside the page, so that what a script does once it has run is
// asked for before the report of its arrival comes: however slow the machine, a page that loads
// its parts one after another is read only after the last.
void BrowserPageLoader::letPageSettle()
{
    // A page that runs no script, as an archive, has nothing left to do once loaded; nor do the
    // timers of the settling script run in it.
    if (!m_runsScripts) {
        readText(bodyTextScript, EmptyTextIfNone);
        return;
    }
    m_state = State::Settling;
    m_page->setFollowsOwnNavigations(false);
    startSettleRounds();
}

void BrowserPageLoader::startSettleRounds()
{
    m_newsCountAtRounds = m_newsCount;
    m_settledMark = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString markUrl = LocalOnlyRequestFilter::markUrl(m_settledMark).toString();
    m_page->runJavaScript(settleScript.arg(markUrl), QWebEngineScript::ApplicationWorld);
}

void BrowserPageLoader::onSettleRoundsDone()
{
    if (m_newsCount != m_newsCountAtRounds)
        startSettleRounds();
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

void BrowserPageLoader::onMarkRequested(const QString &mark, const QString &detail)
{
    if (mark == m_arrivalMark)
        onFileArrived(LocalFileSchemeHandler::fileForUrl(QUrl(detail)));
    else if (m_state == State::Settling && mark == m_settledMark)
        onSettleRoundsDone();
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
    m_page->setFollowsOwnNavigations(false);
    m_state = State::Idle;
    emit pageFailed(reason);
}
