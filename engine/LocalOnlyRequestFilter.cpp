#include "engine/LocalOnlyRequestFilter.h"

#include "engine/LocalFileSchemeHandler.h"

#include <QUrl>

void LocalOnlyRequestFilter::setArchivePath(const QString &absolutePath)
{
    m_archivePath = absolutePath;
}

void LocalOnlyRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    // The engine's own file:// loader would read a pipe or a device as readily as a file; such
    // requests go to our own handler, which serves regular files only.
    if (info.requestUrl().scheme() == QLatin1String("file")) {
        if (!m_archivePath.isEmpty()
            && LocalFileSchemeHandler::fileForUrl(info.requestUrl()) == m_archivePath)
            return;
        info.redirect(LocalFileSchemeHandler::urlForFile(
            LocalFileSchemeHandler::fileForUrl(info.requestUrl())));
        return;
    }
    static const QStringList localSchemes = {
        QString::fromLatin1(LocalFileSchemeHandler::schemeName), QStringLiteral("data"),
        QStringLiteral("about"), QStringLiteral("blob")};
    info.block(!localSchemes.contains(info.requestUrl().scheme()));
}
