#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/PageCancellation.h"
#include "engine/fast/scriptdom/AsciiCase.h"
#include "engine/fast/scriptdom/ForeignNames.h"

namespace {

bool isHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

} // namespace

ScriptDocument::ScriptDocument(Dom &dom, bool htmlDocument)
    : m_dom(dom)
    , m_htmlDocument(htmlDocument)
    , m_parsedNodeCount(dom.size())
    , m_watermark(dom.size() - 1)
    , m_connected(size_t(dom.size()), true)
    , m_parsedSubtreeEnd(size_t(dom.size()))
{
    // The parse left the nodes in document order, each parent before its descendants: from the
    // last node back, every subtree's end is known before its parent's is asked for.
    for (int at = dom.size() - 1; at >= 0; --at) {
        m_parsedSubtreeEnd[size_t(at)] = std::max(m_parsedSubtreeEnd[size_t(at)], at);
        if (const int parent = dom.node(at).parent; parent >= 0) {
            int &end = m_parsedSubtreeEnd[size_t(parent)];
            end = std::max(end, m_parsedSubtreeEnd[size_t(at)]);
        }
    }
}

void ScriptDocument::setParsedUpTo(int node)
{
    if (node >= 0 && node < m_parsedNodeCount)
        revealUpTo(m_parsedSubtreeEnd[size_t(node)]);
}

void ScriptDocument::setParsedThrough(int node)
{
    if (node >= 0 && node < m_parsedNodeCount)
        revealUpTo(node);
}

void ScriptDocument::finishParsing()
{
    revealUpTo(m_parsedNodeCount - 1);
}

void ScriptDocument::revealUpTo(int watermark)
{
    if (watermark < m_watermark && m_mutations > 0)
        return;
    // The parents of the nodes hidden or revealed count their children again: over a whole
    // parse, each node once or twice.
    for (int at = std::min(watermark, m_watermark) + 1; at <= std::max(watermark, m_watermark);
         ++at)
        markPositionsStale(m_dom.node(at).parent);
    m_watermarkMoves += watermark != m_watermark ? 1 : 0;
    m_watermark = watermark;
}

bool ScriptDocument::isVisible(int node) const
{
    if (node == documentNode)
        return true;
    if (node == doctypeNode)
        return m_dom.doctype().present;
    if (node < 0 || node >= m_dom.size())
        return false;
    // The comments beside the root element come after its tree in the node array.
    return node <= m_watermark || node >= m_parsedNodeCount
        || (m_dom.node(node).parent < 0 && isDocumentChild(node));
}

std::vector<int> ScriptDocument::takeConnectedResourceElements()
{
    return std::exchange(m_connectedResources, {});
}

bool ScriptDocument::isMarkupScript(int element) const
{
    return m_markupScripts.contains(element);
}

DomNodeType ScriptDocument::nodeType(int node) const
{
    if (node == documentNode)
        return DomNodeType::Document;
    if (node == doctypeNode)
        return m_dom.doctype().present ? DomNodeType::DocumentType : DomNodeType::None;
    if (!isNode(node))
        return DomNodeType::None;
    if (m_fragments.contains(node))
        return DomNodeType::DocumentFragment;
    if (m_madeDocuments.contains(node))
        return DomNodeType::Document;
    if (m_madeDoctypes.contains(node))
        return DomNodeType::DocumentType;
    switch (m_dom.node(node).kind) {
    case DomNode::Element:
        return DomNodeType::Element;
    case DomNode::Text:
        return DomNodeType::Text;
    case DomNode::Comment:
        return DomNodeType::Comment;
    }
    return DomNodeType::None;
}

QString ScriptDocument::nodeName(int node) const
{
    switch (nodeType(node)) {
    case DomNodeType::Element:
        return tagName(node);
    case DomNodeType::Text:
        return QStringLiteral("#text");
    case DomNodeType::Comment:
        return QStringLiteral("#comment");
    case DomNodeType::Document:
        return QStringLiteral("#document");
    case DomNodeType::DocumentType:
        return doctypeName(node);
    case DomNodeType::DocumentFragment:
        return QStringLiteral("#document-fragment");
    case DomNodeType::None:
        break;
    }
    return {};
}

QString ScriptDocument::tagName(int element) const
{
    if (!isElement(element))
        return {};
    const DomNode &node = m_dom.node(element);
    return m_htmlDocument && node.ns == DomNode::Html ? asciiUppered(node.name)
                                                      : adjustedElementName(node);
}

QString ScriptDocument::localName(int element) const
{
    return isElement(element) ? adjustedElementName(m_dom.node(element)) : QString();
}

QString ScriptDocument::namespaceUri(int element) const
{
    if (!isElement(element))
        return {};
    switch (m_dom.node(element).ns) {
    case DomNode::Html:
        return QStringLiteral("http://www.w3.org/1999/xhtml");
    case DomNode::Svg:
        return QStringLiteral("http://www.w3.org/2000/svg");
    case DomNode::MathMl:
        return QStringLiteral("http://www.w3.org/1998/Math/MathML");
    case DomNode::Other:
        break;
    }
    return {};
}

QString ScriptDocument::nodeValue(int node) const
{
    return isCharacterData(node) ? m_dom.node(node).text : QString();
}

void ScriptDocument::setNodeValue(int node, const QString &value)
{
    if (!isCharacterData(node))
        return;
    m_dom.m_nodes[size_t(node)].text = value;
    ++m_mutations;
    m_parsedNodesChanged = m_parsedNodesChanged || node < m_parsedNodeCount;
}

QString ScriptDocument::textContent(int node) const
{
    if (isCharacterData(node))
        return m_dom.node(node).text;
    if (!isNode(node))
        return {};
    QString text;
    for (int at = firstChild(node); at >= 0; at = nextInTree(at, node)) {
        checkPageCancelled();
        if (m_dom.node(at).kind != DomNode::Text)
            continue;
        if (text.size() + m_dom.node(at).text.size() > maxResultLength) {
            m_resultCutShort = true;
            break;
        }
        text += m_dom.node(at).text;
    }
    return text;
}

int ScriptDocument::doctype(int document) const
{
    if (document == documentNode)
        return m_dom.doctype().present && !m_doctypeRemoved ? doctypeNode : noNode;
    for (int at = firstChild(document); at != noNode; at = nextSibling(at)) {
        if (m_madeDoctypes.contains(at))
            return at;
    }
    return noNode;
}

QString ScriptDocument::doctypeName(int doctype) const
{
    return doctype == doctypeNode ? m_dom.doctype().name : m_dom.node(doctype).name;
}

// A document a script makes has a doctype without identifiers.
QString ScriptDocument::doctypePublicId(int doctype) const
{
    return doctype == doctypeNode ? m_dom.doctype().publicId : QString();
}

QString ScriptDocument::doctypeSystemId(int doctype) const
{
    return doctype == doctypeNode ? m_dom.doctype().systemId : QString();
}

int ScriptDocument::parentNode(int node) const
{
    if (node == doctypeNode)
        return doctype() == doctypeNode ? documentNode : noNode;
    if (!isNode(node))
        return noNode;
    const int parent = m_dom.node(node).parent;
    if (parent >= 0)
        return parent;
    return isDocumentChild(node) ? documentNode : noNode;
}

int ScriptDocument::parentElement(int node) const
{
    const int parent = parentNode(node);
    return isElement(parent) ? parent : noNode;
}

int ScriptDocument::firstChild(int node) const
{
    if (node == documentNode)
        return doctype() != noNode             ? doctypeNode
            : m_dom.m_documentChildren.empty() ? noNode
                                               : m_dom.m_documentChildren.front();
    if (!isNode(node))
        return noNode;
    const int first = m_dom.node(node).firstChild;
    return isVisible(first) ? first : noNode;
}

int ScriptDocument::lastChild(int node) const
{
    if (node == documentNode)
        return m_dom.m_documentChildren.empty() ? doctype() : m_dom.m_documentChildren.back();
    if (!isNode(node))
        return noNode;
    return lastVisibleChild(node);
}

int ScriptDocument::nextSibling(int node) const
{
    if (parentNode(node) == documentNode) {
        const std::vector<int> all = documentChildren();
        const auto at = std::find(all.begin(), all.end(), node);
        return at + 1 < all.end() ? *(at + 1) : noNode;
    }
    if (!isNode(node))
        return noNode;
    const int next = m_dom.node(node).nextSibling;
    return isVisible(next) ? next : noNode;
}

int ScriptDocument::previousSibling(int node) const
{
    if (parentNode(node) == documentNode) {
        const std::vector<int> all = documentChildren();
        const auto at = std::find(all.begin(), all.end(), node);
        return at > all.begin() ? *(at - 1) : noNode;
    }
    return isNode(node) ? m_dom.node(node).previousSibling : noNode;
}

int ScriptDocument::firstElementChild(int node) const
{
    int at = firstChild(node);
    while (at != noNode && !isElement(at))
        at = nextSibling(at);
    return at;
}

int ScriptDocument::lastElementChild(int node) const
{
    int at = lastChild(node);
    while (at != noNode && !isElement(at))
        at = previousSibling(at);
    return at;
}

int ScriptDocument::nextElementSibling(int node) const
{
    int at = nextSibling(node);
    while (at != noNode && !isElement(at))
        at = nextSibling(at);
    return at;
}

int ScriptDocument::previousElementSibling(int node) const
{
    int at = previousSibling(node);
    while (at != noNode && !isElement(at))
        at = previousSibling(at);
    return at;
}

std::vector<int> ScriptDocument::childNodes(int node) const
{
    std::vector<int> nodes;
    for (int at = firstChild(node); at != noNode; at = nextSibling(at))
        nodes.push_back(at);
    return nodes;
}

std::vector<int> ScriptDocument::children(int node) const
{
    std::vector<int> elements;
    for (int at = firstElementChild(node); at != noNode; at = nextElementSibling(at))
        elements.push_back(at);
    return elements;
}

int ScriptDocument::childElementCount(int node) const
{
    return int(children(node).size());
}

bool ScriptDocument::hasChildNodes(int node) const
{
    return firstChild(node) != noNode;
}

bool ScriptDocument::contains(int node, int other) const
{
    for (int at = other; at != noNode; at = parentNode(at)) {
        if (at == node)
            return true;
    }
    return false;
}

unsigned short ScriptDocument::compareDocumentPosition(int node, int other) const
{
    enum : unsigned short {
        Disconnected = 0x01,
        Preceding = 0x02,
        Following = 0x04,
        Contains = 0x08,
        ContainedBy = 0x10,
        ImplementationSpecific = 0x20,
    };
    if (node == other)
        return 0;
    const std::vector<int> nodePath = pathFromRoot(node);
    const std::vector<int> otherPath = pathFromRoot(other);
    if (nodePath.empty() || otherPath.empty() || nodePath.front() != otherPath.front()) {
        // The standard lets the order be any that stays the same: the handles give one.
        return Disconnected | ImplementationSpecific | (other < node ? Preceding : Following);
    }
    size_t shared = 0;
    while (shared < nodePath.size() && shared < otherPath.size()
           && nodePath[shared] == otherPath[shared])
        ++shared;
    if (shared == nodePath.size())
        return ContainedBy | Following;
    if (shared == otherPath.size())
        return Contains | Preceding;
    // Siblings below the deepest shared ancestor decide.
    const int parent = nodePath[shared - 1];
    for (int at = firstChild(parent); at != noNode; at = nextSibling(at)) {
        if (at == otherPath[shared])
            return Preceding;
        if (at == nodePath[shared])
            return Following;
    }
    return Disconnected | ImplementationSpecific;
}

bool ScriptDocument::isConnected(int node) const
{
    if (node == documentNode || node == doctypeNode)
        return parentNode(node) != noNode || node == documentNode;
    return isNode(node) && size_t(node) < m_connected.size() && m_connected[size_t(node)];
}

int ScriptDocument::rootNode(int node) const
{
    int root = node;
    for (int at = node; at != noNode; at = parentNode(at))
        root = at;
    return root;
}

int ScriptDocument::documentElement(int document) const
{
    if (document != documentNode)
        return firstElementChild(document);
    for (int child : m_dom.m_documentChildren) {
        if (isElement(child))
            return child;
    }
    return noNode;
}

int ScriptDocument::head(int document) const
{
    for (int at = firstElementChild(documentElement(document)); at != noNode;
         at = nextElementSibling(at)) {
        if (m_dom.node(at).isElement("head"))
            return at;
    }
    return noNode;
}

int ScriptDocument::body(int document) const
{
    for (int at = firstElementChild(documentElement(document)); at != noNode;
         at = nextElementSibling(at)) {
        if (m_dom.node(at).isElement("body") || m_dom.node(at).isElement("frameset"))
            return at;
    }
    return noNode;
}

QString ScriptDocument::title() const
{
    const int element = titleElement();
    if (element == noNode)
        return {};
    QString title;
    bool space = false;
    for (QChar c : textContent(element)) {
        if (isHtmlSpace(c)) {
            space = !title.isEmpty();
            continue;
        }
        if (space)
            title += u' ';
        title += c;
        space = false;
    }
    return title;
}

void ScriptDocument::setTitle(const QString &title)
{
    int element = titleElement();
    if (element == noNode) {
        const int headElement = head();
        if (headElement == noNode)
            return;
        element = createElement(QStringLiteral("title")).node;
        appendChild(headElement, element);
    }
    setTextContent(element, title);
}

int ScriptDocument::titleElement() const
{
    for (int at = documentElement(); at != noNode; at = nextInTree(at, documentNode)) {
        checkPageCancelled();
        if (m_dom.node(at).isElement("title"))
            return at;
    }
    return noNode;
}

bool ScriptDocument::isNode(int node) const
{
    return node >= 0 && isVisible(node);
}

bool ScriptDocument::isElement(int node) const
{
    return nodeType(node) == DomNodeType::Element;
}

bool ScriptDocument::isCharacterData(int node) const
{
    const DomNodeType type = nodeType(node);
    return type == DomNodeType::Text || type == DomNodeType::Comment;
}

bool ScriptDocument::isDocumentChild(int node) const
{
    const std::vector<int> &children = m_dom.m_documentChildren;
    return std::find(children.begin(), children.end(), node) != children.end();
}

// The doctype, when there is one, comes first: the parser puts it nowhere else.
std::vector<int> ScriptDocument::documentChildren() const
{
    std::vector<int> children;
    if (doctype() != noNode)
        children.push_back(doctypeNode);
    children.insert(children.end(), m_dom.m_documentChildren.begin(),
                    m_dom.m_documentChildren.end());
    return children;
}

int ScriptDocument::lastVisibleChild(int parent) const
{
    int last = m_dom.node(parent).lastChild;
    while (last >= 0 && !isVisible(last))
        last = m_dom.node(last).previousSibling;
    return last;
}

int ScriptDocument::nextInTree(int node, int root) const
{
    if (const int first = firstChild(node); first != noNode)
        return first;
    for (int at = node; at != noNode && at != root; at = parentNode(at)) {
        if (const int next = nextSibling(at); next != noNode)
            return next;
    }
    return noNode;
}

std::vector<int> ScriptDocument::pathFromRoot(int node) const
{
    std::vector<int> path;
    for (int at = node; at != noNode; at = parentNode(at))
        path.push_back(at);
    std::reverse(path.begin(), path.end());
    return path;
}
