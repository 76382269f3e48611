#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/PageCancellation.h"
#include "engine/fast/css/CssTokenizer.h"
#include "engine/fast/css/SelectorMatcher.h"
#include "engine/fast/css/SelectorParser.h"
#include "engine/fast/scriptdom/AsciiCase.h"
#include "engine/fast/scriptdom/ForeignNames.h"
#include "engine/fast/scriptdom/SelectorSupport.h"

#include <QHash>
#include <QSet>

#include <QRegularExpression>

// Scripts look ids up over and over: from the second lookup in an unchanged tree on, an index
// of the document's ids answers. A tree whose nodes or ids change between lookups is walked
// each time, as far as the element, which costs no more than the index would to make again;
// other attributes leave the index as it is.
int ScriptDocument::getElementById(int root, const QString &id) const
{
    if (id.isEmpty())
        return noNode;
    if (root == documentNode) {
        IdIndex &index = m_idIndex;
        if (index.treeVersion != treeVersion() || index.namingChanges != m_namingChanges)
            index = {treeVersion(), m_namingChanges, false, {}};
        else if (!index.built)
            buildIdIndex();
        if (index.built)
            return index.first.value(id, noNode);
    }
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (isElement(at) && m_dom.node(at).id == id)
            return at;
    }
    return noNode;
}

void ScriptDocument::buildIdIndex() const
{
    QHash<QString, int> &first = m_idIndex.first;
    for (int at = firstChild(documentNode); at != noNode; at = nextInTree(at, documentNode)) {
        checkPageCancelled();
        if (isElement(at) && !m_dom.node(at).id.isEmpty() && !first.contains(m_dom.node(at).id))
            first.insert(m_dom.node(at).id, at);
    }
    m_idIndex.built = true;
}

// Scripts ask the window for names it does not have at every turn (a global tested with
// typeof, a member of EventTarget or Object called without `window.`): each is answered from
// an index of the tree's names, made once for each version of the tree.
std::vector<int> ScriptDocument::windowNamedElements(const QString &name) const
{
    WindowNames &names = m_windowNames;
    if (names.treeVersion == treeVersion() && names.namingChanges == m_namingChanges)
        return names.elements.value(name);
    static const QSet<QString> namedByName = {u"embed"_qs, u"form"_qs,   u"iframe"_qs,
                                              u"img"_qs,   u"object"_qs, u"frame"_qs};
    names = {treeVersion(), m_namingChanges, {}};
    const auto add = [&names](const QString &key, int element) {
        std::vector<int> &named = names.elements[key];
        if (named.size() < 2 && (named.empty() || named.back() != element))
            named.push_back(element);
    };
    for (int at = firstChild(documentNode); at != noNode; at = nextInTree(at, documentNode)) {
        checkPageCancelled();
        if (!isElement(at))
            continue;
        const DomNode &node = m_dom.node(at);
        if (!node.id.isEmpty())
            add(node.id, at);
        if (node.ns == DomNode::Html && namedByName.contains(node.name)) {
            const QString named = node.attribute(QLatin1String("name"));
            if (!named.isEmpty())
                add(named, at);
        }
    }
    return names.elements.value(name);
}

std::vector<int> ScriptDocument::getElementsByTagName(int root, const QString &qualifiedName) const
{
    const QString lowered = asciiLowered(qualifiedName);
    const bool any = qualifiedName == u"*"_qs;
    std::vector<int> elements;
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (!isElement(at))
            continue;
        const DomNode &node = m_dom.node(at);
        const bool htmlName = m_htmlDocument && node.ns == DomNode::Html;
        if (any || (htmlName ? node.name == lowered : adjustedElementName(node) == qualifiedName))
            elements.push_back(at);
    }
    return elements;
}

std::vector<int> ScriptDocument::getElementsByClassName(int root, const QString &classNames) const
{
    const QStringList wanted = classNames.split(QRegularExpression(u"[ \t\n\f\r]+"_qs),
                                                Qt::SkipEmptyParts);
    std::vector<int> elements;
    if (wanted.isEmpty())
        return elements;
    const Qt::CaseSensitivity cs = m_dom.quirksMode() ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (!isElement(at))
            continue;
        const QStringList &classes = m_dom.node(at).classes;
        if (std::all_of(wanted.begin(), wanted.end(),
                        [&](const QString &name) { return classes.contains(name, cs); }))
            elements.push_back(at);
    }
    return elements;
}

std::vector<int> ScriptDocument::getElementsByName(const QString &name, int document) const
{
    std::vector<int> elements;
    for (int at = firstChild(document); at != noNode; at = nextInTree(at, document)) {
        checkPageCancelled();
        if (isElement(at) && m_dom.node(at).ns == DomNode::Html
            && m_dom.node(at).attribute(QLatin1String("name")) == name)
            elements.push_back(at);
    }
    return elements;
}

NodeResult ScriptDocument::querySelector(int root, const QString &selectors)
{
    const NodeListResult found = selectorQuery(root, selectors, true);
    return {found.nodes.empty() ? noNode : found.nodes.front(), found.error};
}

NodeListResult ScriptDocument::querySelectorAll(int root, const QString &selectors)
{
    return selectorQuery(root, selectors, false);
}

BoolResult ScriptDocument::matches(int element, const QString &selectors)
{
    DomError error = DomError::None;
    const std::optional<std::vector<ComplexSelector>> list = parsedSelectors(selectors, element,
                                                                             error);
    if (!list)
        return {false, error};
    if (!isElement(element))
        return {false, DomError::None};
    SelectorMatcher matcher(m_dom, SelectorMatcher::Filter::None);
    matcher.setScope(element);
    return {matchesAny(matcher, *list, element), DomError::None};
}

NodeResult ScriptDocument::closest(int element, const QString &selectors)
{
    DomError error = DomError::None;
    const std::optional<std::vector<ComplexSelector>> list = parsedSelectors(selectors, element,
                                                                             error);
    if (!list)
        return {noNode, error};
    SelectorMatcher matcher(m_dom, SelectorMatcher::Filter::None);
    matcher.setScope(element);
    for (int at = element; isElement(at); at = parentNode(at)) {
        if (matchesAny(matcher, *list, at))
            return {at, DomError::None};
    }
    return {noNode, DomError::None};
}

NodeListResult ScriptDocument::selectorQuery(int root, const QString &selectors, bool firstOnly)
{
    DomError error = DomError::None;
    const std::optional<std::vector<ComplexSelector>> list = parsedSelectors(selectors, root,
                                                                             error);
    if (!list)
        return {{}, error};
    SelectorMatcher matcher(m_dom, SelectorMatcher::Filter::None);
    matcher.setScope(isElement(root) ? root : documentElement(nodeDocument(root)));
    std::vector<int> found;
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (!isElement(at) || !matchesAny(matcher, *list, at))
            continue;
        found.push_back(at);
        if (firstOnly)
            break;
    }
    return {found, DomError::None};
}

bool ScriptDocument::matchesAny(SelectorMatcher &matcher, const std::vector<ComplexSelector> &list,
                                int element) const
{
    return std::any_of(list.begin(), list.end(), [&](const ComplexSelector &selector) {
        return selector.pseudoElement == ComplexSelector::NoPseudoElement
            && matcher.matches(selector, element);
    });
}

// The selector list, with every element's positions among its siblings counted for the tree
// as it now stands where the list tests them (counting them costs more than most queries);
// nothing, and the error to raise, when the list is invalid or beyond what the matcher follows
// exactly (which knows the page's root element alone for :root).
std::optional<std::vector<ComplexSelector>>
ScriptDocument::parsedSelectors(const QString &selectors, int node, DomError &error)
{
    CssTokenizer tokenizer(selectors);
    CssTokenRun run;
    run.source = selectors;
    for (CssToken token = tokenizer.next(); !token.is(CssToken::End); token = tokenizer.next())
        run.append(std::move(token));
    run.findBlocks();
    bool tooDeep = false;
    std::vector<ComplexSelector> list = parseSelectorList(run, 0, run.size(), tooDeep);
    const SelectorSupport support = selectorSupport(run);
    // The matcher sees every child of an element the parser is still inside.
    const bool parsing = m_watermark < m_parsedNodeCount - 1;
    if (run.overflowed || tooDeep || support == SelectorSupport::Inexact
        || (parsing && namesPseudoClass(run, QLatin1StringView("empty")))
        || (nodeDocument(node) != documentNode && namesPseudoClass(run, QLatin1StringView("root")))
        || (list.empty() && support == SelectorSupport::BeyondParser)) {
        error = DomError::NotModelled;
        return std::nullopt;
    }
    if (list.empty()) {
        error = DomError::Syntax;
        return std::nullopt;
    }
    if (testsSiblingPositions(list))
        countStalePositions();
    return list;
}

const Dom *ScriptDocument::treeForCascade()
{
    if (m_watermark < m_parsedNodeCount - 1)
        return nullptr;
    countStalePositions();
    return &m_dom;
}

void ScriptDocument::countStalePositions()
{
    for (int parent : std::as_const(m_stalePositions)) {
        checkPageCancelled();
        QHash<QString, int> perName;
        int elements = 0;
        for (int at = firstChild(parent); at != noNode; at = nextSibling(at)) {
            if (!isElement(at))
                continue;
            DomNode &node = m_dom.m_nodes[size_t(at)];
            node.elementIndex = ++elements;
            node.typeIndex = ++perName[node.name];
        }
        m_dom.m_nodes[size_t(parent)].elementChildCount = elements;
        for (int at = firstChild(parent); at != noNode; at = nextSibling(at)) {
            if (isElement(at))
                m_dom.m_nodes[size_t(at)].typeCount = perName.value(m_dom.node(at).name);
        }
    }
    m_stalePositions.clear();
}

void ScriptDocument::markPositionsStale(int parent)
{
    if (parent >= 0)
        m_stalePositions.insert(parent);
}
