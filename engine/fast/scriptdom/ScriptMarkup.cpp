#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/PageCancellation.h"
#include "engine/fast/scriptdom/ForeignNames.h"

#include <QSet>

namespace {

bool isVoidElement(const DomNode &node)
{
    static const QSet<QString> names{"area",  "base",  "basefont", "bgsound", "br",    "col",
                                     "embed", "frame", "hr",       "img",     "input", "keygen",
                                     "link",  "meta",  "param",    "source",  "track", "wbr"};
    return node.kind == DomNode::Element && node.ns == DomNode::Html && names.contains(node.name);
}

// Text in these is written as it is: the parser reads their content as plain text (a
// <noscript> too, with scripts on).
bool holdsRawText(const DomNode &node)
{
    static const QSet<QString> names{"style",   "script",   "xmp",       "iframe",
                                     "noembed", "noframes", "plaintext", "noscript"};
    return node.kind == DomNode::Element && node.ns == DomNode::Html && names.contains(node.name);
}

void appendEscaped(QString &out, const QString &text, bool attributeMode)
{
    for (QChar c : text) {
        if (c == u'&')
            out += u"&amp;";
        else if (c == QChar(0xA0))
            out += u"&nbsp;";
        else if (attributeMode && c == u'"')
            out += u"&quot;";
        else if (!attributeMode && c == u'<')
            out += u"&lt;";
        else if (!attributeMode && c == u'>')
            out += u"&gt;";
        else
            out += c;
    }
}

enum class AdjacentPosition { BeforeBegin, AfterBegin, BeforeEnd, AfterEnd, Invalid };

AdjacentPosition adjacentPosition(const QString &position)
{
    static const std::pair<const char *, AdjacentPosition> names[] = {
        {"beforebegin", AdjacentPosition::BeforeBegin},
        {"afterbegin", AdjacentPosition::AfterBegin},
        {"beforeend", AdjacentPosition::BeforeEnd},
        {"afterend", AdjacentPosition::AfterEnd},
    };
    for (const auto &[name, value] : names) {
        if (position.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return value;
    }
    return AdjacentPosition::Invalid;
}

} // namespace

TextResult ScriptDocument::innerHtml(int node) const
{
    // A template's markup is its content's, which the tree leaves out.
    if ((!isElement(node) && nodeType(node) != DomNodeType::DocumentFragment)
        || m_dom.node(node).isElement("template"))
        return {{}, DomError::NotModelled};
    QString out;
    const DomError error = serialiseChildren(node, out);
    return {error == DomError::None ? out : QString(), error};
}

TextResult ScriptDocument::outerHtml(int node) const
{
    if (!isElement(node))
        return {{}, DomError::NotModelled};
    QString out;
    if (const DomError error = serialiseOpening(node, out); error != DomError::None)
        return {{}, error};
    if (isVoidElement(m_dom.node(node)))
        return {out, DomError::None};
    if (const DomError error = serialiseChildren(node, out); error != DomError::None)
        return {{}, error};
    serialiseClosing(node, out);
    return {out, DomError::None};
}

DomError ScriptDocument::setInnerHtml(int node, const QString &html)
{
    if (!isElement(node))
        return DomError::NotModelled;
    const NodeListResult parsed = parseFragment(node, html);
    if (parsed.error != DomError::None)
        return parsed.error;
    removeAllChildren(node);
    for (int each : parsed.nodes)
        insertUnchecked(node, each, noNode);
    ++m_mutations;
    ++m_treeChanges;
    return DomError::None;
}

DomError ScriptDocument::setOuterHtml(int element, const QString &html)
{
    if (!isElement(element))
        return DomError::NotModelled;
    const int parent = parentNode(element);
    if (parent == noNode)
        return DomError::None;
    if (nodeType(parent) == DomNodeType::Document)
        return DomError::NoModificationAllowed;
    const NodeListResult parsed = parseFragment(parent, html);
    if (parsed.error != DomError::None)
        return parsed.error;
    const int reference = nextSibling(element);
    removeUnchecked(element);
    for (int each : parsed.nodes)
        insertUnchecked(parent, each, reference);
    return DomError::None;
}

DomError ScriptDocument::insertAdjacentHtml(int element, const QString &position,
                                            const QString &html)
{
    if (!isElement(element))
        return DomError::NotModelled;
    const AdjacentPosition where = adjacentPosition(position);
    if (where == AdjacentPosition::Invalid)
        return DomError::Syntax;
    const bool beside = where == AdjacentPosition::BeforeBegin
        || where == AdjacentPosition::AfterEnd;
    const int parent = parentNode(element);
    if (beside && (parent == noNode || nodeType(parent) == DomNodeType::Document))
        return DomError::NoModificationAllowed;
    const NodeListResult parsed = parseFragment(beside ? parent : element, html);
    if (parsed.error != DomError::None)
        return parsed.error;
    const int target = beside ? parent : element;
    const int reference = where == AdjacentPosition::BeforeBegin ? element
        : where == AdjacentPosition::AfterBegin                  ? firstChild(element)
        : where == AdjacentPosition::AfterEnd                    ? nextSibling(element)
                                                                 : noNode;
    for (int each : parsed.nodes)
        insertUnchecked(target, each, reference);
    return DomError::None;
}

NodeResult ScriptDocument::insertAdjacentElement(int element, const QString &position,
                                                 int newElement)
{
    if (!isElement(element))
        return {noNode, DomError::NotModelled};
    return insertAdjacent(element, position, newElement);
}

DomError ScriptDocument::insertAdjacentText(int element, const QString &position,
                                            const QString &text)
{
    if (!isElement(element))
        return DomError::NotModelled;
    if (adjacentPosition(position) == AdjacentPosition::Invalid)
        return DomError::Syntax;
    const NodeResult made = createTextNode(text);
    if (made.error != DomError::None)
        return made.error;
    return insertAdjacent(element, position, made.node).error;
}

NodeResult ScriptDocument::insertAdjacent(int element, const QString &position, int node)
{
    const int parent = parentNode(element);
    switch (adjacentPosition(position)) {
    case AdjacentPosition::BeforeBegin:
        return parent == noNode ? NodeResult{} : insertBefore(parent, node, element);
    case AdjacentPosition::AfterBegin:
        return insertBefore(element, node, firstChild(element));
    case AdjacentPosition::BeforeEnd:
        return appendChild(element, node);
    case AdjacentPosition::AfterEnd:
        return parent == noNode ? NodeResult{} : insertBefore(parent, node, nextSibling(element));
    case AdjacentPosition::Invalid:
        break;
    }
    return {noNode, DomError::Syntax};
}

// The children of `root` in markup, start and end tags written as the walk enters and leaves
// each element.
DomError ScriptDocument::serialiseChildren(int root, QString &out) const
{
    int at = firstChild(root);
    while (at != noNode) {
        checkPageCancelled();
        if (const DomError error = serialiseOpening(at, out); error != DomError::None)
            return error;
        if (out.size() > maxResultLength)
            return DomError::NotModelled;
        const int child = isElement(at) && !isVoidElement(m_dom.node(at)) ? firstChild(at) : noNode;
        if (child != noNode) {
            at = child;
            continue;
        }
        for (;;) {
            serialiseClosing(at, out);
            if (const int next = nextSibling(at); next != noNode) {
                at = next;
                break;
            }
            at = parentNode(at);
            if (at == root || at == noNode) {
                at = noNode;
                break;
            }
        }
    }
    return DomError::None;
}

DomError ScriptDocument::serialiseOpening(int node, QString &out) const
{
    const DomNode &current = m_dom.node(node);
    switch (current.kind) {
    case DomNode::Text: {
        const int parent = parentNode(node);
        if (isElement(parent) && holdsRawText(m_dom.node(parent)))
            out += current.text;
        else
            appendEscaped(out, current.text, false);
        return DomError::None;
    }
    case DomNode::Comment:
        out += QLatin1String("<!--") + current.text + QLatin1String("-->");
        return DomError::None;
    case DomNode::Element:
        break;
    }
    // The parser's tree leaves a template's content out.
    if (current.isElement("template"))
        return DomError::NotModelled;
    out += u'<' + adjustedElementName(current);
    for (const auto &[name, value] : current.attributes) {
        out += u' ' + adjustedAttributeName(current, name) + QLatin1String("=\"");
        appendEscaped(out, value, true);
        out += u'"';
    }
    out += u'>';
    return DomError::None;
}

void ScriptDocument::serialiseClosing(int node, QString &out) const
{
    const DomNode &current = m_dom.node(node);
    if (current.kind == DomNode::Element && !isVoidElement(current))
        out += QLatin1String("</") + adjustedElementName(current) + u'>';
}

// The nodes of `html` parsed with `context` as their parent, made in the document and not
// yet inserted. A script element among them never runs.
NodeListResult ScriptDocument::parseFragment(int context, const QString &html)
{
    const int document = nodeDocument(context);
    if (nodeType(context) == DomNodeType::DocumentFragment) {
        const NodeResult body = newElement(QStringLiteral("body"), DomNode::Html);
        if (body.error != DomError::None)
            return {{}, body.error};
        context = body.node;
    }
    const DomNode &contextNode = m_dom.node(context);
    if (contextNode.isElement("template"))
        return {{}, DomError::NotModelled};
    const Dom fragment = Dom::parseFragment(html.toUtf8(), contextNode.name, contextNode.ns);
    if (!fragment.parsedExactly())
        return {{}, DomError::NotModelled};
    if (m_dom.size() - m_parsedNodeCount + fragment.size() > maxCreatedNodes)
        return {{}, DomError::NotModelled};
    // The fragment's nodes are in document order: each parent is copied before its children.
    const int offset = m_dom.size();
    for (int at = 0; at < fragment.size(); ++at) {
        DomNode copy = fragment.node(at);
        const int parent = copy.parent;
        copy.parent = copy.firstChild = copy.lastChild = -1;
        copy.previousSibling = copy.nextSibling = -1;
        const int index = m_dom.append(std::move(copy), -1);
        adopt(index, document);
        if (parent >= 0)
            m_dom.insertBefore(parent + offset, index);
        if (m_dom.node(index).isElement("script"))
            m_markupScripts.insert(index);
    }
    std::vector<int> nodes;
    for (int top : fragment.documentChildren())
        nodes.push_back(top + offset);
    return {nodes, DomError::None};
}
