#pragma once

#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Serves local files to the engine under a scheme of our own. A plain file:// URL lets the
// engine choose by the file's name how to treat it: it shows some files as source, starts a
// download for others and rejects XHTML that is not well-formed. Here the document asked for is
// answered as HTML, or as XHTML when it is that, and the files it refers to as whatever their
// extension says. Scripts are not served here but checked (see scriptUrlForFile()).
class LocalFileSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    static const QByteArray schemeName;

    // Must run before the application object exists.
    static void registerScheme();
    static QUrl urlForFile(const QString &absolutePath);
    // The same file as a file:// URL, its bytes encoded as urlForFile() encodes them.
    static QUrl fileUrlForFile(const QString &absolutePath);
    // The same file asked for as a script: answered by refusing it as a module script, or by
    // sending it on to its file:// URL.
    static QUrl scriptUrlForFile(const QString &absolutePath);
    static bool isScriptUrl(const QUrl &url);
    // The absolute path that a URL of this scheme names, byte for byte (see FileNames.h).
    static QString fileForUrl(const QUrl &url);

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // The file to answer as HTML whatever its name; every other file gets its extension's type.
    void setDocumentPath(const QString &absolutePath);
    // What the document is answered as instead of plain HTML: HTML with a charset, XHTML, or a
    // page saved as one file.
    void setDocumentType(const QByteArray &mimeType);

    void requestStarted(QWebEngineUrlRequestJob *job) override;

signals:
    // A requested file could not be opened; reason is readable by a user ("Permission denied").
    void fileUnreadable(const QString &absolutePath, const QString &reason);
    // A script is sent on to the engine's own loader, at `fileUrl`, whose query marks the
    // request as the one sent on.
    void scriptSentOn(const QUrl &fileUrl);

private:
    QByteArray contentTypeFor(const QString &absolutePath) const;
    void answerScriptRequest(QWebEngineUrlRequestJob *job, const QString &absolutePath);

    QString m_documentPath;
    QByteArray m_documentType = QByteArrayLiteral("text/html");
};
