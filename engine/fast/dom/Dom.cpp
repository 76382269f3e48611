#include "engine/fast/dom/Dom.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/ParserArena.h"
#include "engine/fast/dom/ParserInput.h"
#include "engine/fast/dom/Utf8Text.h"

#include <QHash>
#include <QSet>

#include <gumbo.h>

#include <algorithm>

namespace {

// The parser's error list keeps a copy of the open elements for every error, which for a page
// nested thousands deep costs gigabytes; nothing here reads it. Its memory comes from `arena`,
// which takes the parser's tree with it: the tree is never freed node by node.
GumboOptions parserOptions(ParserArena &arena)
{
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    options.allocator = &ParserArena::allocate;
    options.deallocator = &ParserArena::deallocate;
    options.userdata = &arena;
    return options;
}

bool isClassSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// Below this many open elements the browser's parser puts each new node beside its parent
// instead of in it, so that no page can make its tree deeper.
constexpr int maxTreeDepth = 512;

DomNode::Namespace namespaceOf(GumboNamespaceEnum ns)
{
    switch (ns) {
    case GUMBO_NAMESPACE_SVG:
        return DomNode::Svg;
    case GUMBO_NAMESPACE_MATHML:
        return DomNode::MathMl;
    case GUMBO_NAMESPACE_HTML:
        break;
    }
    return DomNode::Html;
}

QString elementName(const GumboElement &element)
{
    if (element.tag != GUMBO_TAG_UNKNOWN) {
        // One shared string for each known name, rather than one for each element.
        static const std::vector<QString> names = [] {
            std::vector<QString> all;
            for (int tag = 0; tag < GUMBO_TAG_UNKNOWN; ++tag)
                all.push_back(QString::fromLatin1(gumbo_normalized_tagname(GumboTag(tag))));
            return all;
        }();
        return names[size_t(element.tag)];
    }
    // The source spelling, "<custom-tag attr>", cut down to the name.
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    return QString::fromUtf8(piece.data, qsizetype(piece.length)).toLower();
}

// The parser leaves the prefix out of a foreign element's xlink:, xml: and xmlns: attributes
// (keeping their namespace apart); the browser's tree names them with it.
QString attributeName(const GumboAttribute &attribute)
{
    const QString name = QString::fromUtf8(attribute.name).toLower();
    switch (attribute.attr_namespace) {
    case GUMBO_ATTR_NAMESPACE_XLINK:
        return QLatin1String("xlink:") + name;
    case GUMBO_ATTR_NAMESPACE_XML:
        return QLatin1String("xml:") + name;
    case GUMBO_ATTR_NAMESPACE_XMLNS:
        return name == QLatin1String("xmlns") ? name : QLatin1String("xmlns:") + name;
    case GUMBO_ATTR_NAMESPACE_NONE:
        break;
    }
    return name;
}

DomNode elementNode(const GumboElement &element)
{
    DomNode node;
    node.kind = DomNode::Element;
    node.ns = namespaceOf(element.tag_namespace);
    node.name = elementName(element);
    unsigned first = 0;
    if (element.tag == GUMBO_TAG_NOFRAMES && element.attributes.length > 0
        && qstrcmp(static_cast<const GumboAttribute *>(element.attributes.data[0])->name,
                   noscriptMarkAttribute)
            == 0) {
        node.name = QStringLiteral("noscript");
        first = 1;
    }
    for (unsigned i = first; i < element.attributes.length; ++i) {
        const auto *attribute = static_cast<const GumboAttribute *>(element.attributes.data[i]);
        node.attributes.append(
            {attributeName(*attribute), withControlsRestored(textFromUtf8(attribute->value))});
    }
    node.id = node.attribute(QLatin1String("id"));
    node.classes = DomNode::classWords(node.attribute(QLatin1String("class")));
    return node;
}

} // namespace

bool DomNode::isReplaced() const
{
    // Asked for every element several times over: a hash rather than a list.
    static const QSet<QString> names{"img",   "input",    "textarea", "select", "iframe",
                                     "frame", "video",    "audio",    "canvas", "embed",
                                     "meter", "progress", "frameset"};
    return kind == Element && ns == Html && names.contains(name);
}

QStringList DomNode::classWords(const QString &value)
{
    // Most classes are one word, which shares the attribute's characters.
    if (std::none_of(value.begin(), value.end(), isClassSeparator))
        return value.isEmpty() ? QStringList() : QStringList{value};
    QStringList words;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= value.size(); ++at) {
        if (at < value.size() && !isClassSeparator(value[at]))
            continue;
        if (at > start)
            words.append(value.sliced(start, at - start));
        start = at + 1;
    }
    return words;
}

QString DomNode::attribute(QLatin1String attributeName) const
{
    for (const auto &[key, value] : attributes) {
        if (key == attributeName)
            return value.isNull() ? QLatin1String("") : value;
    }
    return {};
}

QString DomNode::attribute(QStringView attributeName) const
{
    for (const auto &[key, value] : attributes) {
        if (key == attributeName)
            return value.isNull() ? QLatin1String("") : value;
    }
    return {};
}

int Dom::append(DomNode node, int parent)
{
    const int index = int(m_nodes.size());
    node.parent = parent;
    if (parent >= 0) {
        DomNode &parentNode = m_nodes[size_t(parent)];
        if (node.kind == DomNode::Element)
            node.elementIndex = ++parentNode.elementChildCount;
        node.previousSibling = parentNode.lastChild;
        if (parentNode.lastChild >= 0)
            m_nodes[size_t(parentNode.lastChild)].nextSibling = index;
        else
            parentNode.firstChild = index;
        parentNode.lastChild = index;
    }
    m_nodes.push_back(std::move(node));
    return index;
}

namespace {

// Whether the text node after a form began with more than white space before the form's end
// tag, which then lies within the text's own source: text the parser took out of the form.
bool textLeftItsForm(const GumboNode &node)
{
    if (node.v.element.tag != GUMBO_TAG_FORM || !node.parent)
        return false;
    const GumboVector &siblings = node.parent->v.element.children;
    const size_t next = node.index_within_parent + 1;
    if (next >= siblings.length)
        return false;
    const auto *sibling = static_cast<const GumboNode *>(siblings.data[next]);
    if (sibling->type != GUMBO_NODE_TEXT && sibling->type != GUMBO_NODE_WHITESPACE)
        return false;
    const GumboStringPiece &piece = sibling->v.text.original_text;
    const QLatin1String source(piece.data, qsizetype(piece.length));
    const qsizetype formEnd = source.indexOf(QLatin1String("</form"), 0, Qt::CaseInsensitive);
    // White space at a form's end renders as nothing inside the form or after it.
    return formEnd > 0 && !QString(source.left(formEnd)).trimmed().isEmpty();
}

} // namespace

// Each pending entry: a gumbo node, the index of the parent it goes below (-1 for the
// document, or the fragment) and that parent's depth in the parser's tree (the root element's
// is 1).
struct Dom::TreeBuilder
{
    struct Pending
    {
        const GumboNode *source;
        int parent;
        int parentDepth;
    };

    Dom &dom;
    bool keepComments;
    const char *spanBase; // the parser's input, when the nodes' spans are kept

    // The nodes of `children` and those below them, in document order. `root` is the
    // document element, when it is among them.
    void build(const GumboVector &children, const GumboNode *root);
    void appendText(QString text, int parent, const GumboNode &source);
    // The comments beside the root element, after its tree in the node array: every walk
    // from the first node still starts at the root element.
    void addDocumentComments(const GumboVector &children, const GumboNode *root);
    void keepSpan(int index, const GumboNode &source);
};

Dom Dom::parse(const QByteArray &utf8, ParseOptions parseOptions)
{
    return parseInput(parserInput(utf8), parseOptions);
}

Dom Dom::parseInput(const ParserInput &input, ParseOptions parseOptions)
{
    ParserArena arena;
    const GumboOptions options = parserOptions(arena);
    const GumboOutput *output = gumbo_parse_with_options(&options, input.utf8.constData(),
                                                         size_t(input.utf8.size()));
    Dom dom;
    dom.m_attributesDropped = input.attributesDropped;
    dom.m_tagsLeftOut = input.tagsLeftOut;
    const GumboDocument &document = output->document->v.document;
    dom.m_quirksMode = document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS;
    if (document.has_doctype) {
        dom.m_doctype = {true, QString::fromUtf8(document.name),
                         QString::fromUtf8(document.public_identifier),
                         QString::fromUtf8(document.system_identifier)};
    }
    const void *root[] = {output->root};
    TreeBuilder builder{dom, parseOptions.keepComments,
                        parseOptions.keepSourceSpans ? input.utf8.constData() : nullptr};
    builder.build(GumboVector{const_cast<void **>(root), 1, 1}, output->root);
    if (parseOptions.keepComments)
        builder.addDocumentComments(document.children, output->root);
    dom.countElementsByType();
    return dom;
}

Dom Dom::parseFragment(const QByteArray &utf8, const QString &contextName,
                       DomNode::Namespace contextNamespace)
{
    const ParserInput input = parserInput(utf8);
    ParserArena arena;
    GumboOptions options = parserOptions(arena);
    options.fragment_context = gumbo_tag_enum(contextName.toUtf8().constData());
    switch (contextNamespace) {
    case DomNode::Svg:
        options.fragment_namespace = GUMBO_NAMESPACE_SVG;
        break;
    case DomNode::MathMl:
        options.fragment_namespace = GUMBO_NAMESPACE_MATHML;
        break;
    case DomNode::Html:
    case DomNode::Other:
        options.fragment_namespace = GUMBO_NAMESPACE_HTML;
        break;
    }
    const GumboOutput *output = gumbo_parse_with_options(&options, input.utf8.constData(),
                                                         size_t(input.utf8.size()));
    Dom dom;
    dom.m_attributesDropped = input.attributesDropped;
    dom.m_tagsLeftOut = input.tagsLeftOut;
    TreeBuilder{dom, true, nullptr}.build(output->root->v.element.children, nullptr);
    dom.countElementsByType();
    return dom;
}

void Dom::TreeBuilder::build(const GumboVector &children, const GumboNode *root)
{
    std::vector<Pending> pending;
    for (unsigned i = children.length; i-- > 0;)
        pending.push_back({static_cast<const GumboNode *>(children.data[i]), -1, 0});
    while (!pending.empty()) {
        checkPageCancelled();
        auto [source, parent, parentDepth] = pending.back();
        pending.pop_back();
        if (parentDepth > maxTreeDepth)
            parent = dom.m_nodes[size_t(parent)].parent;
        switch (source->type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
            appendText(withControlsRestored(textFromUtf8(source->v.text.text)), parent, *source);
            break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboElement &element = source->v.element;
            dom.m_formTextMisplaced = dom.m_formTextMisplaced || textLeftItsForm(*source);
            const int index = dom.append(elementNode(element), parent);
            keepSpan(index, *source);
            if (source == root)
                dom.m_documentElement = index;
            else if (dom.m_body < 0 && parent >= 0 && parent == dom.m_documentElement
                     && (element.tag == GUMBO_TAG_BODY || element.tag == GUMBO_TAG_FRAMESET))
                dom.m_body = index;
            if (parent < 0)
                dom.m_documentChildren.push_back(index);
            // A template's content belongs to no rendered tree.
            if (source->type == GUMBO_NODE_TEMPLATE)
                break;
            for (unsigned i = element.children.length; i-- > 0;)
                pending.push_back({static_cast<const GumboNode *>(element.children.data[i]), index,
                                   parentDepth + 1});
            break;
        }
        case GUMBO_NODE_COMMENT:
            if (parent >= 0)
                dom.m_nodes[size_t(parent)].holdsComment = true;
            if (keepComments) {
                DomNode comment;
                comment.kind = DomNode::Comment;
                comment.text = withControlsRestored(textFromUtf8(source->v.text.text));
                const int index = dom.append(std::move(comment), parent);
                keepSpan(index, *source);
                if (parent < 0)
                    dom.m_documentChildren.push_back(index);
            }
            break;
        case GUMBO_NODE_DOCUMENT:
            break;
        }
    }
}

void Dom::TreeBuilder::addDocumentComments(const GumboVector &children, const GumboNode *root)
{
    std::vector<int> inOrder;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto *child = static_cast<const GumboNode *>(children.data[i]);
        if (child == root) {
            inOrder.push_back(dom.m_documentElement);
        } else if (child->type == GUMBO_NODE_COMMENT) {
            DomNode comment;
            comment.kind = DomNode::Comment;
            comment.text = withControlsRestored(textFromUtf8(child->v.text.text));
            inOrder.push_back(dom.append(std::move(comment), -1));
            keepSpan(inOrder.back(), *child);
        }
    }
    dom.m_documentChildren = std::move(inOrder);
}

// Adjacent text nodes are one node in a browser's tree.
void Dom::TreeBuilder::appendText(QString text, int parent, const GumboNode &source)
{
    int previous = -1;
    if (parent >= 0)
        previous = dom.m_nodes[size_t(parent)].lastChild;
    else if (!dom.m_documentChildren.empty())
        previous = dom.m_documentChildren.back();
    if (previous >= 0 && dom.m_nodes[size_t(previous)].kind == DomNode::Text) {
        dom.m_nodes[size_t(previous)].text += text;
        const SourceSpan before = dom.sourceSpan(previous);
        keepSpan(previous, source);
        if (spanBase)
            dom.m_sourceSpans[size_t(previous)].begin = before.begin;
        return;
    }
    DomNode node;
    node.kind = DomNode::Text;
    node.text = std::move(text);
    const int index = dom.append(std::move(node), parent);
    keepSpan(index, source);
    if (parent < 0)
        dom.m_documentChildren.push_back(index);
}

void Dom::TreeBuilder::keepSpan(int index, const GumboNode &source)
{
    if (!spanBase)
        return;
    SourceSpan span;
    if (source.type == GUMBO_NODE_ELEMENT || source.type == GUMBO_NODE_TEMPLATE) {
        const GumboElement &element = source.v.element;
        span.begin = qsizetype(element.start_pos.offset);
        if (element.original_end_tag.data)
            span.end = element.original_end_tag.data - spanBase
                + qsizetype(element.original_end_tag.length);
    } else {
        const GumboText &text = source.v.text;
        span.begin = qsizetype(text.start_pos.offset);
        if (text.original_text.data)
            span.end = text.original_text.data - spanBase + qsizetype(text.original_text.length);
    }
    if (dom.m_sourceSpans.size() <= size_t(index))
        dom.m_sourceSpans.resize(size_t(index) + 1);
    dom.m_sourceSpans[size_t(index)] = span;
}

void Dom::countElementsByType()
{
    // One table for the whole tree rather than one for each parent: a name last counted among
    // another parent's children starts again from nothing.
    struct Count
    {
        int parent = -1;
        int count = 0;
    };
    QHash<QString, Count> counts;
    for (int parent = 0; parent < size(); ++parent) {
        if (m_nodes[size_t(parent)].elementChildCount == 0)
            continue;
        checkPageCancelled();
        const int first = m_nodes[size_t(parent)].firstChild;
        for (int child = first; child >= 0; child = m_nodes[size_t(child)].nextSibling) {
            DomNode &node = m_nodes[size_t(child)];
            if (node.kind != DomNode::Element)
                continue;
            Count &count = counts[node.name];
            if (count.parent != parent)
                count = {parent, 0};
            node.typeIndex = ++count.count;
        }
        for (int child = first; child >= 0; child = m_nodes[size_t(child)].nextSibling) {
            DomNode &node = m_nodes[size_t(child)];
            if (node.kind == DomNode::Element)
                node.typeCount = counts.value(node.name).count;
        }
    }
}

int Dom::next(int index, int root, bool skipChildren) const
{
    const DomNode &current = node(index);
    if (!skipChildren && current.firstChild >= 0)
        return current.firstChild;
    for (int at = index; at >= 0 && at != root; at = node(at).parent) {
        if (node(at).nextSibling >= 0)
            return node(at).nextSibling;
    }
    return -1;
}

QString Dom::textContent(int index) const
{
    QString text;
    for (int at = index; at >= 0; at = next(at, index)) {
        checkPageCancelled();
        if (node(at).kind == DomNode::Text)
            text += node(at).text;
    }
    return text;
}
