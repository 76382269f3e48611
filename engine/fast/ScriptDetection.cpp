#include "engine/fast/ScriptDetection.h"

#include "engine/fast/Dom.h"

#include <QStringList>

namespace {

bool isRunnableScriptType(const DomNode &script)
{
    const QString type = script.attribute(QLatin1String("type"));
    if (type.isNull()) {
        const QString language = script.attribute(QLatin1String("language"));
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

bool elementCarriesScript(const DomNode &element)
{
    if (element.name == "script" && (element.ns == DomNode::Html || element.ns == DomNode::Svg)
        && isRunnableScriptType(element))
        return true;
    if (element.isElement("meta")
        && element.attribute(QLatin1String("http-equiv")).trimmed().compare(QLatin1String("refresh"), Qt::CaseInsensitive) == 0)
        return true;
    for (const auto &[name, value] : element.attributes) {
        if (name.startsWith(QLatin1String("on")) || isJavaScriptUrl(value))
            return true;
    }
    return false;
}

} // namespace

bool pageCarriesScript(const Dom &dom)
{
    for (int at = 0; at < dom.size(); ++at) {
        const DomNode &node = dom.node(at);
        if (node.kind == DomNode::Element && elementCarriesScript(node))
            return true;
    }
    return false;
}
