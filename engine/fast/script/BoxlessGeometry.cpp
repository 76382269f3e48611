// The geometry of an element that makes no box, which needs no layout: one in no document, or
// hidden with its ancestors' display: none. Its sizes are 0, it has no offset parent and no
// client rectangles, as jQuery's :visible and :hidden read them. An element with a box needs
// layout, and stops the page; so does one whose box the cascade cannot tell.

#include "NodeArguments.h"
#include "PageCascade.h"
#include "RealMembers.h"
#include "SupportTestLayout.h"

using namespace NodeArguments;

namespace {

// Whether the element makes no box; nothing when that cannot be told as the browser tells it.
std::optional<bool> makesNoBox(ScriptPage &page, int element)
{
    const ScriptDocument &document = page.document;
    if (document.nodeDocument(element) != ScriptDocument::documentNode)
        return std::nullopt;
    if (!document.isConnected(element))
        return true;
    // The viewport answers for the root's sizes, whatever its style.
    if (element == document.documentElement())
        return std::nullopt;
    std::string why;
    for (int at = element; at >= 0; at = document.parentNode(at)) {
        const DomNode &node = document.dom().node(at);
        // A drawing's elements and embedded content make boxes the engine does not model.
        if (node.ns != DomNode::Html || node.isElement("embed") || node.isElement("object"))
            return std::nullopt;
        const ComputedStyle *style = page.cascade->styleOf(at, why);
        if (!style)
            return std::nullopt;
        if (style->display == Display::None)
            return true;
    }
    return false;
}

// A getter that answers for an element without a box, and stops the page for any other.
template <const char *member>
void boxlessValue(const Info &info, const std::function<void()> &answer)
{
    ScriptPage &page = pageOf(info);
    if (makesNoBox(page, self(info)) == true)
        answer();
    else
        page.runtime.notModelled(member);
}

constexpr char offsetWidth[] = "HTMLElement.offsetWidth";
constexpr char offsetHeight[] = "HTMLElement.offsetHeight";
constexpr char offsetParent[] = "HTMLElement.offsetParent";
constexpr char clientWidth[] = "Element.clientWidth";
constexpr char clientHeight[] = "Element.clientHeight";
constexpr char scrollWidth[] = "Element.scrollWidth";
constexpr char scrollHeight[] = "Element.scrollHeight";
constexpr char getClientRects[] = "Element.getClientRects";

template <const char *member>
void zeroSize(const Info &info)
{
    boxlessValue<member>(info, [&] { info.GetReturnValue().Set(0); });
}

} // namespace

void addBoxlessGeometryMembers(RealMembers &members)
{
    members.attribute("HTMLElement", "offsetWidth", [](const Info &info) {
        if (const auto width = supportTestOffsetWidth(pageOf(info).document, self(info)))
            info.GetReturnValue().Set(*width);
        else
            zeroSize<offsetWidth>(info);
    });
    members.attribute("HTMLElement", "offsetHeight", zeroSize<offsetHeight>);
    members.attribute("Element", "clientWidth", zeroSize<clientWidth>);
    members.attribute("Element", "clientHeight", zeroSize<clientHeight>);
    members.attribute("Element", "scrollWidth", zeroSize<scrollWidth>);
    members.attribute("Element", "scrollHeight", zeroSize<scrollHeight>);
    members.attribute("HTMLElement", "offsetParent", [](const Info &info) {
        boxlessValue<offsetParent>(info, [&] { info.GetReturnValue().SetNull(); });
    });
    members.operation("Element", "getClientRects", [](const Info &info) {
        boxlessValue<getClientRects>(info, [&] {
            info.GetReturnValue().Set(pageOf(info).templates.newInstance("DOMRectList", 0));
        });
    });
    // The only rectangle lists made are those of elements without a box: empty.
    members.attribute("DOMRectList", "length",
                      [](const Info &info) { info.GetReturnValue().Set(0); });
    members.operation("DOMRectList", "item", [](const Info &info) {
        if (hasArguments(info, 1, "DOMRectList", "item"))
            info.GetReturnValue().SetNull();
    });
    members.instanceSetup("DOMRectList", [](v8::Local<v8::ObjectTemplate> instance) {
        v8::IndexedPropertyHandlerConfiguration handlers;
        handlers.getter = [](uint32_t, const v8::PropertyCallbackInfo<v8::Value> &) {};
        instance->SetHandler(handlers);
    });
}
