#include "BrowserAddress.h"

#include "BrowserValues.h"

#include "platform/FileNames.h"

#include <cctype>

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

bool isUnreserved(char16_t u)
{
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
        || u == u'-' || u == u'.' || u == u'_' || u == u'~';
}

// Characters a URL keeps the same in every serialization; a percent escape too, unless it
// stands for a character some serializations write plain.
bool isPlainUrl(QStringView text)
{
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        const char16_t u = c.unicode();
        if (u == u'%') {
            const QStringView digits = text.mid(at + 1, 2);
            const auto isHex = [](QChar digit) { return isxdigit(digit.unicode()) != 0; };
            if (digits.size() != 2 || !isHex(digits[0]) || !isHex(digits[1])
                || isUnreserved(char16_t(digits.toInt(nullptr, 16))))
                return false;
            continue;
        }
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
    if (!isPlainUrl(trimmed))
        return std::nullopt;
    // A URL of a scheme with an opaque path is kept as written, its scheme in lower case.
    for (QLatin1String scheme : {QLatin1String("javascript:"), QLatin1String("mailto:")}) {
        if (trimmed.startsWith(scheme, Qt::CaseInsensitive))
            return QString(scheme) + trimmed.mid(scheme.size());
    }
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
