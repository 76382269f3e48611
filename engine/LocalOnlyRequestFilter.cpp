#include "engine/LocalOnlyRequestFilter.h"

#include "engine/LocalFileSchemeHandler.h"

#include <QUrl>

void LocalOnlyRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    // The engine's own file:// loader would read a pipe or a device as readily as a file; such
    // requests go to our own handler, which serves regular files only.
    if (info.requestUrl().scheme() == QLatin1String("file")) {
        info.redirect(LocalFileSchemeHandler::urlForFile(
            LocalFileSchemeHandler::fileForUrl(info.requestUrl())));
        return;
    }
    static const QStringList localSchemes = {
        QString::fromLatin1(LocalFileSchemeHandler::schemeName), QStringLiteral("data"),
        QStringLiteral("about"), QStringLiteral("blob")};
    info.block(!localSchemes.contains(info.requestUrl().scheme()));
}
