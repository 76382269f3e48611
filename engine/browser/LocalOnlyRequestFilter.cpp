#include "engine/browser/LocalOnlyRequestFilter.h"

#include "engine/browser/LocalFileSchemeHandler.h"
#include "platform/RegularFile.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QUrl>

namespace {

using Info = QWebEngineUrlRequestInfo;

// Requests whose answer a script reads: XMLHttpRequest and fetch() (one type for both), and the
// scripts of workers, which could read files in turn.
bool isReadByScript(Info::ResourceType type)
{
    return type == Info::ResourceTypeXhr || type == Info::ResourceTypeWorker
        || type == Info::ResourceTypeSharedWorker || type == Info::ResourceTypeServiceWorker;
}

// A module script may be JSON or a style sheet, which the importing script then reads as data.
// The engine's file:// loader answers module scripts, unlike a browser's; the script itself,
// if it is JavaScript, shows a page no more than the page's own scripts may.
bool isDataAsScript(Info::ResourceType type, const QString &path)
{
    if (type != Info::ResourceTypeScript)
        return false;
    const QMimeType mimeType = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    return mimeType.inherits(QStringLiteral("application/json"))
        || mimeType.inherits(QStringLiteral("text/css"));
}

bool isDocument(Info::ResourceType type)
{
    return type == Info::ResourceTypeMainFrame || type == Info::ResourceTypeSubFrame;
}

// What the page then waits for before its text is read, as the elements that asked for them
// report when they are done. Not style sheets: those a style sheet imports have no element.
bool isAwaited(Info::ResourceType type)
{
    return type == Info::ResourceTypeScript || type == Info::ResourceTypeSubFrame;
}

// What the engine's file:// loader is there for when a page runs no script: a style sheet's
// rules and a font's data reach the page only through scripts. A script's text, or a frame's
// document, is more than that, so what a page whose scripts are off still loads of those
// comes from that loader all the same.
bool reachesPageOnlyThroughScripts(Info::ResourceType type)
{
    return type == Info::ResourceTypeStylesheet || type == Info::ResourceTypeFontResource;
}

// Files are all on one host of our scheme; marks are on another.
const QString markHost = QStringLiteral("mark");

} // namespace

void LocalOnlyRequestFilter::setArchivePath(const QString &absolutePath)
{
    m_archivePath = absolutePath;
}

void LocalOnlyRequestFilter::setPageRunsScripts(bool runs)
{
    m_pageRunsScripts = runs;
}

QUrl LocalOnlyRequestFilter::markUrl(const QString &mark)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(LocalFileSchemeHandler::schemeName));
    url.setHost(markHost);
    url.setPath(u'/' + mark);
    return url;
}

void LocalOnlyRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QString scheme = info.requestUrl().scheme();
    if (scheme == QLatin1String(LocalFileSchemeHandler::schemeName)
        && info.requestUrl().host() == markHost) {
        info.block(true);
        const QByteArray query = info.requestUrl().query(QUrl::FullyEncoded).toLatin1();
        emit markRequested(info.requestUrl().path().mid(1), QUrl::fromPercentEncoding(query));
        return;
    }
    const bool isFileUrl = scheme == QLatin1String("file");
    if (!isFileUrl && scheme != QLatin1String(LocalFileSchemeHandler::schemeName)) {
        static const QStringList otherLocalSchemes = {
            QStringLiteral("data"), QStringLiteral("about"), QStringLiteral("blob")};
        info.block(!otherLocalSchemes.contains(scheme));
        return;
    }
    const QString path = LocalFileSchemeHandler::fileForUrl(info.requestUrl());
    const Info::ResourceType type = info.resourceType();
    // A request redirected here comes back as a new one, and was counted the first time: its
    // first time keeps its order among the page's requests.
    const auto redirected = m_redirectsUnderWay.find(scheme + u':' + path);
    const bool counted = redirected != m_redirectsUnderWay.end();
    if (counted)
        m_redirectsUnderWay.erase(redirected);
    // Documents come from our own handler, which answers the page asked for as HTML and serves
    // regular files only; the engine's file:// loader would read a pipe as readily as a file.
    if (isDocument(type)) {
        // A page saved as one file opens as the archive it is only from its file:// URL.
        if (isFileUrl && !m_archivePath.isEmpty() && path == m_archivePath)
            return;
        // A frame that fails to load fires no event.
        if (type == Info::ResourceTypeSubFrame && !counted && RegularFile(path).isOpen())
            emit awaitedFileRequested(path);
        if (isFileUrl)
            redirect(info, LocalFileSchemeHandler::urlForFile(path));
        return;
    }
    // A file's contents never reach a page's scripts. Our own handler serves files without the
    // checks across origins the engine makes for file:, so it never serves what a page's
    // elements use either: the engine's file:// loader does, and marks what it serves as of
    // another origin, so that scripts neither read a style sheet's rules nor learn a script's
    // text from its errors, and whatever asks to share a file with the page is refused.
    if (isReadByScript(type) || isDataAsScript(type, path) || !RegularFile(path).isOpen()) {
        info.block(true);
        return;
    }
    if (isAwaited(type) && !counted)
        emit awaitedFileRequested(path);
    if (!isFileUrl && (m_pageRunsScripts || !reachesPageOnlyThroughScripts(type)))
        redirect(info, LocalFileSchemeHandler::fileUrlForFile(path));
}

void LocalOnlyRequestFilter::redirect(QWebEngineUrlRequestInfo &info, const QUrl &target)
{
    m_redirectsUnderWay.insert(target.scheme() + u':' + LocalFileSchemeHandler::fileForUrl(target));
    info.redirect(target);
}
