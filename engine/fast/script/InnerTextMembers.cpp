// An element's innerText, read from the engine's own rendered text over the tree as the
// page's scripts left it, with the cascade the scripts' computed styles come from.

#include "NodeArguments.h"
#include "PageCascade.h"
#include "RealMembers.h"

#include "engine/fast/text/InnerText.h"

using namespace NodeArguments;

namespace {

enum class Rendering { None, OwnText, NeedsLayout };

// Whether no text below the element has white space that collapses: an inline element's
// text then keeps every character wherever its line begins or its neighbours end.
bool keepsAllWhiteSpace(const Dom &dom, const std::vector<ComputedStyle> &styles, int element)
{
    for (int at = element; at >= 0; at = dom.next(at, element)) {
        const ComputedStyle &style = styles[size_t(at)];
        if (dom.node(at).kind == DomNode::Text && style.rendered
            && collapsesSpaces(style.whiteSpace))
            return false;
    }
    return true;
}

// Whether the element is rendered, and if so whether its text is its own: a box that starts
// its own lines lays its text out apart from what is around it, and so does an inline element
// whose white space all stays (code in a <pre>). Other inline elements' white space collapses
// with their neighbours', and their text could be told only from the line they lie on.
// Embedded or foreign content needs the layout.
Rendering renderingOf(const Dom &dom, const std::vector<ComputedStyle> &styles, int element)
{
    for (int at = dom.node(element).parent; at >= 0; at = dom.node(at).parent) {
        const ComputedStyle &style = styles[size_t(at)];
        if (dom.node(at).ns != DomNode::Html)
            return Rendering::NeedsLayout;
        if (style.display == Display::None)
            return Rendering::None;
        if (style.replaced || style.contentVisibility == ContentVisibility::Hidden)
            return Rendering::NeedsLayout;
    }
    switch (styles[size_t(element)].display) {
    case Display::None:
        return Rendering::None;
    case Display::Block:
    case Display::ListItem:
    case Display::FlowRoot:
    case Display::Table:
    case Display::Flex:
    case Display::Grid:
        return Rendering::OwnText;
    case Display::Inline:
        return keepsAllWhiteSpace(dom, styles, element) ? Rendering::OwnText
                                                        : Rendering::NeedsLayout;
    default:
        return Rendering::NeedsLayout;
    }
}

// An element that is not rendered gives its text content, as the browser's does.
void getInnerText(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const ScriptDocument &document = page.document;
    const int element = self(info);
    if (document.nodeDocument(element) != ScriptDocument::documentNode
        || element == document.documentElement()) {
        page.runtime.notModelled("HTMLElement.innerText");
        return;
    }
    if (!document.isConnected(element)) {
        returnString(info, document.textContent(element));
        return;
    }
    std::string why;
    const std::vector<ComputedStyle> *styles = page.cascade->styles(why);
    if (!styles) {
        page.runtime.notModelled("HTMLElement.innerText, " + why);
        return;
    }
    // Content a layout alone places could be anywhere, this element's included.
    const Dom &dom = document.dom();
    const Rendering rendering = page.cascade->contentPlacedByLayout()
        ? Rendering::NeedsLayout
        : renderingOf(dom, *styles, element);
    switch (rendering) {
    case Rendering::None:
        returnString(info, document.textContent(element));
        break;
    case Rendering::OwnText:
        returnString(info, innerText(dom, *styles, element));
        break;
    case Rendering::NeedsLayout:
        page.runtime.notModelled("HTMLElement.innerText");
        break;
    }
}

// Setting innerText: the text, each line break a <br>.
void setInnerText(const Info &info)
{
    const auto text = nullableStringArgument(info, 0);
    if (!text)
        return;
    ScriptPage &page = pageOf(info);
    std::vector<NodeOrText> nodes;
    QString line;
    const auto endLine = [&] {
        if (!line.isEmpty())
            nodes.push_back({ScriptDocument::noNode, std::exchange(line, QString())});
    };
    for (qsizetype at = 0; at < text->size(); ++at) {
        const QChar c = text->at(at);
        if (c != u'\n' && c != u'\r') {
            line += c;
            continue;
        }
        if (c == u'\r' && at + 1 < text->size() && text->at(at + 1) == u'\n')
            ++at;
        endLine();
        const NodeResult br = page.document.createElement(QStringLiteral("br"));
        if (!page.check(br.error, "HTMLElement.innerText"))
            return;
        nodes.push_back({br.node, QString()});
    }
    endLine();
    page.check(page.document.replaceChildren(self(info), nodes), "HTMLElement.innerText");
}

} // namespace

void addInnerTextMembers(RealMembers &members)
{
    members.attribute("HTMLElement", "innerText", getInnerText, setInnerText);
}
