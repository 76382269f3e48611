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

namespace {

// Characters a URL keeps the same in every serialization.
bool isPlainUrl(QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
            || (u >= u'0' && u <= u'9') || QStringView(u"-._~:/?#[]@!$&'()*+,;=%").contains(c);
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

std::optional<QString> resolvedBrowserUrl(const QString &base, const QString &attribute)
{
    const QString trimmed = attribute.trimmed();
    if (!isPlainUrl(trimmed) || trimmed.contains(u'%'))
        return std::nullopt;
    const QUrl resolved = QUrl(base).resolved(QUrl(trimmed));
    if (resolved.isLocalFile()) {
        std::optional<QString> address = browserUrl(resolved.adjusted(QUrl::RemoveFragment));
        if (address && resolved.hasFragment())
            *address += u'#' + resolved.fragment(QUrl::FullyEncoded);
        return address;
    }
    if (resolved.scheme() != u"http" && resolved.scheme() != u"https")
        return std::nullopt;
    // The browser leaves out a scheme's own port and gives an empty path as "/".
    if (resolved.port() != -1 || !resolved.userInfo().isEmpty())
        return std::nullopt;
    QUrl address = resolved;
    if (address.path().isEmpty())
        address.setPath(QStringLiteral("/"));
    return address.toString(QUrl::FullyEncoded);
}
