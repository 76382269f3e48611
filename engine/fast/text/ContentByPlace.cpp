#include "ContentByPlace.h"

#include "engine/fast/dom/Dom.h"

bool rendersContentByPlace(const Dom &dom, const std::vector<ComputedStyle> &styles)
{
    for (int at = 0; at < dom.size(); ++at) {
        const ComputedStyle &style = styles[size_t(at)];
        if (dom.node(at).kind == DomNode::Element && dom.node(at).firstChild >= 0 && style.rendered
            && !style.replaced && style.contentVisibility == ContentVisibility::Auto)
            return true;
    }
    return false;
}
