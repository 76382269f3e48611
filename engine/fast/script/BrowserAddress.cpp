#include "BrowserAddress.h"

#include "BrowserValues.h"

#include "platform/FileNames.h"

QString browserOrigin()
{
    return QStringLiteral("%1://%2").arg(QLatin1String(BrowserValues::pageScheme),
                                         QLatin1String(BrowserValues::pageHost));
}

std::optional<QString> browserPath(const QUrl &url)
{
    if (!url.isValid() || !url.isLocalFile() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    // Every byte of the name that is not plain ASCII is percent-encoded, as the browser engine
    // is given the address.
    return QString::fromLatin1(encodeFileName(url.toLocalFile()).toPercentEncoding("/"));
}

std::optional<QString> browserUrl(const QUrl &url)
{
    const std::optional<QString> path = browserPath(url);
    if (!path)
        return std::nullopt;
    return browserOrigin() + *path;
}
