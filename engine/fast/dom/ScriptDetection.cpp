#include "engine/fast/dom/ScriptDetection.h"

#include "engine/PageCancellation.h"
#include "engine/ScriptMarkup.h"
#include "engine/fast/dom/Dom.h"

#include <QStringList>

namespace {

// The type and language attributes of a <script>, null when it has none.
bool isRunnableScriptType(const QString &type, const QString &language)
{
    if (type.isNull()) {
        return language.isEmpty()
            || language.startsWith(QLatin1String("javascript"), Qt::CaseInsensitive)
            || language.startsWith(QLatin1String("ecmascript"), Qt::CaseInsensitive)
            || language.startsWith(QLatin1String("jscript"), Qt::CaseInsensitive)
            || language.startsWith(QLatin1String("livescript"), Qt::CaseInsensitive);
    }
    // A MIME type's parameters (";charset=...") do not change what it names: a browser that reads
    // the type whole runs no such script, but one that reads its essence would, so the page is
    // taken for one that carries script either way.
    const QString essence = type.section(';', 0, 0).trimmed();
    return essence.isEmpty() || essence.compare(u"module", Qt::CaseInsensitive) == 0
        || isJavaScriptMimeType(essence);
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

bool isJavaScriptMimeType(const QString &type)
{
    static const char *const types[] = {"application/ecmascript",
                                        "application/javascript",
                                        "application/x-ecmascript",
                                        "application/x-javascript",
                                        "text/ecmascript",
                                        "text/javascript",
                                        "text/javascript1.0",
                                        "text/javascript1.1",
                                        "text/javascript1.2",
                                        "text/javascript1.3",
                                        "text/javascript1.4",
                                        "text/javascript1.5",
                                        "text/jscript",
                                        "text/livescript",
                                        "text/x-ecmascript",
                                        "text/x-javascript"};
    for (const char *known : types) {
        if (type.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

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
