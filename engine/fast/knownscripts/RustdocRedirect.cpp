#include "engine/fast/knownscripts/RustdocRedirect.h"

#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/ScriptDetection.h"
#include "engine/fast/knownscripts/KnownScripts.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

// location.replace("TARGET" + location.search + location.hash);
constexpr char redirectScriptDigest[] = "1509e05f54cf3d393efb0d48df0de82c14da1fe16174fc04a48ed8506df5771b";

// The target the script names, once its text is known to be the redirect's.
QString scriptTarget(const QString &text)
{
    const qsizetype start = text.indexOf(u'"') + 1;
    return text.mid(start, text.indexOf(u'"', start) - start);
}

bool refreshesTo(const DomNode &meta, const QString &target)
{
    return meta.attribute(QLatin1String("content")) == QLatin1String("0;URL=") + target;
}

} // namespace

QString rustdocRedirectTarget(const Dom &dom, const QString &pagePath)
{
    const PageScripts scripts = findPageScripts(dom);
    if (scripts.otherScript || scripts.elements.size() != 1 || scripts.refreshes.size() != 1)
        return {};
    const DomNode &script = dom.node(scripts.elements.front());
    if (script.ns != DomNode::Html || !script.attributes.empty())
        return {};
    const QString text = dom.textContent(scripts.elements.front());
    if (!isInlineScript(text, redirectScriptDigest, {0}))
        return {};
    // The literal holds letters, digits and "_./~-" only: nothing to decode, no scheme, query or
    // fragment. A path from the root would leave the documentation it belongs to.
    const QString target = scriptTarget(text);
    if (!target.endsWith(QLatin1String(".html")) || target.startsWith(u'/')
        || !refreshesTo(dom.node(scripts.refreshes.front()), target))
        return {};
    for (int at = 0; at < dom.size(); ++at) {
        // A base URL would take the target elsewhere.
        if (dom.node(at).isElement("base"))
            return {};
    }
    const QUrl url = QUrl::fromLocalFile(pagePath).resolved(QUrl(target));
    return url.isLocalFile() ? url.toLocalFile() : QString();
}
