#include "engine/browser/LocalOnlyRequestFilter.h"

#include "engine/browser/LocalFileSchemeHandler.h"
#include "platform/RegularFile.h"

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

// Only regular files outside the kernel's own file systems are served: a pipe would keep its
// reader waiting for a writer for good, a device such as /dev/zero never ends, and a file of the
// kernel's (/proc/self/environ) is no page nor anything a page uses.
bool isServableFile(const QString &path)
{
    const RegularFile file(path);
    return file.isOpen() && !file.isOnKernelFileSystem();
}

// A redirected request keeps its type, which keeps a redirect of one kind of request from being
// taken for that of another.
QString redirectKey(Info::ResourceType type, const QUrl &target)
{
    return QString::number(type) + u':' + target.scheme() + u':'
        + LocalFileSchemeHandler::fileForUrl(target);
}

} // namespace

void LocalOnlyRequestFilter::setArchivePath(const QString &absolutePath)
{
    m_archivePath = absolutePath;
}

void LocalOnlyRequestFilter::setPageRunsScripts(bool runs)
{
    m_pageRunsScripts = runs;
}

void LocalOnlyRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QString scheme = info.requestUrl().scheme();
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
    const auto redirected = m_redirectsUnderWay.find(redirectKey(type, info.requestUrl()));
    const bool sentOnByHandler = isFileUrl && type == Info::ResourceTypeScript
        && m_scriptsSentOn.remove(info.requestUrl().query()) > 0;
    const bool counted = redirected != m_redirectsUnderWay.end() || sentOnByHandler;
    if (redirected != m_redirectsUnderWay.end())
        m_redirectsUnderWay.erase(redirected);
    // Documents come from our own handler, which answers the page asked for as HTML and serves
    // regular files only; the engine's file:// loader would read a pipe as readily as a file.
    if (isDocument(type)) {
        // A page saved as one file opens as the archive it is only from its file:// URL.
        if (isFileUrl && !m_archivePath.isEmpty() && path == m_archivePath)
            return;
        // A frame that fails to load fires no event.
        if (type == Info::ResourceTypeSubFrame && !counted && isServableFile(path))
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
    if (isReadByScript(type) || !isServableFile(path)) {
        info.block(true);
        return;
    }
    if (isAwaited(type) && !counted)
        emit awaitedFileRequested(path);
    // Every script passes our handler, which alone sees how it is asked for: only what it sends
    // on to the engine's loader gets there.
    if (type == Info::ResourceTypeScript) {
        if (!sentOnByHandler && !LocalFileSchemeHandler::isScriptUrl(info.requestUrl()))
            redirect(info, LocalFileSchemeHandler::scriptUrlForFile(path));
        return;
    }
    if (!isFileUrl && (m_pageRunsScripts || !reachesPageOnlyThroughScripts(type)))
        redirect(info, LocalFileSchemeHandler::fileUrlForFile(path));
}

void LocalOnlyRequestFilter::expectScriptSentOn(const QUrl &fileUrl)
{
    m_scriptsSentOn.insert(fileUrl.query());
}

void LocalOnlyRequestFilter::redirect(QWebEngineUrlRequestInfo &info, const QUrl &target)
{
    m_redirectsUnderWay.insert(redirectKey(info.resourceType(), target));
    info.redirect(target);
}
