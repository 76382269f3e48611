#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/PageCancellation.h"
#include "engine/fast/scriptdom/AsciiCase.h"

NodeResult ScriptDocument::appendChild(int parent, int child)
{
    return insertBefore(parent, child, noNode);
}

NodeResult ScriptDocument::insertBefore(int parent, int child, int before)
{
    if (const DomError error = insertionError(parent, child, before, noNode);
        error != DomError::None)
        return {noNode, error};
    if (before == child)
        before = nextSibling(child);
    insertUnchecked(parent, child, before);
    return {child, DomError::None};
}

NodeResult ScriptDocument::removeChild(int parent, int child)
{
    if ((!isNode(child) && child != doctypeNode) || parent == noNode || parentNode(child) != parent)
        return {noNode, DomError::NotFound};
    if (const DomError error = removeUnchecked(child); error != DomError::None)
        return {noNode, error};
    return {child, DomError::None};
}

NodeResult ScriptDocument::replaceChild(int parent, int newChild, int oldChild)
{
    if (oldChild == noNode)
        return {noNode, DomError::NotFound};
    if (const DomError error = insertionError(parent, newChild, noNode, oldChild);
        error != DomError::None)
        return {noNode, error};
    if (nodeType(parent) == DomNodeType::Document
        || nodeType(oldChild) == DomNodeType::DocumentType)
        return {noNode, DomError::NotModelled};
    int reference = nextSibling(oldChild);
    if (reference == newChild)
        reference = nextSibling(newChild);
    if (oldChild != newChild)
        removeUnchecked(oldChild);
    insertUnchecked(parent, newChild, reference);
    return {oldChild, DomError::None};
}

DomError ScriptDocument::remove(int node)
{
    if (parentNode(node) == noNode)
        return DomError::None;
    return removeUnchecked(node);
}

DomError ScriptDocument::before(int node, const std::vector<NodeOrText> &nodes)
{
    const int parent = parentNode(node);
    if (parent == noNode)
        return DomError::None;
    int previous = previousSibling(node);
    while (previous != noNode && listHolds(nodes, previous))
        previous = previousSibling(previous);
    const NodeResult single = intoOneNode(nodes);
    if (single.error != DomError::None)
        return single.error;
    const int reference = previous == noNode ? firstChild(parent) : nextSibling(previous);
    return insertBefore(parent, single.node, reference).error;
}

DomError ScriptDocument::after(int node, const std::vector<NodeOrText> &nodes)
{
    const int parent = parentNode(node);
    if (parent == noNode)
        return DomError::None;
    int next = nextSibling(node);
    while (next != noNode && listHolds(nodes, next))
        next = nextSibling(next);
    const NodeResult single = intoOneNode(nodes);
    if (single.error != DomError::None)
        return single.error;
    return insertBefore(parent, single.node, next).error;
}

DomError ScriptDocument::replaceWith(int node, const std::vector<NodeOrText> &nodes)
{
    const int parent = parentNode(node);
    if (parent == noNode)
        return DomError::None;
    int next = nextSibling(node);
    while (next != noNode && listHolds(nodes, next))
        next = nextSibling(next);
    const NodeResult single = intoOneNode(nodes);
    if (single.error != DomError::None)
        return single.error;
    if (parentNode(node) == parent)
        return replaceChild(parent, single.node, node).error;
    return insertBefore(parent, single.node, next).error;
}

DomError ScriptDocument::append(int parent, const std::vector<NodeOrText> &nodes)
{
    const NodeResult single = intoOneNode(nodes);
    if (single.error != DomError::None)
        return single.error;
    return appendChild(parent, single.node).error;
}

DomError ScriptDocument::prepend(int parent, const std::vector<NodeOrText> &nodes)
{
    const NodeResult single = intoOneNode(nodes);
    if (single.error != DomError::None)
        return single.error;
    return insertBefore(parent, single.node, firstChild(parent)).error;
}

DomError ScriptDocument::replaceChildren(int parent, const std::vector<NodeOrText> &nodes)
{
    const NodeResult single = intoOneNode(nodes);
    if (single.error != DomError::None)
        return single.error;
    if (const DomError error = insertionError(parent, single.node, noNode, noNode);
        error != DomError::None)
        return error;
    if (nodeType(parent) == DomNodeType::Document)
        return DomError::NotModelled;
    removeAllChildren(parent);
    insertUnchecked(parent, single.node, noNode);
    return DomError::None;
}

NodeResult ScriptDocument::createElement(const QString &name, int document)
{
    if (!isValidName(name))
        return {noNode, DomError::InvalidCharacter};
    return ownedBy(newElement(m_htmlDocument ? asciiLowered(name) : name, DomNode::Html), document);
}

NodeResult ScriptDocument::createElementNs(const QString &namespaceUri,
                                           const QString &qualifiedName, int document)
{
    if (!isValidName(qualifiedName))
        return {noNode, DomError::InvalidCharacter};
    if (qualifiedName.contains(u':'))
        return {noNode, DomError::NotModelled};
    if (namespaceUri == QLatin1String("http://www.w3.org/1999/xhtml"))
        return ownedBy(newElement(qualifiedName, DomNode::Html), document);
    if (namespaceUri == QLatin1String("http://www.w3.org/2000/svg"))
        return ownedBy(newElement(qualifiedName, DomNode::Svg), document);
    if (namespaceUri == QLatin1String("http://www.w3.org/1998/Math/MathML"))
        return ownedBy(newElement(qualifiedName, DomNode::MathMl), document);
    return {noNode, DomError::NotModelled};
}

NodeResult ScriptDocument::createTextNode(const QString &data, int document)
{
    return ownedBy(newCharacterData(DomNode::Text, data), document);
}

NodeResult ScriptDocument::createComment(const QString &data, int document)
{
    return ownedBy(newCharacterData(DomNode::Comment, data), document);
}

NodeResult ScriptDocument::createDocumentFragment(int document)
{
    const NodeResult fragment = newElement(QStringLiteral("#document-fragment"), DomNode::Other);
    if (fragment.error == DomError::None)
        m_fragments.insert(fragment.node);
    return ownedBy(fragment, document);
}

NodeResult ScriptDocument::cloneNode(int node, bool deep)
{
    const DomNodeType type = nodeType(node);
    if (!isNode(node) || type == DomNodeType::Document || type == DomNodeType::DocumentType)
        return {noNode, DomError::NotModelled};
    const NodeResult root = cloneOne(node);
    if (root.error != DomError::None || !deep)
        return root;
    // Each source node's copy is made as the walk meets it, below the copy of its parent.
    std::vector<std::pair<int, int>> copies{{node, root.node}}; // source, copy: the open path
    for (int at = firstChild(node); at != noNode; at = nextInTree(at, node)) {
        checkPageCancelled();
        while (copies.back().first != parentNode(at))
            copies.pop_back();
        const NodeResult copy = cloneOne(at);
        if (copy.error != DomError::None)
            return copy;
        m_dom.insertBefore(copies.back().second, copy.node);
        markPositionsStale(copies.back().second);
        copies.push_back({at, copy.node});
    }
    return root;
}

DomError ScriptDocument::insertionError(int parent, int node, int child, int replaced) const
{
    const DomNodeType parentType = nodeType(parent);
    if (parentType != DomNodeType::Document && parentType != DomNodeType::DocumentFragment
        && parentType != DomNodeType::Element)
        return DomError::HierarchyRequest;
    const DomNodeType type = nodeType(node);
    // Only a node with children can be an ancestor: the walk up is left out for the others.
    if (type == DomNodeType::None || type == DomNodeType::Document || node == parent
        || (hasChildNodes(node) && contains(node, parent)))
        return DomError::HierarchyRequest;
    const int reference = replaced != noNode ? replaced : child;
    if (reference != noNode && parentNode(reference) != parent)
        return DomError::NotFound;
    if ((type == DomNodeType::Text && parentType == DomNodeType::Document)
        || (type == DomNodeType::DocumentType && parentType != DomNodeType::Document))
        return DomError::HierarchyRequest;
    // The root element stays where it is: a tree without one is not modelled.
    if (isElement(node) && nodeType(parentNode(node)) == DomNodeType::Document)
        return DomError::NotModelled;
    if (parentType != DomNodeType::Document)
        return DomError::None;
    if (parent != documentNode)
        return DomError::NotModelled;
    return documentInsertionError(node, reference, replaced != noNode);
}

// Below the document only comments come and go here: a second element or doctype is refused
// as the standard says, and a first one (after the page's own was taken away) is not modelled.
DomError ScriptDocument::documentInsertionError(int node, int reference, bool replacing) const
{
    int elements = 0;
    if (nodeType(node) == DomNodeType::DocumentFragment) {
        for (int at = firstChild(node); at != noNode; at = nextSibling(at)) {
            if (nodeType(at) == DomNodeType::Text)
                return DomError::HierarchyRequest;
            elements += isElement(at) ? 1 : 0;
        }
    } else {
        elements = isElement(node) ? 1 : 0;
    }
    const int present = documentElement();
    if (elements > 1
        || (elements == 1 && present != noNode && !(replacing && present == reference)))
        return DomError::HierarchyRequest;
    if (nodeType(node) == DomNodeType::DocumentType) {
        const bool hasDoctype = doctype() != noNode && !(replacing && reference == doctypeNode);
        return hasDoctype ? DomError::HierarchyRequest : DomError::NotModelled;
    }
    return elements == 1 ? DomError::NotModelled : DomError::None;
}

void ScriptDocument::insertUnchecked(int parent, int node, int before)
{
    if (m_fragments.contains(node)) {
        const std::vector<int> moved = childNodes(node);
        for (int each : moved)
            insertUnchecked(parent, each, before);
        return;
    }
    if (parentNode(node) != noNode)
        removeUnchecked(node);
    ++m_mutations;
    ++m_treeChanges;
    m_parsedNodesChanged = m_parsedNodesChanged || parent < m_parsedNodeCount
        || node < m_parsedNodeCount;
    if (parent == documentNode) {
        std::vector<int> &children = m_dom.m_documentChildren;
        children.insert(before == doctypeNode ? children.begin()
                                              : std::find(children.begin(), children.end(), before),
                        node);
        setConnected(node, true);
        adopt(node, documentNode);
        return;
    }
    // Appended to an element the parser is still inside, a node goes before the children it
    // has not reached yet.
    if (before == noNode) {
        const int last = m_dom.node(parent).lastChild;
        if (last >= 0 && !isVisible(last))
            before = firstHiddenChild(parent);
    }
    m_dom.insertBefore(parent, node, before);
    childrenChanged(parent);
    if (isConnected(parent))
        setConnected(node, true);
    adopt(node, nodeDocument(parent));
}

DomError ScriptDocument::removeUnchecked(int node)
{
    const int parent = parentNode(node);
    if (parent == noNode)
        return DomError::None;
    if (parent != documentNode && nodeType(parent) == DomNodeType::Document)
        return DomError::NotModelled;
    if (parent == documentNode) {
        if (isElement(node))
            return DomError::NotModelled;
        std::vector<int> &children = m_dom.m_documentChildren;
        if (node == doctypeNode)
            m_doctypeRemoved = true;
        else
            children.erase(std::find(children.begin(), children.end(), node));
    } else {
        m_dom.detach(node);
        childrenChanged(parent);
    }
    if (node != doctypeNode && isConnected(node))
        setConnected(node, false);
    ++m_mutations;
    ++m_treeChanges;
    m_parsedNodesChanged = m_parsedNodesChanged || parent < m_parsedNodeCount
        || node < m_parsedNodeCount;
    return DomError::None;
}

// The positions among siblings are counted again when next asked for; the engine's tree
// knows its body element, which a script may have replaced.
void ScriptDocument::childrenChanged(int parent)
{
    markPositionsStale(parent);
    if (parent == m_dom.m_documentElement)
        m_dom.m_body = body();
}

void ScriptDocument::removeAllChildren(int parent)
{
    for (int child = firstChild(parent); child != noNode; child = firstChild(parent))
        removeUnchecked(child);
}

int ScriptDocument::firstHiddenChild(int parent) const
{
    int hidden = noNode;
    for (int at = m_dom.node(parent).lastChild; at >= 0 && !isVisible(at);
         at = m_dom.node(at).previousSibling)
        hidden = at;
    return hidden;
}

// Marks the subtree, the children the parser has not reached included. Those it has reached
// and that load something are the runtime's to know of when they are connected.
void ScriptDocument::setConnected(int node, bool connected)
{
    if (m_connected.size() < size_t(m_dom.size()))
        m_connected.resize(size_t(m_dom.size()), false);
    for (int at = node; at >= 0; at = m_dom.next(at, node)) {
        checkPageCancelled();
        m_connected[size_t(at)] = connected;
        const DomNode &element = m_dom.node(at);
        if (connected && isVisible(at)
            && (element.isElement("script") || element.isElement("link")
                || element.isElement("style")))
            m_connectedResources.push_back(at);
    }
}

bool ScriptDocument::listHolds(const std::vector<NodeOrText> &nodes, int node)
{
    return std::any_of(nodes.begin(), nodes.end(),
                       [node](const NodeOrText &each) { return each.node == node; });
}

NodeResult ScriptDocument::intoOneNode(const std::vector<NodeOrText> &nodes)
{
    std::vector<int> made;
    for (const NodeOrText &each : nodes) {
        if (each.node != noNode) {
            made.push_back(each.node);
            continue;
        }
        const NodeResult text = createTextNode(each.text);
        if (text.error != DomError::None)
            return text;
        made.push_back(text.node);
    }
    if (made.size() == 1)
        return {made.front(), DomError::None};
    const NodeResult fragment = createDocumentFragment();
    if (fragment.error != DomError::None)
        return fragment;
    for (int each : made) {
        if (const NodeResult appended = appendChild(fragment.node, each);
            appended.error != DomError::None)
            return appended;
    }
    return fragment;
}

NodeResult ScriptDocument::newElement(const QString &localName, DomNode::Namespace ns)
{
    if (m_dom.size() - m_parsedNodeCount >= maxCreatedNodes)
        return {noNode, DomError::NotModelled};
    const int element = m_dom.createElement(localName);
    m_dom.m_nodes[size_t(element)].ns = ns;
    return {element, DomError::None};
}

NodeResult ScriptDocument::newCharacterData(DomNode::Kind kind, const QString &data)
{
    if (m_dom.size() - m_parsedNodeCount >= maxCreatedNodes)
        return {noNode, DomError::NotModelled};
    const int node = m_dom.createText(data);
    m_dom.m_nodes[size_t(node)].kind = kind;
    return {node, DomError::None};
}

NodeResult ScriptDocument::cloneOne(int node)
{
    // Copies, not references: making the copy may move the node array.
    const DomNode::Kind kind = m_dom.node(node).kind;
    if (kind != DomNode::Element)
        return ownedBy(newCharacterData(kind, QString(m_dom.node(node).text)), nodeDocument(node));
    const NodeResult copy = ownedBy(newElement(QString(m_dom.node(node).name), m_dom.node(node).ns),
                                    nodeDocument(node));
    if (copy.error != DomError::None)
        return copy;
    DomNode &target = m_dom.m_nodes[size_t(copy.node)];
    const DomNode &original = m_dom.node(node);
    target.attributes = original.attributes;
    target.id = original.id;
    target.classes = original.classes;
    if (m_fragments.contains(node))
        m_fragments.insert(copy.node);
    if (m_markupScripts.contains(node))
        m_markupScripts.insert(copy.node);
    return copy;
}

// A valid XML Name, as far as the browser checks one for createElement(): no white space, no
// markup characters, and not starting with what cannot start a name.
bool ScriptDocument::isValidName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool start = c.isLetter() || c == u'_' || c == u':' || c.unicode() >= 0x80;
        const bool inner = start || c.isDigit() || c == u'-' || c == u'.';
        if (!(i == 0 ? start : inner))
            return false;
    }
    return true;
}

void ScriptDocument::setTextContent(int node, const QString &text)
{
    if (isCharacterData(node)) {
        setNodeValue(node, text);
        return;
    }
    const DomNodeType type = nodeType(node);
    if (type != DomNodeType::Element && type != DomNodeType::DocumentFragment)
        return;
    removeAllChildren(node);
    if (text.isEmpty())
        return;
    if (const NodeResult made = createTextNode(text); made.error == DomError::None)
        insertUnchecked(node, made.node, noNode);
}
