#include "SupportTestLayout.h"

#include "engine/fast/scriptdom/ScriptDocument.h"

namespace {

// The style attributes jQuery gives its elements, as the runtime writes them back.
const QString containerStyle = QStringLiteral(
    "position:absolute;left:-11111px;width:60px;margin-top:1px;padding:0;border:0");
const QString measuredStyle = QStringLiteral(
    "position:relative;display:block;box-sizing:border-box;overflow:scroll;margin:auto;"
    "border:1px;padding:1px;width:60%;top:1%");
const QString measuredStyleRight = QStringLiteral(
    "position: relative; display: block; box-sizing: border-box; overflow: scroll; margin: auto; "
    "border: 1px; padding: 1px; width: 60%; top: 1%; right: 60%;");
const QString measuredStyleAbsolute = QStringLiteral(
    "position: absolute; display: block; box-sizing: border-box; overflow: scroll; margin: auto; "
    "border: 1px; padding: 1px; width: 60%; top: 1%; right: 60%;");

// An empty HTML <div> whose one attribute is this style.
bool isStyledDiv(const ScriptDocument &document, int element, const QString &style)
{
    const DomNode &node = document.dom().node(element);
    return node.isElement("div") && node.attributes.size() == 1
        && node.attributes.first() == std::pair(QStringLiteral("style"), style);
}

// No style sheet, no style attribute on the root and no direction: only the browser's own
// sheet styles the elements, and nothing the root passes on changes their lengths.
bool pageHasNoStyleOfItsOwn(const ScriptDocument &document)
{
    const Dom &dom = document.dom();
    const int root = document.documentElement();
    if (dom.quirksMode() || root < 0 || !dom.node(root).isElement("html")
        || dom.node(root).hasAttribute(QLatin1String("style"))
        || dom.node(root).hasAttribute(QLatin1String("dir")))
        return false;
    for (int at = root; at >= 0; at = dom.next(at, root)) {
        const DomNode &node = dom.node(at);
        if (node.kind == DomNode::Element && (node.name == u"style" || node.name == u"link"))
            return false;
    }
    return true;
}

// The state of jQuery's measured element: 0 for none, else 1 as placed, 2 with its right
// offset set, 3 made absolute.
int measuredState(const ScriptDocument &document, int element)
{
    if (!document.isConnected(element) || document.firstChild(element) != ScriptDocument::noNode)
        return 0;
    const int container = document.parentNode(element);
    if (container < 0 || document.parentNode(container) != document.documentElement()
        || document.firstChild(container) != element || document.nextSibling(element) >= 0
        || !isStyledDiv(document, container, containerStyle))
        return 0;
    int state = 0;
    for (const QString &style : {measuredStyle, measuredStyleRight, measuredStyleAbsolute}) {
        ++state;
        if (isStyledDiv(document, element, style))
            return pageHasNoStyleOfItsOwn(document) ? state : 0;
    }
    return 0;
}

} // namespace

std::optional<QString> supportTestComputedValue(const ScriptDocument &document, int element,
                                                const QString &property)
{
    // The lengths as the browser engine gives them: its scroll bars take 15 pixels, and a
    // percentage of a height is kept in 64ths of a pixel.
    switch (measuredState(document, element)) {
    case 1:
        if (property == u"top")
            return QStringLiteral("0.15625px");
        if (property == u"margin-left")
            return QStringLiteral("12px");
        break;
    case 2:
        if (property == u"right" || property == u"width")
            return QStringLiteral("36px");
        break;
    default:
        break;
    }
    return std::nullopt;
}

std::optional<int> supportTestOffsetWidth(const ScriptDocument &document, int element)
{
    return measuredState(document, element) == 3 ? std::optional(36) : std::nullopt;
}
