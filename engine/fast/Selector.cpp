#include "engine/fast/Selector.h"

#include "engine/fast/Dom.h"

#include <QRegularExpression>

namespace {

// --- Matching --------------------------------------------------------------------------------

bool equalText(const QString &a, const QString &b, bool ignoreCase)
{
    return a.compare(b, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

bool hasClass(const DomNode &element, const QString &name, bool quirksMode)
{
    return element.classes.contains(name, quirksMode ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

// Attribute values that HTML compares without regard to case, as browsers do for [type=...].
bool caseInsensitiveAttribute(const QString &name)
{
    static const QStringList names{"type", "lang", "dir", "align", "valign", "method", "rel",
                                   "media", "charset", "checked", "disabled", "nowrap",
                                   "selected", "readonly", "multiple", "shape", "scope",
                                   "target", "http-equiv", "language", "text", "link", "clear"};
    return names.contains(name);
}

bool matchesAttribute(const SimpleTest &test, const DomNode &element)
{
    const QString value = element.attribute(QLatin1String(test.name.toLatin1()));
    if (value.isNull())
        return false;
    const Qt::CaseSensitivity cs = test.ignoreCase || caseInsensitiveAttribute(test.name)
                                       ? Qt::CaseInsensitive
                                       : Qt::CaseSensitive;
    switch (test.kind) {
    case SimpleTest::AttributeExists: return true;
    case SimpleTest::AttributeEquals: return value.compare(test.value, cs) == 0;
    case SimpleTest::AttributeWord: {
        if (test.value.isEmpty() || test.value.contains(' '))
            return false;
        const QStringList words = value.split(QRegularExpression(QStringLiteral("[ \t\n\f\r]+")),
                                              Qt::SkipEmptyParts);
        return words.contains(test.value, cs);
    }
    case SimpleTest::AttributeDashPrefix:
        return value.compare(test.value, cs) == 0 || value.startsWith(test.value + '-', cs);
    case SimpleTest::AttributePrefix: return !test.value.isEmpty() && value.startsWith(test.value, cs);
    case SimpleTest::AttributeSuffix: return !test.value.isEmpty() && value.endsWith(test.value, cs);
    case SimpleTest::AttributeContains: return !test.value.isEmpty() && value.contains(test.value, cs);
    default: return false;
    }
}

bool nthMatches(int a, int b, int position)
{
    if (a == 0)
        return position == b;
    return (position - b) / a >= 0 && (position - b) % a == 0;
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
    static const QStringList names{"button", "input", "select", "textarea", "optgroup",
                                   "option", "fieldset"};
    return element.kind == DomNode::Element && element.ns == DomNode::Html
           && names.contains(element.name);
}

bool matchesTest(const SimpleTest &test, const Dom &dom, int element, bool quirksMode)
{
    const DomNode &node = dom.node(element);
    switch (test.kind) {
    case SimpleTest::Id:
        return !node.id.isEmpty() && equalText(node.id, test.value, quirksMode);
    case SimpleTest::Class:
        return hasClass(node, test.value, quirksMode);
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
        return nthMatches(test.a, test.b, elementsFromEnd(dom, element));
    case SimpleTest::NthOfType:
        return nthMatches(test.a, test.b, node.typeIndex);
    case SimpleTest::NthLastOfType:
        return nthMatches(test.a, test.b, node.typeCount - node.typeIndex + 1);
    case SimpleTest::OnlyChild:
        return node.elementIndex == 1 && elementsFromEnd(dom, element) == 1;
    case SimpleTest::OnlyOfType:
        return node.typeCount == 1;
    case SimpleTest::Root:
        return element == dom.documentElement();
    case SimpleTest::Empty:
        for (int child = node.firstChild; child >= 0; child = dom.node(child).nextSibling) {
            if (dom.node(child).kind == DomNode::Element || !dom.node(child).text.isEmpty())
                return false;
        }
        return true;
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
        return matchesLanguage(dom, element, test.value);
    case SimpleTest::Never:
        return false;
    case SimpleTest::Always:
        return true;
    case SimpleTest::Not:
    case SimpleTest::Is: {
        bool any = false;
        for (const ComplexSelector &each : test.list) {
            if (each.pseudoElement == ComplexSelector::NoPseudoElement
                && matches(each, dom, element, quirksMode)) {
                any = true;
                break;
            }
        }
        return test.kind == SimpleTest::Is ? any : !any;
    }
    }
    return false;
}

bool matchesCompound(const CompoundSelector &compound, const Dom &dom, int element,
                     bool quirksMode)
{
    const DomNode &node = dom.node(element);
    if (node.kind != DomNode::Element)
        return false;
    if (!compound.type.isEmpty()) {
        const bool html = node.ns == DomNode::Html;
        if (html ? node.name != compound.type : node.name.compare(compound.type, Qt::CaseInsensitive) != 0)
            return false;
    }
    for (const SimpleTest &test : compound.tests) {
        if (!matchesTest(test, dom, element, quirksMode))
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

// Matches compounds[0..index] with compounds[index] at `element`. The recursion goes one level
// per compound of the selector, never per level of the document.
bool matchesFrom(const ComplexSelector &selector, int index, const Dom &dom, int element,
                 bool quirksMode)
{
    if (!matchesCompound(selector.compounds[size_t(index)], dom, element, quirksMode))
        return false;
    if (index == 0)
        return true;
    const ComplexSelector::Combinator combinator = selector.combinators[size_t(index - 1)];
    switch (combinator) {
    case ComplexSelector::Child: {
        const int parent = parentElement(dom, element);
        return parent >= 0 && matchesFrom(selector, index - 1, dom, parent, quirksMode);
    }
    case ComplexSelector::Descendant:
        for (int at = parentElement(dom, element); at >= 0; at = parentElement(dom, at)) {
            if (matchesFrom(selector, index - 1, dom, at, quirksMode))
                return true;
        }
        return false;
    case ComplexSelector::NextSibling: {
        const int previous = previousElement(dom, element);
        return previous >= 0 && matchesFrom(selector, index - 1, dom, previous, quirksMode);
    }
    case ComplexSelector::LaterSibling:
        for (int at = previousElement(dom, element); at >= 0; at = previousElement(dom, at)) {
            if (matchesFrom(selector, index - 1, dom, at, quirksMode))
                return true;
        }
        return false;
    }
    return false;
}

} // namespace

QString ComplexSelector::key() const
{
    const CompoundSelector &last = compounds.back();
    for (const SimpleTest &test : last.tests) {
        if (test.kind == SimpleTest::Id)
            return '#' + test.value;
    }
    for (const SimpleTest &test : last.tests) {
        if (test.kind == SimpleTest::Class)
            return '.' + test.value;
    }
    return last.type;
}

bool matches(const ComplexSelector &selector, const Dom &dom, int element, bool quirksMode)
{
    return matchesFrom(selector, int(selector.compounds.size()) - 1, dom, element, quirksMode);
}
