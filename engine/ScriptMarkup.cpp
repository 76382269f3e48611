#include "engine/ScriptMarkup.h"

#include "engine/HtmlTagScanner.h"

#include <QByteArrayView>
#include <QStringList>

// A URL that runs a script when followed; browsers drop tabs, newlines and leading control
// characters and spaces before they look at the scheme.
bool isJavaScriptUrl(const QString &value)
{
    QString compact;
    for (QChar c : value) {
        if (c == '\t' || c == '\n' || c == '\r' || (compact.isEmpty() && c.unicode() <= 0x20))
            continue;
        compact += c;
        if (compact.size() >= 11)
            break;
    }
    return compact.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
}

bool runsOnlyOnUserAction(QStringView attributeName)
{
    // The pointer's comings and goings too: a page loaded without a pointer over it has none.
    static const QStringList names{
        "onclick",       "ondblclick",   "onmousedown", "onmouseup", "onmouseover", "onmouseout",
        "onmouseenter",  "onmouseleave", "onmousemove", "onkeydown", "onkeyup",     "onkeypress",
        "oncontextmenu", "onchange",     "oninput",     "onsubmit",  "onreset"};
    return names.contains(attributeName.toString().toLower());
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
