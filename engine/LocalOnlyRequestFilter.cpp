#include "engine/LocalOnlyRequestFilter.h"

#include "engine/LocalFileSchemeHandler.h"

#include <QUrl>

void LocalOnlyRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    static const QStringList localSchemes = {
        QString::fromLatin1(LocalFileSchemeHandler::schemeName), QStringLiteral("file"),
        QStringLiteral("data"), QStringLiteral("about"), QStringLiteral("blob")};
    info.block(!localSchemes.contains(info.requestUrl().scheme()));
}
