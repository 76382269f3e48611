#include "engine/fast/dom/Dom.h"

#include <algorithm>

int Dom::createElement(const QString &localName,
                       const QList<std::pair<QString, QString>> &attributes)
{
    DomNode element;
    element.kind = DomNode::Element;
    element.name = localName;
    const int index = append(std::move(element), -1);
    for (const auto &[name, value] : attributes)
        setAttribute(index, name, value);
    return index;
}

int Dom::createText(const QString &text)
{
    DomNode node;
    node.kind = DomNode::Text;
    node.text = text;
    return append(std::move(node), -1);
}

void Dom::detach(int index)
{
    DomNode &node = m_nodes[size_t(index)];
    if (node.parent < 0)
        return;
    DomNode &parent = m_nodes[size_t(node.parent)];
    if (node.previousSibling >= 0)
        m_nodes[size_t(node.previousSibling)].nextSibling = node.nextSibling;
    else
        parent.firstChild = node.nextSibling;
    if (node.nextSibling >= 0)
        m_nodes[size_t(node.nextSibling)].previousSibling = node.previousSibling;
    else
        parent.lastChild = node.previousSibling;
    node.parent = node.previousSibling = node.nextSibling = -1;
}

void Dom::insertBefore(int parent, int child, int before)
{
    detach(child);
    DomNode &node = m_nodes[size_t(child)];
    DomNode &parentNode = m_nodes[size_t(parent)];
    node.parent = parent;
    node.nextSibling = before;
    node.previousSibling = before >= 0 ? m_nodes[size_t(before)].previousSibling
                                       : parentNode.lastChild;
    if (node.previousSibling >= 0)
        m_nodes[size_t(node.previousSibling)].nextSibling = child;
    else
        parentNode.firstChild = child;
    if (before >= 0)
        m_nodes[size_t(before)].previousSibling = child;
    else
        parentNode.lastChild = child;
}

void Dom::setAttribute(int element, const QString &name, const QString &value)
{
    DomNode &node = m_nodes[size_t(element)];
    auto existing = std::find_if(node.attributes.begin(), node.attributes.end(),
                                 [&name](const auto &attribute) {
        return attribute.first == name;
    });
    if (existing != node.attributes.end())
        existing->second = value;
    else
        node.attributes.append({name, value});
    if (name == QLatin1String("id"))
        node.id = value;
    if (name == QLatin1String("class"))
        node.classes = DomNode::classWords(value);
}

void Dom::finishEditing()
{
    m_sourceSpans.clear(); // of the parse, not of the edited tree
    // Each node's new place, in document order; nodes left out of the tree are dropped.
    std::vector<int> newIndex(m_nodes.size(), -1);
    std::vector<DomNode> ordered;
    ordered.reserve(m_nodes.size());
    for (int at = m_documentElement; at >= 0; at = next(at, m_documentElement)) {
        newIndex[size_t(at)] = int(ordered.size());
        ordered.push_back(std::move(m_nodes[size_t(at)]));
    }
    // The comments beside the root element follow its tree, as the parse leaves them.
    for (int child : m_documentChildren) {
        if (child != m_documentElement) {
            newIndex[size_t(child)] = int(ordered.size());
            ordered.push_back(std::move(m_nodes[size_t(child)]));
        }
    }
    const auto renumbered = [&newIndex](int index) {
        return index < 0 ? -1 : newIndex[size_t(index)];
    };
    for (DomNode &node : ordered) {
        node.parent = renumbered(node.parent);
        node.firstChild = renumbered(node.firstChild);
        node.lastChild = renumbered(node.lastChild);
        node.previousSibling = renumbered(node.previousSibling);
        node.nextSibling = renumbered(node.nextSibling);
        node.elementChildCount = 0;
    }
    m_documentElement = renumbered(m_documentElement);
    for (int &child : m_documentChildren)
        child = renumbered(child);
    m_body = renumbered(m_body);
    m_nodes = std::move(ordered);
    for (DomNode &node : m_nodes) {
        if (node.kind == DomNode::Element && node.parent >= 0)
            node.elementIndex = ++m_nodes[size_t(node.parent)].elementChildCount;
    }
    countElementsByType();
}
