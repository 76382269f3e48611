#include "engine/LocalFileSchemeHandler.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMimeType>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

const QByteArray LocalFileSchemeHandler::schemeName = QByteArrayLiteral("quillmere-file");

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
    url.setHost(QStringLiteral("local"));
    // Decoded mode, so that "#", "?" and "%" in a file name stay part of the path.
    url.setPath(absolutePath, QUrl::DecodedMode);
    return url;
}

void LocalFileSchemeHandler::setDocumentPath(const QString &absolutePath)
{
    m_documentPath = absolutePath;
}

void LocalFileSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QString path = job->requestUrl().path(QUrl::FullyDecoded);
    // Owned by the job: the engine reads it until the job is gone.
    auto *file = new QFile(path, job);
    if (!file->open(QIODevice::ReadOnly)) {
        emit fileUnreadable(path, file->errorString());
        job->fail(QFile::exists(path) ? QWebEngineUrlRequestJob::RequestDenied
                                      : QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply(contentTypeFor(path), file);
}

QByteArray LocalFileSchemeHandler::contentTypeFor(const QString &absolutePath) const
{
    // No charset: the document's own byte-order mark or <meta charset> decides, as in a browser.
    if (absolutePath == m_documentPath)
        return QByteArrayLiteral("text/html");
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(absolutePath, QMimeDatabase::MatchExtension);
    return type.name().toLatin1();
}
