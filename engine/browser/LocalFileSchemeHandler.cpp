#include "engine/browser/LocalFileSchemeHandler.h"

#include "engine/fast/dom/PageDecoding.h"
#include "platform/FileNames.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMimeType>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <cerrno>

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
    // This runs on the window's thread, and the engine reads the answer there too. Only regular
    // files are served.
    RegularFile regular(path);
    if (!regular.isOpen()) {
        const bool cannotOpen = regular.failure() == RegularFileRead::Status::CannotOpen;
        emit fileUnreadable(path, cannotOpen ? regular.error() : tr("It is not a file"));
        job->fail(regular.errorNumber() == EACCES ? QWebEngineUrlRequestJob::RequestDenied
                                                  : QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // Owned by the job: the engine reads it until the job is gone.
    auto *file = new QFile(job);
    file->open(regular.release(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    job->reply(contentTypeFor(path) + charsetFor(path, *file), file);
}

// The encoding the user chose for pages that declare none, given to the document as its charset
// when it declares none itself (which a charset sent with the file would override).
QByteArray LocalFileSchemeHandler::charsetFor(const QString &absolutePath, QFile &file) const
{
    const QByteArray label = undeclaredPageEncoding();
    if (label.isEmpty() || absolutePath != m_documentPath || m_documentType != "text/html")
        return {};
    // A <meta> declaration lies in the head, well within this much of a real page.
    constexpr qint64 declarationReach = 1 << 20;
    const QByteArray head = file.peek(declarationReach);
    const bool byteOrderMark = head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFF\xFE")
        || head.startsWith("\xFE\xFF");
    if (byteOrderMark || !declaredCharset(head).isEmpty())
        return {};
    return "; charset=" + label;
}

QByteArray LocalFileSchemeHandler::contentTypeFor(const QString &absolutePath) const
{
    // No charset: the document's own byte-order mark or <meta charset> decides, as in a browser.
    if (absolutePath == m_documentPath)
        return m_documentType;
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(absolutePath, QMimeDatabase::MatchExtension);
    return type.name().toLatin1();
}
