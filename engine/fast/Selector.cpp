#include "engine/fast/Selector.h"

#include "engine/fast/CssText.h"
#include "engine/fast/Dom.h"

#include <QRegularExpression>

namespace {

// Selectors nest through :not() and :is(); deeper than this is refused, so that the parser's
// recursion stays shallow whatever a style sheet holds.
constexpr int maxNesting = 16;
constexpr int maxCompounds = 64;

SimpleTest valueTest(SimpleTest::Kind kind, const QString &value)
{
    SimpleTest test;
    test.kind = kind;
    test.value = value;
    return test;
}

SimpleTest nthTest(SimpleTest::Kind kind, int a, int b)
{
    SimpleTest test;
    test.kind = kind;
    test.a = a;
    test.b = b;
    return test;
}

constexpr int idWeight = 1 << 20;
constexpr int classWeight = 1 << 10;
constexpr int typeWeight = 1;

class SelectorParser
{
public:
    SelectorParser(const QString &text, int depth) : m_text(text), m_depth(depth) {}

    // The list up to the end of the text, or up to an unmatched ")" when nested.
    bool parseList(std::vector<ComplexSelector> &list)
    {
        for (;;) {
            skipSpace();
            ComplexSelector selector;
            if (!parseComplex(selector))
                return false;
            list.push_back(std::move(selector));
            skipSpace();
            if (atEnd() || peek() == ')')
                return true;
            if (peek() != ',')
                return false;
            ++m_at;
        }
    }

    bool atEnd() const { return m_at >= m_text.size(); }
    QChar peek(int ahead = 0) const
    {
        return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : QChar();
    }
    qsizetype position() const { return m_at; }

private:
    void skipSpace()
    {
        while (!atEnd() && isCssSpace(peek()))
            ++m_at;
    }

    bool parseComplex(ComplexSelector &selector)
    {
        for (;;) {
            CompoundSelector compound;
            int specificity = 0;
            if (!parseCompound(compound, selector, specificity))
                return false;
            selector.compounds.push_back(std::move(compound));
            selector.specificity += specificity;
            if (int(selector.compounds.size()) > maxCompounds)
                return false;
            const bool spaced = !atEnd() && isCssSpace(peek());
            skipSpace();
            if (atEnd() || peek() == ',' || peek() == ')')
                return true;
            // Nothing may follow a pseudo-element.
            if (selector.pseudoElement != ComplexSelector::NoPseudoElement)
                return false;
            const QChar c = peek();
            if (c == '>' || c == '+' || c == '~') {
                ++m_at;
                skipSpace();
                selector.combinators.push_back(c == '>' ? ComplexSelector::Child
                                               : c == '+' ? ComplexSelector::NextSibling
                                                          : ComplexSelector::LaterSibling);
            } else if (spaced) {
                selector.combinators.push_back(ComplexSelector::Descendant);
            } else {
                return false;
            }
        }
    }

    bool parseCompound(CompoundSelector &compound, ComplexSelector &selector, int &specificity)
    {
        bool any = false;
        if (peek() == '*') {
            ++m_at;
            any = true;
        } else if (isNameStart(peek())) {
            compound.type = readIdentifier(m_text, m_at).toLower();
            specificity += typeWeight;
            any = true;
        }
        if (peek() == '|')
            return false; // namespaces are not worth their weight here
        while (!atEnd()) {
            const QChar c = peek();
            if (c == '#') {
                ++m_at;
                const QString id = readIdentifier(m_text, m_at);
                if (id.isEmpty())
                    return false;
                compound.tests.push_back(valueTest(SimpleTest::Id, id));
                specificity += idWeight;
            } else if (c == '.') {
                ++m_at;
                const QString name = readIdentifier(m_text, m_at);
                if (name.isEmpty())
                    return false;
                compound.tests.push_back(valueTest(SimpleTest::Class, name));
                specificity += classWeight;
            } else if (c == '[') {
                ++m_at;
                SimpleTest test;
                if (!parseAttribute(test))
                    return false;
                compound.tests.push_back(std::move(test));
                specificity += classWeight;
            } else if (c == ':') {
                if (!parsePseudo(compound, selector, specificity))
                    return false;
            } else {
                break;
            }
            any = true;
        }
        return any;
    }

    bool parseAttribute(SimpleTest &test)
    {
        skipSpace();
        test.name = readIdentifier(m_text, m_at).toLower();
        if (test.name.isEmpty())
            return false;
        skipSpace();
        if (peek() == ']') {
            ++m_at;
            test.kind = SimpleTest::AttributeExists;
            return true;
        }
        const QChar op = peek();
        if (op == '=') {
            test.kind = SimpleTest::AttributeEquals;
            ++m_at;
        } else if (peek(1) == '=') {
            switch (op.unicode()) {
            case '~': test.kind = SimpleTest::AttributeWord; break;
            case '|': test.kind = SimpleTest::AttributeDashPrefix; break;
            case '^': test.kind = SimpleTest::AttributePrefix; break;
            case '$': test.kind = SimpleTest::AttributeSuffix; break;
            case '*': test.kind = SimpleTest::AttributeContains; break;
            default: return false;
            }
            m_at += 2;
        } else {
            return false;
        }
        skipSpace();
        if (peek() == '"' || peek() == '\'') {
            bool closed = false;
            test.value = readString(m_text, m_at, &closed);
            if (!closed)
                return false;
        } else {
            test.value = readIdentifier(m_text, m_at);
            if (test.value.isEmpty())
                return false;
        }
        skipSpace();
        if (peek() == 'i' || peek() == 'I' || peek() == 's' || peek() == 'S') {
            test.ignoreCase = peek().toLower() == 'i';
            ++m_at;
            skipSpace();
        }
        if (peek() != ']')
            return false;
        ++m_at;
        return true;
    }

    bool parsePseudo(CompoundSelector &compound, ComplexSelector &selector, int &specificity)
    {
        ++m_at;
        const bool doubleColon = peek() == ':';
        if (doubleColon)
            ++m_at;
        const QString name = readIdentifier(m_text, m_at).toLower();
        if (name.isEmpty())
            return false;
        if (peek() == '(') {
            ++m_at;
            return !doubleColon && parseFunctionalPseudo(name, compound, specificity);
        }
        if (doubleColon || name == "before" || name == "after" || name == "first-line"
            || name == "first-letter") {
            if (selector.pseudoElement != ComplexSelector::NoPseudoElement)
                return false;
            if (name == "before")
                selector.pseudoElement = ComplexSelector::Before;
            else if (name == "after")
                selector.pseudoElement = ComplexSelector::After;
            else if (name == "first-letter")
                selector.pseudoElement = ComplexSelector::FirstLetter;
            else if (isKnownPseudoElement(name))
                selector.pseudoElement = ComplexSelector::OtherPseudoElement;
            else
                return false;
            specificity += typeWeight;
            return true;
        }
        SimpleTest test;
        if (!simplePseudoClass(name, test))
            return false;
        compound.tests.push_back(std::move(test));
        specificity += classWeight;
        return true;
    }

    static bool isKnownPseudoElement(const QString &name)
    {
        static const QStringList names{"first-line", "first-letter", "selection", "marker",
                                       "placeholder", "backdrop", "file-selector-button",
                                       "cue", "target-text", "spelling-error", "grammar-error"};
        return names.contains(name) || name.startsWith(QLatin1String("-webkit-"));
    }

    // Pseudo-classes that a page at rest, never touched by a user, does or does not match.
    static bool simplePseudoClass(const QString &name, SimpleTest &test)
    {
        static const QStringList never{
            "visited", "hover", "active", "focus", "focus-visible", "focus-within", "target",
            "target-within", "indeterminate", "invalid", "out-of-range", "fullscreen",
            "-webkit-full-screen", "picture-in-picture", "autofill", "-webkit-autofill",
            "user-invalid", "modal", "playing", "paused", "-webkit-any-link-never",
            "window-inactive", "-internal-never"};
        static const QStringList always{"defined", "scope", "valid", "in-range",
                                        "read-only", "optional", "link-never-visited"};
        if (name == "first-child") test = nthTest(SimpleTest::NthChild, 0, 1);
        else if (name == "last-child") test = nthTest(SimpleTest::NthLastChild, 0, 1);
        else if (name == "first-of-type") test = nthTest(SimpleTest::NthOfType, 0, 1);
        else if (name == "last-of-type") test = nthTest(SimpleTest::NthLastOfType, 0, 1);
        else if (name == "only-child") test.kind = SimpleTest::OnlyChild;
        else if (name == "only-of-type") test.kind = SimpleTest::OnlyOfType;
        else if (name == "root") test.kind = SimpleTest::Root;
        else if (name == "empty") test.kind = SimpleTest::Empty;
        else if (name == "link" || name == "any-link" || name == "-webkit-any-link")
            test.kind = SimpleTest::AnyLink;
        else if (name == "checked") test.kind = SimpleTest::Checked;
        else if (name == "disabled") test.kind = SimpleTest::Disabled;
        else if (name == "enabled") test.kind = SimpleTest::Enabled;
        else if (never.contains(name)) test.kind = SimpleTest::Never;
        else if (always.contains(name)) test.kind = SimpleTest::Always;
        else return false;
        return true;
    }

    bool parseFunctionalPseudo(const QString &name, CompoundSelector &compound, int &specificity)
    {
        SimpleTest test;
        if (name == "not" || name == "is" || name == "where" || name == "matches"
            || name == "-webkit-any") {
            if (m_depth >= maxNesting)
                return false;
            SelectorParser inner(m_text, m_depth + 1);
            inner.m_at = m_at;
            if (!inner.parseList(test.list) || inner.peek() != ')')
                return false;
            m_at = inner.position() + 1;
            test.kind = name == "not" ? SimpleTest::Not : SimpleTest::Is;
            if (name != "where") {
                int most = 0;
                for (const ComplexSelector &each : test.list)
                    most = std::max(most, each.specificity);
                specificity += most;
            }
            compound.tests.push_back(std::move(test));
            return true;
        }
        const qsizetype close = m_text.indexOf(')', m_at);
        if (close < 0)
            return false;
        const QString argument = m_text.mid(m_at, close - m_at).trimmed().toLower();
        m_at = close + 1;
        if (name == "lang") {
            test.kind = SimpleTest::Lang;
            test.value = argument;
        } else if (name == "dir") {
            test.kind = SimpleTest::Never;
        } else if (name == "nth-child" || name == "nth-last-child" || name == "nth-of-type"
                   || name == "nth-last-of-type") {
            if (!parseNth(argument, test.a, test.b))
                return false;
            test.kind = name == "nth-child"        ? SimpleTest::NthChild
                        : name == "nth-last-child" ? SimpleTest::NthLastChild
                        : name == "nth-of-type"    ? SimpleTest::NthOfType
                                                   : SimpleTest::NthLastOfType;
        } else {
            return false;
        }
        compound.tests.push_back(std::move(test));
        specificity += classWeight;
        return true;
    }

    static bool parseNth(QString argument, int &a, int &b)
    {
        argument.remove(' ');
        if (argument == "odd") {
            a = 2;
            b = 1;
            return true;
        }
        if (argument == "even") {
            a = 2;
            b = 0;
            return true;
        }
        const qsizetype n = argument.indexOf('n');
        bool ok = true;
        if (n < 0) {
            a = 0;
            b = argument.toInt(&ok);
            return ok;
        }
        const QString coefficient = argument.left(n);
        a = coefficient.isEmpty() || coefficient == "+" ? 1
            : coefficient == "-"                        ? -1
                                                        : coefficient.toInt(&ok);
        if (!ok)
            return false;
        const QString rest = argument.mid(n + 1);
        b = rest.isEmpty() ? 0 : rest.toInt(&ok);
        return ok;
    }

    const QString &m_text;
    qsizetype m_at = 0;
    int m_depth;
};

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

std::vector<ComplexSelector> parseSelectorList(const QString &text)
{
    std::vector<ComplexSelector> list;
    SelectorParser parser(text, 0);
    if (!parser.parseList(list) || !parser.atEnd())
        return {};
    return list;
}

bool matches(const ComplexSelector &selector, const Dom &dom, int element, bool quirksMode)
{
    return matchesFrom(selector, int(selector.compounds.size()) - 1, dom, element, quirksMode);
}
