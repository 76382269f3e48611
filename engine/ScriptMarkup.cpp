#include "engine/ScriptMarkup.h"

#include "engine/HtmlTagScanner.h"

#include <QByteArrayView>

#include <algorithm>
#include <array>

// A URL that runs a script when followed; browsers drop tabs, newlines and leading control
// characters and spaces before they look at the scheme. Every attribute of every page comes
// here, so the scheme's few characters are gathered without allocating.
bool isJavaScriptUrl(const QString &value)
{
    static constexpr qsizetype schemeSize = 11; // "javascript:"
    std::array<QChar, schemeSize> compact;
    qsizetype size = 0;
    for (QChar c : value) {
        if (c == '\t' || c == '\n' || c == '\r' || (size == 0 && c.unicode() <= 0x20))
            continue;
        compact[size_t(size++)] = c;
        if (size == schemeSize)
            break;
    }
    // The colon settles nearly every value before a comparison that folds case.
    return size == schemeSize && compact.back() == u':'
        && QStringView(compact.data(), size)
               .startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
}

bool runsOnlyOnUserAction(QStringView attributeName)
{
    // The pointer's comings and goings too: a page loaded without a pointer over it has none.
    static constexpr std::array<QLatin1StringView, 17> names{
        QLatin1StringView("onclick"),       QLatin1StringView("ondblclick"),
        QLatin1StringView("onmousedown"),   QLatin1StringView("onmouseup"),
        QLatin1StringView("onmouseover"),   QLatin1StringView("onmouseout"),
        QLatin1StringView("onmouseenter"),  QLatin1StringView("onmouseleave"),
        QLatin1StringView("onmousemove"),   QLatin1StringView("onkeydown"),
        QLatin1StringView("onkeyup"),       QLatin1StringView("onkeypress"),
        QLatin1StringView("oncontextmenu"), QLatin1StringView("onchange"),
        QLatin1StringView("oninput"),       QLatin1StringView("onsubmit"),
        QLatin1StringView("onreset")};
    const bool ascii = std::all_of(attributeName.begin(), attributeName.end(),
                                   [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        // Full Unicode lowering can turn a letter outside ASCII into one of these names' (the
        // Kelvin sign into "k").
        const QString lowered = attributeName.toString().toLower();
        return std::find(names.begin(), names.end(), lowered) != names.end();
    }
    // Every attribute of every page comes here: Qt's comparison without case folds each
    // character through Unicode's tables, where ASCII needs one subtraction.
    const auto lowered = [&](qsizetype at) {
        const char16_t c = attributeName[at].unicode();
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    };
    return std::any_of(names.begin(), names.end(), [&](QLatin1StringView name) {
        if (name.size() != attributeName.size())
            return false;
        for (qsizetype at = 0; at < name.size(); ++at) {
            if (lowered(at) != char16_t(uchar(name[at].toLatin1())))
                return false;
        }
        return true;
    });
}

bool followedOnlyOnClick(QStringView tagName, QStringView attributeName)
{
    return (tagName == u"a" || tagName == u"area")
        && attributeName.compare(u"href", Qt::CaseInsensitive) == 0;
}

bool isEventHandler(QStringView attributeName)
{
    return attributeName.startsWith(QLatin1String("on"), Qt::CaseInsensitive)
        && !runsOnlyOnUserAction(attributeName);
}

bool isRefresh(const QString &httpEquiv)
{
    return httpEquiv.trimmed().compare(QLatin1String("refresh"), Qt::CaseInsensitive) == 0;
}

std::optional<BrowserReason> scriptOutsideElementsInBytes(QByteArrayView bytes)
{
    HtmlTagScanner scanner(bytes);
    HtmlTagScanner::Tag tag;
    while (scanner.next(tag)) {
        if (tag.endTag)
            continue;
        // What a template holds never runs; the parsed document tells where it ends.
        if (tag.name == "template")
            return std::nullopt;
        QString httpEquiv;
        for (const HtmlTagScanner::Attribute &attribute : tag.attributes) {
            if (isEventHandler(QString::fromUtf8(attribute.name)))
                return BrowserReason::UnknownScript;
            // Character references are not decoded here: "javascript&colon;" is left to the
            // parsed document.
            const QString name = QString::fromUtf8(attribute.name);
            if (attribute.value.contains(':') && !runsOnlyOnUserAction(name)
                && !followedOnlyOnClick(QString::fromUtf8(tag.name), name)
                && isJavaScriptUrl(QString::fromUtf8(attribute.value)))
                return BrowserReason::UnknownScript;
            if (tag.name == "meta" && httpEquiv.isNull()
                && QByteArrayView(attribute.name).compare("http-equiv", Qt::CaseInsensitive) == 0)
                httpEquiv = QString::fromUtf8(attribute.value.isNull() ? QByteArrayView("")
                                                                       : attribute.value);
        }
        if (tag.name == "meta" && isRefresh(httpEquiv))
            return BrowserReason::Refresh;
    }
    return std::nullopt;
}

bool pageBytesCarryScriptOutsideElements(QByteArrayView bytes)
{
    return scriptOutsideElementsInBytes(bytes).has_value();
}
