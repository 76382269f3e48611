#include "engine/LocalOnlyRequestFilter.h"

#include "engine/LocalFileSchemeHandler.h"
#include "platform/FileNames.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
// report when they are done.
bool isAwaited(Info::ResourceType type)
{
    return type == Info::ResourceTypeScript || type == Info::ResourceTypeStylesheet
        || type == Info::ResourceTypeSubFrame;
}

// A pipe would keep its reader waiting for a writer for good, and a device such as /dev/zero
// never ends. Opening does not wait even for a pipe.
bool isReadableRegularFile(const QString &path)
{
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

QUrl fileUrlFor(const QString &absolutePath)
{
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    // As for our own scheme: every byte that is not plain ASCII stays the byte it was.
    url.setPath(QString::fromLatin1(encodeFileName(absolutePath).toPercentEncoding("/")),
                QUrl::TolerantMode);
    return url;
}

} // namespace

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
    // Documents come from our own handler, which answers the page asked for as HTML and serves
    // regular files only; the engine's file:// loader would read a pipe as readily as a file.
    if (isDocument(type)) {
        if (isFileUrl)
            info.redirect(LocalFileSchemeHandler::urlForFile(path));
        else if (type == Info::ResourceTypeSubFrame)
            emit awaitedFileRequested(path);
        return;
    }
    // A file's contents never reach a page's scripts. Our own handler serves files without the
    // checks across origins the engine makes for file:, so it never serves what a page's
    // elements use either: the engine's file:// loader does, and marks what it serves as of
    // another origin, so that scripts neither read a style sheet's rules nor learn a script's
    // text from its errors, and whatever asks to share a file with the page is refused.
    if (isReadByScript(type) || isDataAsScript(type, path) || !isReadableRegularFile(path)) {
        info.block(true);
        return;
    }
    // The redirected request comes back here as a file:// one, and is counted then.
    if (!isFileUrl)
        info.redirect(fileUrlFor(path));
    else if (isAwaited(type))
        emit awaitedFileRequested(path);
}
