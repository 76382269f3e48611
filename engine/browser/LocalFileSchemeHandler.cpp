#include "engine/browser/LocalFileSchemeHandler.h"

#include "platform/FileNames.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QMap>
#include <QMimeDatabase>
#include <QMimeType>
#include <QUuid>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <cerrno>

const QByteArray LocalFileSchemeHandler::schemeName = QByteArrayLiteral("quillmere-file");

namespace {

const QString pageHost = QStringLiteral("local");
const QString scriptHost = QStringLiteral("script");

} // namespace

void LocalFileSchemeHandler::registerScheme()
{
    QWebEngineUrlScheme scheme(schemeName);
    // With one host for every file all pages are of one site, so the engine keeps loading them
    // in the same renderer process; a path-only URL would make each file a site of its own and
    // cost a new process per file, several times slower.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Local like file://: pages may use files beside them, and nothing remote may use them.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl LocalFileSchemeHandler::urlForFile(const QString &absolutePath)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(schemeName));
    url.setHost(pageHost);
    // Every byte of the name that is not plain ASCII is percent-encoded, so that "#", "?", "%"
    // and bytes that are not UTF-8 all stay part of the path and come back as they were.
    url.setPath(QString::fromLatin1(encodeFileName(absolutePath).toPercentEncoding("/")),
                QUrl::TolerantMode);
    return url;
}

QUrl LocalFileSchemeHandler::fileUrlForFile(const QString &absolutePath)
{
    QUrl url = urlForFile(absolutePath);
    url.setScheme(QStringLiteral("file"));
    url.setHost(QString());
    return url;
}

QUrl LocalFileSchemeHandler::scriptUrlForFile(const QString &absolutePath)
{
    QUrl url = urlForFile(absolutePath);
    url.setHost(scriptHost);
    return url;
}

bool LocalFileSchemeHandler::isScriptUrl(const QUrl &url)
{
    return url.scheme() == QLatin1String(schemeName) && url.host() == scriptHost;
}

QString LocalFileSchemeHandler::fileForUrl(const QUrl &url)
{
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

void LocalFileSchemeHandler::setDocumentPath(const QString &absolutePath)
{
    m_documentPath = absolutePath;
}

void LocalFileSchemeHandler::setDocumentType(const QByteArray &mimeType)
{
    m_documentType = mimeType;
}

void LocalFileSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QString path = fileForUrl(job->requestUrl());
    if (isScriptUrl(job->requestUrl())) {
        answerScriptRequest(job, path);
        return;
    }
    // This runs on the window's thread, and the engine reads the answer there too. Only regular
    // files are served, and none of the kernel's (/proc/self/environ), which is no page nor
    // anything a page uses.
    RegularFile regular(path);
    if (!regular.isOpen()) {
        const bool cannotOpen = regular.failure() == RegularFileRead::Status::CannotOpen;
        emit fileUnreadable(path, cannotOpen ? regular.error() : tr("It is not a file"));
        job->fail(regular.errorNumber() == EACCES ? QWebEngineUrlRequestJob::RequestDenied
                                                  : QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    if (regular.isOnKernelFileSystem()) {
        emit fileUnreadable(
            path, tr("It is a file the system makes as it is read (as in /proc), not a page"));
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // Owned by the job: the engine reads it until the job is gone.
    auto *file = new QFile(job);
    file->open(regular.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    job->reply(contentTypeFor(path), file);
}

// A module script (of <script type=module> or import()) is asked for across origins, with an
// Origin header: from a page with no origin of its own, as a file: page is, a browser refuses it.
// The engine's file:// loader would serve it. Only a classic script goes on there, to be marked
// as another origin's, so that its errors do not show its text.
void LocalFileSchemeHandler::answerScriptRequest(QWebEngineUrlRequestJob *job,
                                                 const QString &absolutePath)
{
    if (job->requestHeaders().contains(QByteArrayLiteral("Origin"))) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    // Marked as this one request, with a mark no page knows before the request has arrived.
    QUrl fileUrl = fileUrlForFile(absolutePath);
    fileUrl.setQuery(QUuid::createUuid().toString(QUuid::WithoutBraces));
    emit scriptSentOn(fileUrl);
    job->redirect(fileUrl);
}

QByteArray LocalFileSchemeHandler::contentTypeFor(const QString &absolutePath) const
{
    if (absolutePath == m_documentPath)
        return m_documentType;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(absolutePath,
                                                           QMimeDatabase::MatchExtension);
    return type.name().toLatin1();
}
