#pragma once

#include "engine/fast/css/Selector.h"
#include "engine/fast/dom/Dom.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class SelectorMatcher;

// What a DOM operation reports besides its result. Each but the last is the DOMException of
// that name the script sees; NotModelled means the answer here might not be the browser's,
// and the page must go to the browser engine.
enum class DomError : unsigned char {
    None,
    HierarchyRequest,
    NotFound,
    Syntax,
    InvalidCharacter,
    NoModificationAllowed,
    NotModelled,
};

// The node types a script reads from Node.nodeType.
enum class DomNodeType : unsigned short {
    None = 0, // no such node
    Element = 1,
    Text = 3,
    Comment = 8,
    Document = 9,
    DocumentType = 10,
    DocumentFragment = 11,
};

struct NodeResult
{
    int node = -1;
    DomError error = DomError::None;
};

struct NodeListResult
{
    std::vector<int> nodes;
    DomError error = DomError::None;
};

struct TextResult
{
    QString text;
    DomError error = DomError::None;
};

struct BoolResult
{
    bool value = false;
    DomError error = DomError::None;
};

// One argument of before(), after(), append(), prepend(), replaceWith() and
// replaceChildren(): a node, or a string that becomes a new Text node.
struct NodeOrText
{
    int node = -1; // -1: the text
    QString text;
};

// The document tree as a page's scripts see and change it, with the DOM standard's semantics,
// over the engine's own `Dom`. A node is known by its index in the Dom (handles stay valid for
// the document's life: nodes are never moved or freed while scripts run); the document and its
// doctype have handles of their own. Every walk is a loop, never a recursion over the tree, and
// every page-controlled count is bounded. Scripts see comments: the Dom is meant to be parsed
// with them kept (Dom::ParseOptions::keepComments).
//
// The parser's watermark: gumbo parses the whole page before any script runs, so a script the
// parser inserted must see the tree only as far as the parser had built it when it reached the
// script. Until finishParsing(), nodes the parser made after the watermark are hidden from
// every query and walk, and a node inserted as last child of an element the parser is still
// inside goes before its hidden children.
//
// When the scripts are done (and finishParsing() was called) the caller puts the Dom back in
// document order with Dom::finishEditing(), which renumbers the nodes: no handle is valid
// after that.
class ScriptDocument
{
public:
    // Nodes a page's scripts may make beyond those of the page itself: enough for any real
    // page, and a bound on the memory of one that loops making them.
    static constexpr int maxCreatedNodes = 1 << 20;
    // Attributes of one element (each change looks through them all), and the characters of
    // one piece of markup or text a query gives back.
    static constexpr qsizetype maxAttributes = 1 << 12;
    static constexpr qsizetype maxResultLength = qsizetype(1) << 27;

    static constexpr int noNode = -1;
    static constexpr int documentNode = -2;
    static constexpr int doctypeNode = -3;

    // `htmlDocument` is false for a page the XML parser read (XHTML): names keep their case.
    explicit ScriptDocument(Dom &dom, bool htmlDocument = true);
    // One view of a tree: a copy's state would part from the tree's.
    ScriptDocument(const ScriptDocument &) = delete;
    ScriptDocument &operator=(const ScriptDocument &) = delete;

    const Dom &dom() const { return m_dom; }
    bool isHtmlDocument() const { return m_htmlDocument; }

    // --- The parser's watermark ---
    // Reveals the parser's nodes up to the end of `node` (a node of the parsed page): the node
    // and everything in it, as when the parser has just closed it (a script runs when its end
    // tag is read). Every node is shown until the first call. Once the tree has changed, the
    // watermark only moves on: a node shown stays shown (a script may have put nodes below it).
    void setParsedUpTo(int node);
    // Reveals the parser's nodes up to `node` itself, not what lies below it: the parser has
    // just read the start of `node` (markup a script wrote, read while the script runs).
    void setParsedThrough(int node);
    // Reveals every node.
    void finishParsing();
    // Whether the node exists and is not hidden by the watermark.
    bool isVisible(int node) const;

    // --- Changes, for the runtime's settle rule and the scripts it must run ---
    // Grows with every change to the tree, its attributes or its character data.
    std::uint64_t mutationCount() const { return m_mutations; }
    // Grows with every change and every move of the watermark: the cascade, and a live list
    // that selects by attributes (getElementsByClassName()...), need be run again only when
    // it has grown.
    std::uint64_t viewVersion() const { return m_mutations + m_watermarkMoves; }
    // Grows with every node inserted or removed and every move of the watermark, but not with
    // attribute or text changes: childNodes, children and getElementsByTagName() need be asked
    // again only when it has grown. A page that sets a class on each child in a loop over
    // childNodes would otherwise walk the children again at every step.
    std::uint64_t treeVersion() const { return m_treeChanges + m_watermarkMoves; }
    // Whether a script changed a node the parser made (its attributes, its text, its children
    // or its place): the tree is then no longer the parse of the page's input with nodes made
    // by scripts beside it.
    bool parsedNodesChanged() const { return m_parsedNodesChanged; }
    // The <script>, <link> and <style> elements that became connected by a script's change
    // since the last call, in the order they were connected (each connection once).
    std::vector<int> takeConnectedResourceElements();
    // Whether the script element was made by fragment parsing (innerHTML, outerHTML,
    // insertAdjacentHTML, or a clone of one): such a script never runs.
    bool isMarkupScript(int element) const;

    // --- What a node is ---
    DomNodeType nodeType(int node) const;
    // nodeName: the tag name for an element, "#text", "#comment", "#document",
    // "#document-fragment", or the doctype's name.
    QString nodeName(int node) const;
    // tagName: the qualified name, upper-cased for an HTML element of an HTML document.
    QString tagName(int element) const;
    QString localName(int element) const;
    // namespaceURI of an element; null for other nodes.
    QString namespaceUri(int element) const;
    // nodeValue and data: a Text or Comment node's data; null for every other node.
    QString nodeValue(int node) const;
    // Sets a Text or Comment node's data; does nothing to other nodes.
    void setNodeValue(int node, const QString &value);
    // textContent: null for the document and the doctype. Past maxResultLength the text is
    // cut short and resultCutShort() tells.
    QString textContent(int node) const;
    // Whether some answer was cut short at a bound: the page must go to the browser engine.
    bool resultCutShort() const { return m_resultCutShort; }
    // Replaces an element's or fragment's children by one Text node (none for an empty
    // string), or sets character data; does nothing for the document and the doctype.
    void setTextContent(int node, const QString &text);

    // --- The doctype (document.doctype, or noNode when the document has none) ---
    int doctype(int document = documentNode) const;
    QString doctypeName(int doctype = doctypeNode) const;
    QString doctypePublicId(int doctype = doctypeNode) const;
    QString doctypeSystemId(int doctype = doctypeNode) const;

    // --- Tree navigation; all honour the watermark ---
    int parentNode(int node) const;
    int parentElement(int node) const;
    int firstChild(int node) const;
    int lastChild(int node) const;
    int nextSibling(int node) const;
    int previousSibling(int node) const;
    int firstElementChild(int node) const;
    int lastElementChild(int node) const;
    int nextElementSibling(int node) const;
    int previousElementSibling(int node) const;
    std::vector<int> childNodes(int node) const;
    std::vector<int> children(int node) const; // elements only
    int childElementCount(int node) const;
    bool hasChildNodes(int node) const;
    // Whether `other` is `node` or one of its descendants.
    bool contains(int node, int other) const;
    // The bit mask of Node.compareDocumentPosition(), `other` as seen from `node`.
    unsigned short compareDocumentPosition(int node, int other) const;
    bool isConnected(int node) const;
    // getRootNode(): the document for a connected node, else the top of its tree.
    int rootNode(int node) const;

    // --- A document's own elements ---
    int documentElement(int document = documentNode) const;
    int head(int document = documentNode) const;
    int body(int document = documentNode) const;
    // document.title: the first <title>'s text with white space stripped and collapsed.
    QString title() const;
    void setTitle(const QString &title);

    // --- Making nodes (each belongs to no parent until inserted), in `document` ---
    // document.createElement: InvalidCharacter for a name that is not a valid name.
    NodeResult createElement(const QString &name, int document = documentNode);
    // document.createElementNS: HTML, SVG and MathML without a prefix; others NotModelled.
    NodeResult createElementNs(const QString &namespaceUri, const QString &qualifiedName,
                               int document = documentNode);
    NodeResult createTextNode(const QString &data, int document = documentNode);
    NodeResult createComment(const QString &data, int document = documentNode);
    NodeResult createDocumentFragment(int document = documentNode);

    // --- Documents a script makes (DOMImplementation.createHTMLDocument()) ---
    // Such a document's nodes are never rendered: they reach the page's tree only when a
    // script inserts them there, which adopts them into the page's document. Its own tree
    // stays as made: changes to the document's children are NotModelled.
    // The new document with its doctype, root, head, a title when one is given, and body;
    // NotModelled in a page the XML parser read.
    NodeResult createHtmlDocument(const std::optional<QString> &title);
    // The document a node belongs to: documentNode, or one a script made (itself for a
    // document).
    int nodeDocument(int node) const;
    // cloneNode(): NotModelled for the document and the doctype.
    NodeResult cloneNode(int node, bool deep);

    // --- Changing the tree: the standard's pre-insertion validity, then the change. Only
    // comments come and go below the document itself: taking the root element away, moving it
    // or putting another in its place is NotModelled. ---
    NodeResult appendChild(int parent, int child);
    NodeResult insertBefore(int parent, int child, int before);
    NodeResult removeChild(int parent, int child);
    NodeResult replaceChild(int parent, int newChild, int oldChild);
    // ChildNode.remove(): nothing when the node has no parent.
    DomError remove(int node);
    DomError before(int node, const std::vector<NodeOrText> &nodes);
    DomError after(int node, const std::vector<NodeOrText> &nodes);
    DomError replaceWith(int node, const std::vector<NodeOrText> &nodes);
    DomError append(int parent, const std::vector<NodeOrText> &nodes);
    DomError prepend(int parent, const std::vector<NodeOrText> &nodes);
    DomError replaceChildren(int parent, const std::vector<NodeOrText> &nodes);

    // --- Markup: the HTML fragment serialisation and parsing algorithms. A template's
    // content is not modelled (the parse leaves it out): its markup, read or set, is
    // NotModelled. ---
    TextResult innerHtml(int node) const;
    TextResult outerHtml(int node) const;
    DomError setInnerHtml(int node, const QString &html);
    DomError setOuterHtml(int element, const QString &html);
    // `position` as the script gave it ("beforebegin", "afterbegin", "beforeend",
    // "afterend", in any case): Syntax for another.
    DomError insertAdjacentHtml(int element, const QString &position, const QString &html);
    // The inserted element, or noNode when there was no place (a position beside an element
    // without a parent).
    NodeResult insertAdjacentElement(int element, const QString &position, int newElement);
    DomError insertAdjacentText(int element, const QString &position, const QString &text);

    // --- Attributes (names lower-cased for an HTML element of an HTML document) ---
    // The value, or a null string when the element lacks it.
    QString attribute(int element, const QString &name) const;
    bool hasAttribute(int element, const QString &name) const;
    bool hasAttributes(int element) const;
    // InvalidCharacter for a name that is not a valid name; NotModelled past maxAttributes, or
    // for the lower-case spelling of a mixed-case SVG or MathML attribute name ("viewbox").
    DomError setAttribute(int element, const QString &name, const QString &value);
    void removeAttribute(int element, const QString &name);
    // toggleAttribute(): whether the attribute is there afterwards.
    BoolResult toggleAttribute(int element, const QString &name, std::optional<bool> force);
    // In order: Element.attributes and getAttributeNames().
    QList<std::pair<QString, QString>> attributes(int element) const;
    QStringList attributeNames(int element) const;
    // id and className reflect their attributes.
    QString id(int element) const;
    void setId(int element, const QString &id);
    QString className(int element) const;
    void setClassName(int element, const QString &className);

    // --- classList, a DOMTokenList over the class attribute ---
    // The ordered set of its tokens (length and item() read this).
    QStringList classList(int element) const;
    bool classListContains(int element, const QString &token) const;
    // Syntax for an empty token, InvalidCharacter for one with ASCII white space.
    DomError classListAdd(int element, const QStringList &tokens);
    DomError classListRemove(int element, const QStringList &tokens);
    // Whether the token is present afterwards.
    BoolResult classListToggle(int element, const QString &token, std::optional<bool> force);
    // Whether the token was there and was replaced.
    BoolResult classListReplace(int element, const QString &token, const QString &newToken);
    // value: the attribute's value; setting it sets the attribute.
    QString classListValue(int element) const { return className(element); }

    // --- dataset ---
    // The data-* attributes as (property name, value), in attribute order.
    QList<std::pair<QString, QString>> dataset(int element) const;
    // The attribute a dataset property stands for ("fooBar" -> "data-foo-bar"); Syntax for a
    // property with "-" before an ASCII lower-case letter.
    static TextResult datasetAttributeName(const QString &property);
    // The property an attribute name stands for, or a null string when it is none.
    static QString datasetPropertyName(const QString &attributeName);

    // --- Queries, from `root` (the document, an element or a fragment); results in tree
    // order. The lists a script keeps live are asked again on each access. ---
    int getElementById(int root, const QString &id) const;
    std::vector<int> getElementsByTagName(int root, const QString &qualifiedName) const;
    std::vector<int> getElementsByClassName(int root, const QString &classNames) const;
    std::vector<int> getElementsByName(const QString &name, int document = documentNode) const;
    // The elements the window has for a property of that name: those with that id, and the
    // embed, form, iframe, img, object and frame elements with that name; in tree order, two
    // at most (two or more make a collection).
    std::vector<int> windowNamedElements(const QString &name) const;
    // Syntax for an invalid selector; NotModelled for one the engine's matcher does not
    // follow (selectors nested too deep, syntax only the browser reads, state such as focus or
    // validity). A pseudo-element matches nothing, as in the browser; :checked, :disabled and
    // :enabled follow the attributes, :hover and its kind never match.
    NodeResult querySelector(int root, const QString &selectors);
    NodeListResult querySelectorAll(int root, const QString &selectors);
    BoolResult matches(int element, const QString &selectors);
    NodeResult closest(int element, const QString &selectors);
    // The whole tree, for a cascade over it, with every element's place among its siblings
    // counted; null while the parser's watermark hides nodes, which the cascade would see.
    const Dom *treeForCascade();

private:
    void revealUpTo(int watermark);
    bool isNode(int node) const; // a visible node of the Dom, not the document nor the doctype
    bool isElement(int node) const;
    bool isCharacterData(int node) const;
    bool isDocumentChild(int node) const; // of the document's children but the doctype
    std::vector<int> documentChildren() const;
    int lastVisibleChild(int parent) const;
    int firstHiddenChild(int parent) const;
    int nextInTree(int node, int root) const;
    std::vector<int> pathFromRoot(int node) const;
    int titleElement() const;
    NodeResult ownedBy(NodeResult made, int document);
    void adopt(int node, int document);

    DomError insertionError(int parent, int node, int child, int replaced) const;
    DomError documentInsertionError(int node, int reference, bool replacing) const;
    void insertUnchecked(int parent, int node, int before);
    DomError removeUnchecked(int node);
    void removeAllChildren(int parent);
    void childrenChanged(int parent);
    void setConnected(int node, bool connected);
    static bool listHolds(const std::vector<NodeOrText> &nodes, int node);
    NodeResult intoOneNode(const std::vector<NodeOrText> &nodes);
    NodeResult newElement(const QString &localName, DomNode::Namespace ns);
    NodeResult newCharacterData(DomNode::Kind kind, const QString &data);
    NodeResult cloneOne(int node);
    static bool isValidName(const QString &name);

    NodeResult insertAdjacent(int element, const QString &position, int node);
    DomError serialiseChildren(int root, QString &out) const;
    DomError serialiseOpening(int node, QString &out) const;
    void serialiseClosing(int node, QString &out) const;
    NodeListResult parseFragment(int context, const QString &html);

    // The name the engine's tree keeps the attribute under; null for one it cannot keep.
    QString attributeName(int element, const QString &name) const;
    void attributeChanged(int element, const QString &name);
    void updateClassList(int element, const QStringList &tokens);

    // Positions among siblings, which selectors read, are counted again lazily.
    void markPositionsStale(int parent);
    void countStalePositions();
    // The list `selectors` for a query at `node`.
    std::optional<std::vector<ComplexSelector>> parsedSelectors(const QString &selectors, int node,
                                                                DomError &error);
    NodeListResult selectorQuery(int root, const QString &selectors, bool firstOnly);
    void buildIdIndex() const;
    bool matchesAny(SelectorMatcher &matcher, const std::vector<ComplexSelector> &list,
                    int element) const;

    Dom &m_dom;
    bool m_htmlDocument;
    int m_parsedNodeCount;               // the parser made nodes [0, m_parsedNodeCount)
    int m_watermark;                     // of those, [0, m_watermark] are visible
    std::vector<bool> m_connected;       // per node; those made later are not, until inserted
    std::vector<int> m_parsedSubtreeEnd; // per node of the parse: its last descendant's index
    bool m_doctypeRemoved = false;
    std::uint64_t m_watermarkMoves = 0;
    mutable bool m_resultCutShort = false;
    struct IdIndex
    {
        std::uint64_t treeVersion = ~std::uint64_t(0); // the tree it was made for
        std::uint64_t namingChanges = 0;               // and its elements' ids
        bool built = false;
        QHash<QString, int> first; // each id's first element in tree order
    };
    mutable IdIndex m_idIndex;
    struct WindowNames
    {
        std::uint64_t treeVersion = ~std::uint64_t(0);
        std::uint64_t namingChanges = 0;
        QHash<QString, std::vector<int>> elements; // each name's first two elements
    };
    mutable WindowNames m_windowNames;
    std::uint64_t m_mutations = 0;
    std::uint64_t m_treeChanges = 0;
    std::uint64_t m_namingChanges = 0; // of an element's id or name attribute
    bool m_parsedNodesChanged = false;
    std::vector<int> m_connectedResources;
    QSet<int> m_markupScripts;
    QSet<int> m_fragments;
    // Documents and their doctypes scripts made, held in the tree as nodes that no selector
    // and no text walk takes for elements or text; the nodes that belong to one.
    QSet<int> m_madeDocuments;
    QSet<int> m_madeDoctypes;
    QHash<int, int> m_madeDocumentOf;
    QSet<int> m_stalePositions; // parents whose children's positions changed
};
