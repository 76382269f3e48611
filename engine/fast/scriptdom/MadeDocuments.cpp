#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/PageCancellation.h"

NodeResult ScriptDocument::createHtmlDocument(const std::optional<QString> &title)
{
    // The document, its doctype, html, head, body, and the title with its text.
    constexpr int nodesMade = 7;
    if (!m_htmlDocument || m_dom.size() - m_parsedNodeCount + nodesMade > maxCreatedNodes)
        return {noNode, DomError::NotModelled};
    // The document and its doctype are comments to the engine's tree, so that neither a
    // selector nor a walk for text takes them for an element.
    const int document = newCharacterData(DomNode::Comment, QString()).node;
    m_madeDocuments.insert(document);
    const int doctype = ownedBy(newCharacterData(DomNode::Comment, QString()), document).node;
    m_madeDoctypes.insert(doctype);
    m_dom.m_nodes[size_t(doctype)].name = QStringLiteral("html");
    const auto element = [&](const char *name, int parent) {
        const int made = ownedBy(newElement(QLatin1String(name), DomNode::Html), document).node;
        m_dom.insertBefore(parent, made);
        markPositionsStale(parent);
        return made;
    };
    m_dom.insertBefore(document, doctype);
    const int html = element("html", document);
    const int head = element("head", html);
    if (title) {
        const int titleElement = element("title", head);
        m_dom.insertBefore(titleElement, createTextNode(*title, document).node);
    }
    element("body", html);
    ++m_mutations;
    ++m_treeChanges;
    return {document, DomError::None};
}

int ScriptDocument::nodeDocument(int node) const
{
    if (m_madeDocuments.contains(node))
        return node;
    return m_madeDocumentOf.value(node, documentNode);
}

NodeResult ScriptDocument::ownedBy(NodeResult made, int document)
{
    if (made.error == DomError::None && m_madeDocuments.contains(document))
        m_madeDocumentOf.insert(made.node, document);
    return made;
}

// A node and its descendants always belong to one document: a node that already belongs to
// the new one has its subtree with it.
void ScriptDocument::adopt(int node, int document)
{
    if (node < 0 || nodeDocument(node) == document)
        return;
    for (int at = node; at >= 0; at = m_dom.next(at, node)) {
        checkPageCancelled();
        if (document == documentNode)
            m_madeDocumentOf.remove(at);
        else
            m_madeDocumentOf.insert(at, document);
    }
}
