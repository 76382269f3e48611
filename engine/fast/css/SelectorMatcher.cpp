#include "engine/fast/css/SelectorMatcher.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/Dom.h"

#include <QStringList>

namespace {

// The remembered searches are dropped all at once beyond this many, which bounds their memory
// whatever the page; matching goes on correctly, only some chains are walked again.
constexpr qsizetype maxRememberedSearches = 1 << 18;
// A selector needs at most this many of its ancestors' names in the filter's test; more
// would refuse hardly any more elements.
constexpr size_t maxAncestorHashes = 8;

enum Salt : size_t { TypeSalt = 0x51, IdSalt = 0x1d, ClassSalt = 0xc1 };

std::uint32_t featureHash(const QString &text, Salt salt, bool ignoreCase)
{
    return std::uint32_t(qHash(ignoreCase ? text.toLower() : text, size_t(salt)));
}

// Two bits of the 256 for each hash.
void addToFilter(std::array<std::uint64_t, 4> &filter, std::uint32_t hash)
{
    for (std::uint32_t bit : {hash & 255u, (hash >> 8) & 255u})
        filter[bit / 64] |= std::uint64_t(1) << (bit % 64);
}

bool filterHas(const std::array<std::uint64_t, 4> &filter, std::uint32_t hash)
{
    for (std::uint32_t bit : {hash & 255u, (hash >> 8) & 255u}) {
        if (!(filter[bit / 64] & (std::uint64_t(1) << (bit % 64))))
            return false;
    }
    return true;
}

bool equalText(const QString &a, const QString &b, bool ignoreCase)
{
    return a.compare(b, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

// Attribute values that HTML compares without regard to case, as browsers do for [type=...].
bool caseInsensitiveAttribute(const QString &name)
{
    static const QStringList names{
        "type",    "lang",    "dir",        "align",    "valign",   "method",   "rel",      "media",
        "charset", "checked", "disabled",   "nowrap",   "selected", "readonly", "multiple", "shape",
        "scope",   "target",  "http-equiv", "language", "text",     "link",     "clear"};
    return names.contains(name);
}

bool isSelectorSpace(QChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Whether the white-space separated list holds the word: one pass, no list built.
bool containsWord(const QString &list, const QString &word, Qt::CaseSensitivity cs)
{
    const qsizetype size = list.size();
    for (qsizetype at = 0; at < size;) {
        while (at < size && isSelectorSpace(list[at]))
            ++at;
        qsizetype end = at;
        while (end < size && !isSelectorSpace(list[end]))
            ++end;
        if (end > at && QStringView(list).sliced(at, end - at).compare(word, cs) == 0)
            return true;
        at = end;
    }
    return false;
}

bool matchesAttribute(const SimpleTest &test, const DomNode &element)
{
    const QString value = element.attribute(test.name);
    if (value.isNull())
        return false;
    const Qt::CaseSensitivity cs = test.ignoreCase || caseInsensitiveAttribute(test.name)
        ? Qt::CaseInsensitive
        : Qt::CaseSensitive;
    switch (test.kind) {
    case SimpleTest::AttributeExists:
        return true;
    case SimpleTest::AttributeEquals:
        return value.compare(test.value, cs) == 0;
    case SimpleTest::AttributeWord:
        if (test.value.isEmpty()
            || std::any_of(test.value.begin(), test.value.end(), isSelectorSpace))
            return false;
        return containsWord(value, test.value, cs);
    case SimpleTest::AttributeDashPrefix:
        return value.compare(test.value, cs) == 0
            || (value.size() > test.value.size() && value[test.value.size()] == '-'
                && value.startsWith(test.value, cs));
    case SimpleTest::AttributePrefix:
        return !test.value.isEmpty() && value.startsWith(test.value, cs);
    case SimpleTest::AttributeSuffix:
        return !test.value.isEmpty() && value.endsWith(test.value, cs);
    case SimpleTest::AttributeContains:
        return !test.value.isEmpty() && value.contains(test.value, cs);
    default:
        return false;
    }
}

// Whether a position counted from 1 is a*n+b for some n >= 0. The page picks a and b, any
// int at all: the arithmetic is done in 64 bits, where neither the difference nor the
// division can overflow. The browser keeps a and b in 31 bits, and an a or b beyond them
// matches no element (the selector stays valid: its list and a :not() around it still count).
bool nthMatches(int a, int b, int position)
{
    constexpr int least = -(1 << 30);
    constexpr int most = (1 << 30) - 1;
    if (a < least || a > most || b < least || b > most)
        return false;
    const std::int64_t difference = std::int64_t(position) - b;
    if (a == 0)
        return difference == 0;
    if (difference != 0 && (difference < 0) != (a < 0))
        return false;
    return difference % a == 0;
}

// The element's position among its parent's elements, counted from the last.
int elementsFromEnd(const Dom &dom, int element)
{
    const DomNode &self = dom.node(element);
    if (self.parent < 0)
        return 1;
    return dom.node(self.parent).elementChildCount - self.elementIndex + 1;
}

// Whether the element's language (its own lang attribute or its nearest ancestor's) is one of
// the comma-separated ranges, or a subtag of one.
bool matchesLanguage(const Dom &dom, int element, const QString &ranges)
{
    QString language;
    for (int at = element; at >= 0; at = dom.node(at).parent) {
        const DomNode &node = dom.node(at);
        QString value = node.attribute(QLatin1String("xml:lang"));
        if (value.isNull())
            value = node.attribute(QLatin1String("lang"));
        if (!value.isNull()) {
            language = value.toLower();
            break;
        }
    }
    if (language.isEmpty())
        return false;
    for (QString range : ranges.split(',')) {
        range = range.trimmed().remove('"').remove('\'');
        if (!range.isEmpty() && (language == range || language.startsWith(range + '-')))
            return true;
    }
    return false;
}

bool isLink(const DomNode &element)
{
    return (element.isElement("a") || element.isElement("area") || element.isElement("link"))
        && element.hasAttribute(QLatin1String("href"));
}

bool isFormControl(const DomNode &element)
{
    static const QStringList names{"button",   "input",  "select",  "textarea",
                                   "optgroup", "option", "fieldset"};
    return element.kind == DomNode::Element && element.ns == DomNode::Html
        && names.contains(element.name);
}

bool isEmptyElement(const Dom &dom, const DomNode &node)
{
    for (int child = node.firstChild; child >= 0; child = dom.node(child).nextSibling) {
        const DomNode &each = dom.node(child);
        if (each.kind == DomNode::Element || (each.kind == DomNode::Text && !each.text.isEmpty()))
            return false;
    }
    return true;
}

int previousElement(const Dom &dom, int at)
{
    for (at = dom.node(at).previousSibling; at >= 0; at = dom.node(at).previousSibling) {
        if (dom.node(at).kind == DomNode::Element)
            return at;
    }
    return -1;
}

int parentElement(const Dom &dom, int at)
{
    const int parent = dom.node(at).parent;
    return parent >= 0 && dom.node(parent).kind == DomNode::Element ? parent : -1;
}

} // namespace

SelectorMatcher::SelectorMatcher(const Dom &dom, Filter filter)
    : m_dom(dom)
    , m_quirksMode(dom.quirksMode())
{
    if (filter == Filter::None)
        return;
    m_ancestorFilters.resize(size_t(dom.size()));
    // Parents come before their children in the node array, so one pass fills every filter.
    for (int at = 0; at < dom.size(); ++at) {
        const int parent = dom.node(at).parent;
        if (parent < 0 || dom.node(parent).kind != DomNode::Element)
            continue;
        checkPageCancelled();
        const DomNode &parentNode = dom.node(parent);
        AncestorFilter inherited = m_ancestorFilters[size_t(parent)];
        addToFilter(inherited, featureHash(parentNode.name, TypeSalt, false));
        if (!parentNode.id.isEmpty())
            addToFilter(inherited, featureHash(parentNode.id, IdSalt, m_quirksMode));
        for (const QString &name : parentNode.classes)
            addToFilter(inherited, featureHash(name, ClassSalt, m_quirksMode));
        m_ancestorFilters[size_t(at)] = inherited;
    }
}

// The names, ids and classes that some ancestor of a matching element must have: those of
// every compound left of a child or descendant combinator. (One left of a sibling combinator
// matches a sibling of the subject or of an ancestor, which is no ancestor.)
const std::vector<std::uint32_t> &SelectorMatcher::ancestorHashes(const ComplexSelector &selector)
{
    const auto found = m_selectorHashes.constFind(&selector);
    if (found != m_selectorHashes.cend())
        return found.value();
    std::vector<std::uint32_t> hashes;
    for (size_t i = selector.compounds.size() - 1; i-- > 0 && hashes.size() < maxAncestorHashes;) {
        const ComplexSelector::Combinator combinator = selector.combinators[i];
        if (combinator != ComplexSelector::Child && combinator != ComplexSelector::Descendant)
            continue;
        const CompoundSelector &compound = selector.compounds[i];
        if (!compound.type.isEmpty())
            hashes.push_back(featureHash(compound.type, TypeSalt, false));
        for (const SimpleTest &test : compound.tests) {
            if (test.kind == SimpleTest::Id)
                hashes.push_back(featureHash(test.value, IdSalt, m_quirksMode));
            else if (test.kind == SimpleTest::Class)
                hashes.push_back(featureHash(test.value, ClassSalt, m_quirksMode));
        }
    }
    return m_selectorHashes.insert(&selector, std::move(hashes)).value();
}

bool SelectorMatcher::mayMatch(const ComplexSelector &selector, int element)
{
    if (m_ancestorFilters.empty())
        return true;
    const AncestorFilter &filter = m_ancestorFilters[size_t(element)];
    for (std::uint32_t hash : ancestorHashes(selector)) {
        if (!filterHas(filter, hash))
            return false;
    }
    return true;
}

bool SelectorMatcher::matches(const ComplexSelector &selector, int element)
{
    checkPageCancelled();
    const int last = int(selector.compounds.size()) - 1;
    return (last == 0 || mayMatch(selector, element)) && matchesFrom(selector, last, element);
}

// Matches compounds[0..compound] with compounds[compound] at `element`. The recursion goes
// one level per compound of the selector, never per level of the document.
bool SelectorMatcher::matchesFrom(const ComplexSelector &selector, int compound, int element)
{
    if (!matchesCompound(selector.compounds[size_t(compound)], element))
        return false;
    if (compound == 0)
        return true;
    switch (selector.combinators[size_t(compound - 1)]) {
    case ComplexSelector::Child: {
        const int parent = parentElement(m_dom, element);
        return parent >= 0 && matchesFrom(selector, compound - 1, parent);
    }
    case ComplexSelector::NextSibling: {
        const int previous = previousElement(m_dom, element);
        return previous >= 0 && matchesFrom(selector, compound - 1, previous);
    }
    case ComplexSelector::Descendant: {
        const int parent = parentElement(m_dom, element);
        return parent >= 0 && searchFrom(selector, compound - 1, parent);
    }
    case ComplexSelector::LaterSibling: {
        const int previous = previousElement(m_dom, element);
        return previous >= 0 && searchFrom(selector, compound - 1, previous);
    }
    }
    return false;
}

// Whether compounds[0..compound] match at `element` or at one of the elements the combinator
// right of compounds[compound] walks to from it (its ancestors, or its earlier siblings). The
// answer is remembered for every element walked over, since it is the same for each of them
// up to the one that matched.
bool SelectorMatcher::searchFrom(const ComplexSelector &selector, int compound, int element)
{
    const bool upwards = selector.combinators[size_t(compound)] == ComplexSelector::Descendant;
    const size_t walkedBefore = m_path.size();
    bool found = false;
    for (int at = element; at >= 0;
         at = upwards ? parentElement(m_dom, at) : previousElement(m_dom, at)) {
        checkPageCancelled();
        const auto known = m_searches.constFind(MemoKey{&selector, compound, at});
        if (known != m_searches.cend()) {
            found = known.value();
            break;
        }
        m_path.push_back(at);
        if (matchesFrom(selector, compound, at)) {
            found = true;
            break;
        }
    }
    if (m_searches.size() > maxRememberedSearches)
        m_searches.clear();
    for (size_t i = walkedBefore; i < m_path.size(); ++i)
        m_searches.insert(MemoKey{&selector, compound, m_path[i]}, found);
    m_path.resize(walkedBefore);
    return found;
}

// A selector of one compound costs no more than looking up its answer; one with combinators
// may walk the tree, and is asked again for each element the selector around it tries.
bool SelectorMatcher::matchesNested(const ComplexSelector &selector, int element)
{
    if (selector.compounds.size() == 1)
        return matches(selector, element);
    const MemoKey key{&selector, -1, element};
    const auto known = m_nestedMatches.constFind(key);
    if (known != m_nestedMatches.cend())
        return known.value();
    const bool matched = matches(selector, element);
    if (m_nestedMatches.size() > maxRememberedSearches)
        m_nestedMatches.clear();
    m_nestedMatches.insert(key, matched);
    return matched;
}

bool SelectorMatcher::matchesCompound(const CompoundSelector &compound, int element)
{
    const DomNode &node = m_dom.node(element);
    if (node.kind != DomNode::Element)
        return false;
    if (!compound.type.isEmpty()) {
        const bool html = node.ns == DomNode::Html;
        if (html ? node.name != compound.type
                 : node.name.compare(compound.type, Qt::CaseInsensitive) != 0)
            return false;
    }
    for (const SimpleTest &test : compound.tests) {
        if (!matchesTest(test, element))
            return false;
    }
    return true;
}

bool SelectorMatcher::matchesTest(const SimpleTest &test, int element)
{
    const DomNode &node = m_dom.node(element);
    switch (test.kind) {
    case SimpleTest::Id:
        return !node.id.isEmpty() && equalText(node.id, test.value, m_quirksMode);
    case SimpleTest::Class:
        return node.classes.contains(test.value,
                                     m_quirksMode ? Qt::CaseInsensitive : Qt::CaseSensitive);
    case SimpleTest::AttributeExists:
    case SimpleTest::AttributeEquals:
    case SimpleTest::AttributeWord:
    case SimpleTest::AttributeDashPrefix:
    case SimpleTest::AttributePrefix:
    case SimpleTest::AttributeSuffix:
    case SimpleTest::AttributeContains:
        return matchesAttribute(test, node);
    case SimpleTest::NthChild:
        return nthMatches(test.a, test.b, node.elementIndex);
    case SimpleTest::NthLastChild:
        return nthMatches(test.a, test.b, elementsFromEnd(m_dom, element));
    case SimpleTest::NthOfType:
        return nthMatches(test.a, test.b, node.typeIndex);
    case SimpleTest::NthLastOfType:
        return nthMatches(test.a, test.b, node.typeCount - node.typeIndex + 1);
    case SimpleTest::OnlyChild:
        return node.elementIndex == 1 && elementsFromEnd(m_dom, element) == 1;
    case SimpleTest::OnlyOfType:
        return node.typeCount == 1;
    case SimpleTest::Root:
        return element == m_dom.documentElement();
    case SimpleTest::Scope:
        return element == (m_scope >= 0 ? m_scope : m_dom.documentElement());
    case SimpleTest::Empty:
        return isEmptyElement(m_dom, node);
    case SimpleTest::AnyLink:
        return isLink(node);
    case SimpleTest::Checked:
        return (node.isElement("input") && node.hasAttribute(QLatin1String("checked")))
            || (node.isElement("option") && node.hasAttribute(QLatin1String("selected")));
    case SimpleTest::Disabled:
        return isFormControl(node) && node.hasAttribute(QLatin1String("disabled"));
    case SimpleTest::Enabled:
        return isFormControl(node) && !node.hasAttribute(QLatin1String("disabled"));
    case SimpleTest::Lang:
        return matchesLanguage(m_dom, element, test.value);
    case SimpleTest::Never:
        return false;
    case SimpleTest::Always:
        return true;
    case SimpleTest::Not:
    case SimpleTest::Is: {
        bool any = false;
        for (const ComplexSelector &each : test.list) {
            if (each.pseudoElement == ComplexSelector::NoPseudoElement
                && matchesNested(each, element)) {
                any = true;
                break;
            }
        }
        return test.kind == SimpleTest::Is ? any : !any;
    }
    }
    return false;
}
