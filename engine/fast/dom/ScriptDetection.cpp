#include "engine/fast/dom/ScriptDetection.h"

#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/HtmlTagScanner.h"
#include "engine/fast/PageCancellation.h"

#include <QStringList>

namespace {

// The type and language attributes of a <script>, null when it has none.
bool isRunnableScriptType(const QString &type, const QString &language)
{
    if (type.isNull()) {
        return language.isEmpty() || language.startsWith(QLatin1String("javascript"), Qt::CaseInsensitive)
               || language.startsWith(QLatin1String("ecmascript"), Qt::CaseInsensitive)
               || language.startsWith(QLatin1String("jscript"), Qt::CaseInsensitive)
               || language.startsWith(QLatin1String("livescript"), Qt::CaseInsensitive);
    }
    static const QStringList runnable{
        "", "module", "application/ecmascript", "application/javascript",
        "application/x-ecmascript", "application/x-javascript", "text/ecmascript",
        "text/javascript", "text/javascript1.0", "text/javascript1.1", "text/javascript1.2",
        "text/javascript1.3", "text/javascript1.4", "text/javascript1.5", "text/jscript",
        "text/livescript", "text/x-ecmascript", "text/x-javascript"};
    // A MIME type's parameters (";charset=...") do not change what it names.
    return runnable.contains(type.section(';', 0, 0).trimmed().toLower());
}

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

// An event-handler attribute that runs only when the user acts on the page (clicks, types):
// in a page read without anyone acting on it, it never runs.
bool runsOnlyOnUserAction(QStringView attributeName)
{
    static const QStringList names{"onclick", "ondblclick", "onmousedown", "onmouseup",
                                   "onkeydown", "onkeyup", "onkeypress", "oncontextmenu",
                                   "onchange", "oninput", "onsubmit", "onreset"};
    return names.contains(attributeName.toString().toLower());
}

// A link's javascript: URL runs only when the link is followed, which nobody does here.
bool followedOnlyOnClick(QStringView tagName, QStringView attributeName)
{
    return (tagName == u"a" || tagName == u"area") && attributeName.compare(u"href", Qt::CaseInsensitive) == 0;
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

bool isRefreshElement(const DomNode &element)
{
    return element.isElement("meta") && isRefresh(element.attribute(QLatin1String("http-equiv")));
}

// Whatever runs a script on an element other than its being a <script> or a refresh.
bool attributesCarryScript(const DomNode &element)
{
    for (const auto &[name, value] : element.attributes) {
        // A click handler written as "javascript:f()" is code that never runs, not a URL.
        const bool onClickOnly = runsOnlyOnUserAction(name)
                                 || (element.ns == DomNode::Html && followedOnlyOnClick(element.name, name));
        if (isEventHandler(name) || (isJavaScriptUrl(value) && !onClickOnly))
            return true;
    }
    return false;
}

} // namespace

bool isRunnableScript(const DomNode &element)
{
    return element.name == "script" && (element.ns == DomNode::Html || element.ns == DomNode::Svg)
           && isRunnableScriptType(element.attribute(QLatin1String("type")),
                                   element.attribute(QLatin1String("language")));
}

PageScripts findPageScripts(const Dom &dom)
{
    PageScripts scripts;
    for (int at = 0; at < dom.size(); ++at) {
        checkPageCancelled();
        const DomNode &node = dom.node(at);
        if (node.kind != DomNode::Element)
            continue;
        if (isRunnableScript(node))
            scripts.elements.push_back(at);
        if (isRefreshElement(node))
            scripts.refreshes.push_back(at);
        scripts.otherScript = scripts.otherScript || attributesCarryScript(node);
    }
    return scripts;
}

bool pageCarriesScript(const Dom &dom)
{
    const PageScripts scripts = findPageScripts(dom);
    return scripts.otherScript || !scripts.elements.empty() || !scripts.refreshes.empty();
}

bool pageBytesCarryScriptOutsideElements(QByteArrayView bytes)
{
    HtmlTagScanner scanner(bytes);
    HtmlTagScanner::Tag tag;
    while (scanner.next(tag)) {
        if (tag.endTag)
            continue;
        // What a template holds never runs; the parsed document tells where it ends.
        if (tag.name == "template")
            return false;
        QString httpEquiv;
        for (const HtmlTagScanner::Attribute &attribute : tag.attributes) {
            if (isEventHandler(QString::fromUtf8(attribute.name)))
                return true;
            // Character references are not decoded here: "javascript&colon;" is left to the
            // parsed document.
            const QString name = QString::fromUtf8(attribute.name);
            if (attribute.value.contains(':') && !runsOnlyOnUserAction(name)
                && !followedOnlyOnClick(QString::fromUtf8(tag.name), name)
                && isJavaScriptUrl(QString::fromUtf8(attribute.value)))
                return true;
            if (tag.name == "meta" && httpEquiv.isNull()
                && QByteArrayView(attribute.name).compare("http-equiv", Qt::CaseInsensitive) == 0)
                httpEquiv = QString::fromUtf8(attribute.value.isNull() ? QByteArrayView("") : attribute.value);
        }
        if (tag.name == "meta" && isRefresh(httpEquiv))
            return true;
    }
    return false;
}
