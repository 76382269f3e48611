#include "engine/fast/dom/DomWire.h"

#include "engine/fast/dom/WireBytes.h"

#include <algorithm>

#include <vector>

namespace {

constexpr std::uint8_t wireVersion = 1;
constexpr std::uint8_t quirksFlag = 1;
// Every attribute of the tree together, which the node bound alone leaves unbounded.
constexpr std::uint32_t maxWireAttributes = 4 * 1024 * 1024;
// No name a page or a script gives an element or an attribute is longer.
constexpr std::uint32_t maxWireNameUnits = 64 * 1024;
constexpr std::uint32_t maxWireTextUnits = 0xFFFFFFFF;

enum WireKind : std::uint8_t { WireElement, WireText };

// Comments go over as their parent's mark alone: the text and the cascade need no more of them.
bool holdsComment(const Dom &dom, const DomNode &node)
{
    if (node.holdsComment)
        return true;
    for (int child = node.firstChild; child >= 0; child = dom.node(child).nextSibling) {
        if (dom.node(child).kind == DomNode::Comment)
            return true;
    }
    return false;
}

void putNode(WireWriter &out, const Dom &dom, const DomNode &node, std::uint32_t parentPlusOne)
{
    if (node.kind == DomNode::Text) {
        out.putByte(WireText);
        out.putCount(parentPlusOne);
        out.putString(node.text);
        return;
    }
    out.putByte(WireElement);
    out.putCount(parentPlusOne);
    out.putByte(node.ns);
    out.putByte(holdsComment(dom, node) ? 1 : 0);
    out.putString(node.name);
    out.putCount(std::uint32_t(node.attributes.size()));
    for (const auto &[name, value] : node.attributes) {
        out.putString(name);
        out.putString(value);
    }
}

bool withinBounds(const DomNode &node, qsizetype &attributesLeft)
{
    attributesLeft -= node.attributes.size();
    if (attributesLeft < 0 || node.name.size() > qsizetype(maxWireNameUnits))
        return false;
    return std::all_of(node.attributes.begin(), node.attributes.end(), [](const auto &attribute) {
        return attribute.first.size() <= qsizetype(maxWireNameUnits);
    });
}

// One node's fields, or nothing for a node no tree holds; its parent's index, when it has one,
// is below `index`.
std::optional<DomNode> readNode(WireReader &in, std::uint32_t index, std::uint32_t &attributesLeft,
                                std::uint32_t &parentPlusOne)
{
    DomNode node;
    const std::uint8_t kind = in.byte();
    parentPlusOne = in.count(index);
    if (kind == WireText) {
        node.kind = DomNode::Text;
        node.text = in.string(maxWireTextUnits);
        return node;
    }
    const std::uint8_t ns = in.byte();
    const std::uint8_t holdsComment = in.byte();
    if (kind != WireElement || ns > DomNode::Other || holdsComment > 1)
        return std::nullopt;
    node.ns = DomNode::Namespace(ns);
    node.holdsComment = holdsComment == 1;
    node.name = in.string(maxWireNameUnits);
    const std::uint32_t attributes = in.count(attributesLeft);
    attributesLeft -= attributes;
    for (std::uint32_t i = 0; i < attributes && !in.failed(); ++i) {
        QString name = in.string(maxWireNameUnits);
        node.attributes.append({std::move(name), in.string(maxWireTextUnits)});
    }
    node.id = node.attribute(QLatin1String("id"));
    node.classes = DomNode::classWords(node.attribute(QLatin1String("class")));
    return node;
}

} // namespace

std::optional<QByteArray> encodeDom(const Dom &dom)
{
    const int root = dom.documentElement();
    // Each node's place on the wire, by its index in the tree.
    std::vector<std::uint32_t> wireIndex(size_t(dom.size()), 0);
    std::uint32_t count = 0;
    for (int at = root; at >= 0; at = dom.next(at, root)) {
        if (dom.node(at).kind != DomNode::Comment)
            wireIndex[size_t(at)] = count++;
    }
    if (count > std::uint32_t(maxWireNodes))
        return std::nullopt;

    WireWriter out;
    out.putByte(wireVersion);
    out.putByte(dom.quirksMode() ? quirksFlag : 0);
    out.putCount(count);
    qsizetype attributesLeft = maxWireAttributes;
    for (int at = root; at >= 0; at = dom.next(at, root)) {
        const DomNode &node = dom.node(at);
        if (node.kind == DomNode::Comment)
            continue;
        if (!withinBounds(node, attributesLeft))
            return std::nullopt;
        putNode(out, dom, node, at == root ? 0 : wireIndex[size_t(node.parent)] + 1);
    }
    return out.take();
}

std::optional<Dom> decodeDom(const QByteArray &bytes)
{
    WireReader in(bytes);
    const std::uint8_t version = in.byte();
    const std::uint8_t flags = in.byte();
    const std::uint32_t count = in.count(maxWireNodes);
    if (version != wireVersion || (flags & ~quirksFlag) != 0 || count == 0)
        return std::nullopt;

    Dom dom;
    dom.m_quirksMode = (flags & quirksFlag) != 0;
    std::uint32_t attributesLeft = maxWireAttributes;
    for (std::uint32_t index = 0; index < count; ++index) {
        std::uint32_t parentPlusOne = 0;
        std::optional<DomNode> node = readNode(in, index, attributesLeft, parentPlusOne);
        if (!node || in.failed())
            return std::nullopt;
        // The root alone has no parent, and only an element holds children.
        const int parent = int(parentPlusOne) - 1;
        if ((index == 0) != (parent < 0) || (index == 0 && node->kind != DomNode::Element))
            return std::nullopt;
        if (parent >= 0 && dom.node(parent).kind != DomNode::Element)
            return std::nullopt;
        dom.append(std::move(*node), parent);
    }
    if (!in.atEnd())
        return std::nullopt;

    dom.m_documentElement = 0;
    if (dom.node(0).isElement("html")) {
        for (int child = dom.node(0).firstChild; child >= 0; child = dom.node(child).nextSibling) {
            if (dom.node(child).isElement("body") || dom.node(child).isElement("frameset")) {
                dom.m_body = child;
                break;
            }
        }
    }
    dom.finishEditing();
    return dom;
}
