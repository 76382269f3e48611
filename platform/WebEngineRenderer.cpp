#include "platform/WebEngineRenderer.h"

#include "platform/HiddenPage.h"

#include <QDir>
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

bool isUrl(const QString &pathOrUrl)
{
    return pathOrUrl.startsWith(QLatin1String("about:"), Qt::CaseInsensitive)
        || pathOrUrl.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
}

} // namespace

WebEngineRenderer::WebEngineRenderer(QObject *parent)
    : QObject(parent)
{
    connect(&m_fileHandler, &LocalFileSchemeHandler::fileUnreadable, this,
            &WebEngineRenderer::onFileUnreadable);
    startAfresh();
}

WebEngineRenderer::~WebEngineRenderer() = default;

// A new profile as well as a new page: pages of different profiles never share a renderer
// process, so a page given up on cannot hold up its successor.
void WebEngineRenderer::startAfresh()
{
    m_view.reset();
    m_page.reset();
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
    // For a document that declares no encoding. The engine never guesses UTF-8 by itself, but
    // from this default it still recognises legacy encodings such as windows-1252 or Shift_JIS.
    settings->setDefaultTextEncoding(QStringLiteral("UTF-8"));

    m_page = std::make_unique<HiddenPage>(m_profile.get());
    m_page->scripts().insert(desktopScreenScript());
    giveThePageItsSize();
    connect(m_page.get(), &QWebEnginePage::loadingChanged, this,
            &WebEngineRenderer::onLoadingChanged);
    connect(m_page.get(), &HiddenPage::followingOwnNavigation, this,
            &WebEngineRenderer::onFollowingOwnNavigation);
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this,
            &WebEngineRenderer::onRenderProcessTerminated);
}

void WebEngineRenderer::giveThePageItsSize()
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

void WebEngineRenderer::setSilent(bool)
{
    // The page never asks anything anyway (see HiddenPage).
}

void WebEngineRenderer::navigate(const QString &pathOrUrl)
{
    // The page is reused when it is done. One still at work, or one that has sent itself
    // elsewhere, may report the end of that after the next navigation has begun, and the engine
    // would take it for the end of the new one.
    if (isBusy() || m_page->hasNavigatedOnItsOwn())
        startAfresh();
    startNavigation(pathOrUrl);
}

void WebEngineRenderer::startNavigation(const QString &pathOrUrl)
{
    ++m_navigation;
    m_location = pathOrUrl;
    m_state = Loading;
    m_failed = false;
    m_error.clear();
    m_unreadableReason.clear();
    m_text = QString();
    m_followedUrls.clear();
    if (pathOrUrl.isEmpty()) {
        // It would name the URL of no file, and the engine would never report on it.
        fail(tr("No file name was given"));
        return;
    }
    if (isUrl(pathOrUrl)) {
        m_requestedFile.clear();
        m_requestedUrl = QUrl(pathOrUrl);
    } else {
        // cleanPath() works on the text alone; QFileInfo would pass the name through Qt's own
        // encoding, which loses bytes that are not UTF-8.
        m_requestedFile = QDir::cleanPath(QDir::isAbsolutePath(pathOrUrl)
                                              ? pathOrUrl
                                              : QDir::currentPath() + u'/' + pathOrUrl);
        m_requestedUrl = LocalFileSchemeHandler::urlForFile(m_requestedFile);
    }
    m_fileHandler.setDocumentPath(m_requestedFile);
    m_page->setFollowsOwnNavigations(true);
    m_page->load(m_requestedUrl);
}

int WebEngineRenderer::readyState() const
{
    return m_state;
}

bool WebEngineRenderer::loadFailed() const
{
    return m_failed;
}

QString WebEngineRenderer::errorString() const
{
    return m_error;
}

QString WebEngineRenderer::bodyText() const
{
    return m_text;
}

QString WebEngineRenderer::location() const
{
    return m_location;
}

void WebEngineRenderer::readTextSoFar()
{
    if (m_state == Loading)
        readText(textSoFarScript, NoTextIfNone);
}

void WebEngineRenderer::abandonPage()
{
    ++m_navigation;
    startAfresh();
    m_location = QStringLiteral("about:blank");
    fail(tr("The page was abandoned"));
}

void WebEngineRenderer::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    const bool requested = isRequestedPage(info.url());
    // Any other URL is that of a navigation the page was refused.
    if (m_state != Loading || (!requested && !m_followedUrls.contains(info.url())))
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (requested) {
            fail(m_unreadableReason.isEmpty() ? info.errorString() : m_unreadableReason);
            return;
        }
        // Where the page wanted to go could not be loaded, so it is still where it was.
        readBodyText();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        readBodyText();
        return;
    }
}

bool WebEngineRenderer::isRequestedPage(const QUrl &url) const
{
    // The engine gives back its own spelling of the URL; the decoded path is what both share.
    if (!m_requestedFile.isEmpty())
        return url.scheme() == QLatin1String(LocalFileSchemeHandler::schemeName)
            && LocalFileSchemeHandler::fileForUrl(url) == m_requestedFile;
    return url == m_requestedUrl;
}

bool WebEngineRenderer::isBusy() const
{
    return m_state == Loading || m_state == Interactive;
}

void WebEngineRenderer::onFollowingOwnNavigation(const QUrl &url)
{
    m_followedUrls.append(url);
}

void WebEngineRenderer::onFileUnreadable(const QString &absolutePath, const QString &reason)
{
    if (absolutePath == m_requestedFile)
        m_unreadableReason = reason;
}

void WebEngineRenderer::onRenderProcessTerminated()
{
    if (isBusy())
        fail(tr("The page's renderer stopped before the page was read"));
}

void WebEngineRenderer::readBodyText()
{
    readText(bodyTextScript, EmptyTextIfNone);
}

void WebEngineRenderer::readText(const QString &script, MissingText missingText)
{
    m_state = Interactive;
    m_page->setFollowsOwnNavigations(false);
    const quint64 navigation = m_navigation;
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [this, navigation, missingText](const QVariant &result) {
                              if (navigation == m_navigation)
                                  takeBodyText(result, missingText);
                          });
}

void WebEngineRenderer::takeBodyText(const QVariant &result, MissingText missingText)
{
    // Not a string when the page went away meanwhile, or when the text so far would have been
    // that of another page.
    if (result.typeId() != QMetaType::QString && missingText == NoTextIfNone) {
        fail(tr("The page gave no text"));
        return;
    }
    m_text = result.toString();
    if (m_text.isNull())
        m_text = QLatin1String("");
    m_state = Complete;
}

void WebEngineRenderer::fail(const QString &reason)
{
    m_page->setFollowsOwnNavigations(false);
    m_failed = true;
    m_error = reason;
    m_text = QString();
    m_state = Complete;
}
