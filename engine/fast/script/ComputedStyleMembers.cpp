#include "NodeArguments.h"
#include "PageCascade.h"
#include "RealMembers.h"
#include "StyleDeclarations.h"
#include "SupportTestLayout.h"

#include "engine/fast/css/PropertyTable.h"

using namespace NodeArguments;

// getComputedStyle(), from the engine's own cascade over the tree as the scripts left it: the
// properties the cascade computes whose values need no layout, as the browser serializes them.
// Where the engine's value is the box it lays out rather than the browser's computed value
// (drawings, <details>, ruby, the old clamped flexible box), the read stops the page.
namespace {

QString keywordOf(std::span<const CssKeyword> keywords, int value)
{
    for (const CssKeyword &keyword : keywords) {
        if (keyword.value == value)
            return QString::fromLatin1(keyword.name.data(), qsizetype(keyword.name.size()));
    }
    return QString();
}

bool displayIsTheBrowsers(const DomNode &node, const ComputedStyle &style)
{
    static const QStringList laidOutApart{"details", "noscript", "embed", "object"};
    if (laidOutApart.contains(node.name))
        return false;
    if (style.display == Display::Ruby || style.display == Display::RubyText)
        return false;
    // An old flexible box, vertical and clamped, is given as the block it lays out as.
    return !(style.verticalBox && style.clampsLines && !isWebkitBox(style.display));
}

// The browser's own sheet sets a <select> as preformatted, which the engine's, for what it
// renders, does not.
bool inSelect(const Dom &dom, int element)
{
    for (int at = element; at >= 0; at = dom.node(at).parent) {
        if (dom.node(at).isElement("select"))
            return true;
    }
    return false;
}

std::optional<QString> computedValueOf(const Dom &dom, int element, const ComputedStyle &style,
                                       const QString &property)
{
    const DomNode &node = dom.node(element);
    // A keyword read in two spellings serializes as the first in the table, the browser's own.
    // The root's display: contents is left as it is by the engine, which lays out no box for it.
    const bool contentsRoot = element == dom.documentElement()
        && style.display == Display::Contents;
    if (property == u"display" && displayIsTheBrowsers(node, style) && !contentsRoot)
        return keywordOf(properties::display, int(style.display));
    if (property == u"visibility")
        return keywordOf(properties::visibility, int(style.visibility));
    if (property == u"white-space" && !inSelect(dom, element))
        return keywordOf(properties::whiteSpace, int(style.whiteSpace));
    if (property == u"text-transform")
        return keywordOf(properties::textTransform, int(style.textTransform));
    // The engine lays flex and grid items out unfloated, but the browser keeps their side; and
    // it leaves a float that makes no box as it is, even when positioned out of flow.
    const bool floatKept = isFlexOrGrid(style.parentBoxDisplay)
        || (style.display == Display::None && style.outOfFlow() && style.floating);
    if (property == u"float" && !floatKept)
        return keywordOf(properties::floating, style.floating);
    // The browser's own sheet places a <dialog>, which the engine's, for what it renders, does not.
    if (property == u"position" && !node.isElement("dialog"))
        return keywordOf(properties::position, int(style.position));
    return std::nullopt;
}

} // namespace

std::optional<QString> computedPropertyValue(ScriptPage &page, int element, const QString &property)
{
    if (page.document.nodeDocument(element) != ScriptDocument::documentNode) {
        page.runtime.notModelled("getComputedStyle of an element of another document");
        return std::nullopt;
    }
    // An element in no document has no style: every property reads empty.
    if (!page.document.isConnected(element))
        return QStringLiteral("");
    if (std::optional<QString> length = supportTestComputedValue(page.document, element, property))
        return length;
    const DomNode &node = page.document.dom().node(element);
    std::string why;
    const ComputedStyle *style = node.ns == DomNode::Html ? page.cascade->styleOf(element, why)
                                                          : nullptr;
    if (!style) {
        page.runtime.notModelled(why.empty() ? "getComputedStyle of an element not in HTML" : why);
        return std::nullopt;
    }
    std::optional<QString> value = computedValueOf(page.document.dom(), element, *style, property);
    if (!value)
        page.runtime.notModelled("getComputedStyle(" + node.name.toStdString() + ")."
                                 + property.toStdString());
    return value;
}

void refuseComputedStyleWrite(ScriptPage &page, const QString &context, const QString &property)
{
    const QString rule = property.isNull()
        ? QStringLiteral("These styles are computed, and therefore read-only.")
        : QStringLiteral("These styles are computed, and therefore the '%1' property is read-only.")
              .arg(property);
    throwDomException(page.isolate(), "NoModificationAllowedError", context + rule);
}

void addComputedStyleMembers(RealMembers &members)
{
    members.operation("Window", "getComputedStyle", [](const Info &info) {
        if (!hasArguments(info, 1, "Window", "getComputedStyle"))
            return;
        ScriptPage &page = pageOf(info);
        const int element = page.nodeOf(info[0]);
        if (page.document.nodeType(element) != DomNodeType::Element) {
            throwTypeError(info.GetIsolate(),
                           QStringLiteral("Failed to execute 'getComputedStyle' on 'Window': "
                                          "parameter 1 is not of type 'Element'."));
            return;
        }
        if (info.Length() > 1 && !info[1]->IsNullOrUndefined()) {
            const std::optional<QString> pseudoElement = stringArgument(info, 1);
            if (!pseudoElement)
                return;
            if (!pseudoElement->isEmpty()) {
                page.runtime.notModelled("getComputedStyle of a pseudo-element");
                return;
            }
        }
        info.GetReturnValue().Set(page.templates.newInstance(
            "CSSStyleDeclaration", declarationInternalValue({element, true})));
    });
}
