// Dom::parseXml: an XML document read by libxml2 (the parser the browser engine itself uses for
// XML) into the same flat tree as an HTML page.

#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/Utf8Text.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/XmlBounds.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QScopeGuard>

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// Nothing outside the document is ever read: no DTD, no external entity.
xmlParserInputPtr refuseExternalEntity(const char *, const char *, xmlParserCtxtPtr)
{
    return nullptr;
}

void initialiseParser()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
}

// A parse given up on stops within one chunk: libxml2 is fed the document a piece at a time.
constexpr qsizetype chunkBytes = 64 * 1024;

struct DocumentDeleter
{
    void operator()(xmlDoc *document) const { xmlFreeDoc(document); }
};
struct ContextDeleter
{
    void operator()(xmlParserCtxt *context) const { xmlFreeParserCtxt(context); }
};
struct XmlStringDeleter
{
    void operator()(xmlChar *text) const { xmlFree(text); }
};

QString fromXml(const xmlChar *text)
{
    return textFromUtf8(reinterpret_cast<const char *>(text));
}

DomNode::Namespace namespaceOf(const xmlNode *element)
{
    const QString uri = element->ns ? fromXml(element->ns->href) : QString();
    if (uri == QLatin1String("http://www.w3.org/1999/xhtml"))
        return DomNode::Html;
    if (uri == QLatin1String("http://www.w3.org/2000/svg"))
        return DomNode::Svg;
    if (uri == QLatin1String("http://www.w3.org/1998/Math/MathML"))
        return DomNode::MathMl;
    return DomNode::Other;
}

// With one of XHTML's own document types the browser knows HTML's named character references
// without reading the DTD.
bool hasXhtmlDocumentType(const xmlDoc *document)
{
    if (!document->intSubset || !document->intSubset->ExternalID)
        return false;
    const QString id = fromXml(document->intSubset->ExternalID);
    return id.startsWith(QLatin1String("-//W3C//DTD XHTML"))
        || id.startsWith(QLatin1String("-//WAPFORUM//DTD XHTML Mobile"))
        || id == QLatin1String("-//W3C//DTD MathML 2.0//EN");
}

DomNode elementNode(const xmlNode *element)
{
    DomNode node;
    node.kind = DomNode::Element;
    node.ns = namespaceOf(element);
    node.name = fromXml(element->name);
    for (const xmlAttr *attribute = element->properties; attribute; attribute = attribute->next) {
        QString name = fromXml(attribute->name);
        if (attribute->ns && attribute->ns->prefix)
            name = fromXml(attribute->ns->prefix) + u':' + name;
        const std::unique_ptr<xmlChar, XmlStringDeleter> value(
            xmlNodeListGetString(element->doc, attribute->children, 1));
        node.attributes.append({name, value ? fromXml(value.get()) : QLatin1String("")});
    }
    node.id = node.attribute(QLatin1String("id"));
    node.classes = DomNode::classWords(node.attribute(QLatin1String("class")));
    return node;
}

// The document libxml2 reads from bytes, and whether they are well-formed. No entity is
// expanded by the parser and nothing is fetched; errors stay quiet, and what precedes the first
// one is kept. Between chunks the page may be given up on.
std::unique_ptr<xmlDoc, DocumentDeleter> parseInChunks(QByteArrayView bytes, bool &wellFormed)
{
    // The first bytes tell the encoding.
    const qsizetype first = std::min<qsizetype>(bytes.size(), 4);
    const std::unique_ptr<xmlParserCtxt, ContextDeleter> context(
        xmlCreatePushParserCtxt(nullptr, nullptr, bytes.data(), int(first), nullptr));
    wellFormed = false;
    if (!context)
        return nullptr;
    // The document goes with the context until it is taken, should the page be given up on.
    const auto freeUntaken = qScopeGuard(
        [&context] { xmlFreeDoc(std::exchange(context->myDoc, nullptr)); });
    xmlCtxtUseOptions(context.get(),
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING
                          | XML_PARSE_RECOVER);
    for (qsizetype at = first; at < bytes.size(); at += chunkBytes) {
        checkPageCancelled();
        const qsizetype size = std::min(chunkBytes, bytes.size() - at);
        xmlParseChunk(context.get(), bytes.data() + at, int(size), 0);
    }
    checkPageCancelled();
    xmlParseChunk(context.get(), nullptr, 0, 1);
    wellFormed = context->wellFormed;
    return std::unique_ptr<xmlDoc, DocumentDeleter>(std::exchange(context->myDoc, nullptr));
}

} // namespace

Dom Dom::parseXml(const QByteArray &bytes, bool &exact)
{
    initialiseParser();
    Dom dom;
    const qsizetype boundsEnd = xmlBoundsEnd(bytes);
    const QByteArrayView parsed = boundsEnd < 0 ? QByteArrayView(bytes)
                                                : QByteArrayView(bytes).first(boundsEnd);
    bool wellFormed = false;
    const std::unique_ptr<xmlDoc, DocumentDeleter> document = parseInChunks(parsed, wellFormed);
    exact = document && wellFormed && boundsEnd < 0;
    if (!document)
        return dom;
    const bool htmlEntities = hasXhtmlDocumentType(document.get());

    struct Pending
    {
        const xmlNode *source;
        int parent;
    };
    std::vector<Pending> pending;
    for (const xmlNode *child = document->last; child; child = child->prev)
        pending.push_back({child, -1});
    auto appendText = [&dom](const QString &text, int parent) {
        const int previous = parent >= 0 ? dom.m_nodes[size_t(parent)].lastChild : -1;
        if (previous >= 0 && dom.m_nodes[size_t(previous)].kind == DomNode::Text) {
            dom.m_nodes[size_t(previous)].text += text;
            return;
        }
        DomNode node;
        node.kind = DomNode::Text;
        node.text = text;
        dom.append(std::move(node), parent);
    };
    while (!pending.empty()) {
        checkPageCancelled();
        const auto [source, parent] = pending.back();
        pending.pop_back();
        switch (source->type) {
        case XML_ELEMENT_NODE: {
            DomNode node = elementNode(source);
            if (node.ns == DomNode::Other)
                exact = false;
            const int index = dom.append(std::move(node), parent);
            const DomNode &added = dom.m_nodes[size_t(index)];
            if (parent < 0 && dom.m_documentElement < 0) {
                dom.m_documentElement = index;
                dom.m_documentChildren.push_back(index);
            } else if (dom.m_body < 0 && parent == dom.m_documentElement
                       && dom.node(parent).isElement("html")
                       && (added.isElement("body") || added.isElement("frameset")))
                dom.m_body = index;
            for (const xmlNode *child = source->last; child; child = child->prev)
                pending.push_back({child, index});
            break;
        }
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (parent >= 0)
                appendText(fromXml(source->content), parent);
            break;
        case XML_ENTITY_REF_NODE: {
            const htmlEntityDesc *entity = htmlEntities ? htmlEntityLookup(source->name) : nullptr;
            if (!entity) {
                exact = false;
                break;
            }
            if (parent >= 0)
                appendText(QString::fromUcs4(reinterpret_cast<const char32_t *>(&entity->value), 1),
                           parent);
            break;
        }
        case XML_PI_NODE:
            if (fromXml(source->name) == QLatin1String("xml-stylesheet"))
                exact = false;
            break;
        case XML_DTD_NODE:
            // Entities of the document's own make text the parser here does not expand.
            if (xmlHashSize(static_cast<xmlHashTablePtr>(
                    reinterpret_cast<const xmlDtd *>(source)->entities))
                > 0)
                exact = false;
            break;
        default:
            break;
        }
    }
    dom.countElementsByType();
    return dom;
}
