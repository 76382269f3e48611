#include "engine/fast/css/SelectorParser.h"

#include "engine/fast/css/AnPlusB.h"
#include "engine/fast/css/CssTokenizer.h"

namespace {

// Selectors nest through :not() and :is(). The browser follows them as deep as its stack
// allows (ten thousand levels); here the recursion of parsing and matching stops at this depth,
// far beyond any real sheet's, and a selector nested deeper is reported as beyond reach.
constexpr int maxNesting = 256;
constexpr int maxCompounds = 64;

constexpr int idWeight = 1 << 20;
constexpr int classWeight = 1 << 10;
constexpr int typeWeight = 1;
// Past this a selector is as specific as any can be: a page can stack ids without end, and the
// sum must not overflow.
constexpr int maxSpecificity = 1 << 30;

void addSpecificity(int &total, int amount)
{
    total = int(std::min<qint64>(qint64(total) + amount, maxSpecificity));
}

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

bool isKnownPseudoElement(const QString &name)
{
    static const QStringList names{
        "first-line",   "first-letter",         "selection", "marker",      "placeholder",
        "backdrop",     "file-selector-button", "cue",       "target-text", "spelling-error",
        "grammar-error"};
    return names.contains(name) || name.startsWith(QLatin1String("-webkit-"));
}

// Pseudo-classes that a page at rest, never touched by a user, does or does not match.
bool simplePseudoClass(const QString &name, SimpleTest &test)
{
    static const QStringList never{"visited",
                                   "hover",
                                   "active",
                                   "focus",
                                   "focus-visible",
                                   "focus-within",
                                   "target",
                                   "target-within",
                                   "indeterminate",
                                   "invalid",
                                   "out-of-range",
                                   "fullscreen",
                                   "-webkit-full-screen",
                                   "picture-in-picture",
                                   "autofill",
                                   "-webkit-autofill",
                                   "user-invalid",
                                   "modal",
                                   "playing",
                                   "paused",
                                   "-webkit-any-link-never",
                                   "window-inactive",
                                   "-internal-never"};
    static const QStringList always{
        "defined", "valid", "in-range", "read-only", "optional", "link-never-visited"};
    if (name == "first-child")
        test = nthTest(SimpleTest::NthChild, 0, 1);
    else if (name == "last-child")
        test = nthTest(SimpleTest::NthLastChild, 0, 1);
    else if (name == "first-of-type")
        test = nthTest(SimpleTest::NthOfType, 0, 1);
    else if (name == "last-of-type")
        test = nthTest(SimpleTest::NthLastOfType, 0, 1);
    else if (name == "only-child")
        test.kind = SimpleTest::OnlyChild;
    else if (name == "only-of-type")
        test.kind = SimpleTest::OnlyOfType;
    else if (name == "root")
        test.kind = SimpleTest::Root;
    else if (name == "scope")
        test.kind = SimpleTest::Scope;
    else if (name == "empty")
        test.kind = SimpleTest::Empty;
    else if (name == "link" || name == "any-link" || name == "-webkit-any-link")
        test.kind = SimpleTest::AnyLink;
    else if (name == "checked")
        test.kind = SimpleTest::Checked;
    else if (name == "disabled")
        test.kind = SimpleTest::Disabled;
    else if (name == "enabled")
        test.kind = SimpleTest::Enabled;
    else if (never.contains(name))
        test.kind = SimpleTest::Never;
    else if (always.contains(name))
        test.kind = SimpleTest::Always;
    else
        return false;
    return true;
}

// Selectors Level 4 grammar over the tokens of a rule's prelude.
class SelectorParser
{
public:
    SelectorParser(const CssTokenRun &run, int depth, bool &tooDeep)
        : m_run(run)
        , m_depth(depth)
        , m_tooDeep(tooDeep)
    {
    }

    // <complex-selector-list>: complex selectors between the commas outside brackets.
    bool parseList(int from, int to, std::vector<ComplexSelector> &list)
    {
        int start = from;
        for (int i = from;; i = m_run.after(i)) {
            if (i < to && !m_run[i].is(CssToken::Comma))
                continue;
            int first = start;
            int last = std::min(i, to);
            m_run.trim(first, last);
            ComplexSelector selector;
            if (first >= last || !parseComplex(first, last, selector))
                return false;
            list.push_back(std::move(selector));
            if (i >= to)
                return true;
            start = i + 1;
        }
    }

private:
    // <complex-selector>: compounds joined by combinators.
    bool parseComplex(int at, int to, ComplexSelector &selector)
    {
        for (;;) {
            CompoundSelector compound;
            int specificity = 0;
            if (!parseCompound(at, to, compound, selector, specificity))
                return false;
            selector.compounds.push_back(std::move(compound));
            addSpecificity(selector.specificity, specificity);
            if (int(selector.compounds.size()) > maxCompounds)
                return false;
            const bool spaced = at < to && m_run[at].is(CssToken::Whitespace);
            at = m_run.skipSpace(at, to);
            if (at >= to)
                return true;
            // Nothing may follow a pseudo-element.
            if (selector.pseudoElement != ComplexSelector::NoPseudoElement)
                return false;
            const CssToken &token = m_run[at];
            if (token.isDelim('>') || token.isDelim('+') || token.isDelim('~')) {
                selector.combinators.push_back(token.isDelim('>') ? ComplexSelector::Child
                                                   : token.isDelim('+')
                                                   ? ComplexSelector::NextSibling
                                                   : ComplexSelector::LaterSibling);
                at = m_run.skipSpace(at + 1, to);
            } else if (spaced) {
                selector.combinators.push_back(ComplexSelector::Descendant);
            } else {
                return false;
            }
        }
    }

    // <compound-selector>: a type or "*", then ids, classes, attributes and pseudo-classes.
    bool parseCompound(int &at, int to, CompoundSelector &compound, ComplexSelector &selector,
                       int &specificity)
    {
        bool any = false;
        if (at < to && m_run[at].isDelim('*')) {
            ++at;
            any = true;
        } else if (at < to && m_run[at].is(CssToken::Ident)) {
            compound.type = m_run[at++].value.toLower();
            addSpecificity(specificity, typeWeight);
            any = true;
        }
        if (at < to && m_run[at].isDelim('|'))
            return false; // namespaces are not worth their weight here
        while (at < to) {
            const CssToken &token = m_run[at];
            if (token.is(CssToken::Hash)) {
                if (!token.isId)
                    return false;
                compound.tests.push_back(valueTest(SimpleTest::Id, token.value));
                addSpecificity(specificity, idWeight);
                ++at;
            } else if (token.isDelim('.')) {
                if (at + 1 >= to || !m_run[at + 1].is(CssToken::Ident))
                    return false;
                compound.tests.push_back(valueTest(SimpleTest::Class, m_run[at + 1].value));
                addSpecificity(specificity, classWeight);
                at += 2;
            } else if (token.is(CssToken::OpenSquare)) {
                SimpleTest test;
                if (!isClosed(at, to, CssToken::CloseSquare)
                    || !parseAttribute(at + 1, token.match, test))
                    return false;
                compound.tests.push_back(std::move(test));
                addSpecificity(specificity, classWeight);
                at = token.match + 1;
            } else if (token.is(CssToken::Colon)) {
                if (!parsePseudo(at, to, compound, selector, specificity))
                    return false;
            } else {
                break;
            }
            any = true;
        }
        return any;
    }

    bool isClosed(int open, int to, CssToken::Type closer) const
    {
        const int match = m_run[open].match;
        return match < to && m_run[match].is(closer);
    }

    // <attribute-selector>, inside its brackets.
    bool parseAttribute(int at, int to, SimpleTest &test)
    {
        at = m_run.skipSpace(at, to);
        if (at >= to || !m_run[at].is(CssToken::Ident))
            return false;
        test.name = m_run[at++].value.toLower();
        at = m_run.skipSpace(at, to);
        if (at >= to) {
            test.kind = SimpleTest::AttributeExists;
            return true;
        }
        const CssToken &op = m_run[at];
        if (op.isDelim('=')) {
            test.kind = SimpleTest::AttributeEquals;
            ++at;
        } else if (op.is(CssToken::Delim) && at + 1 < to && m_run[at + 1].isDelim('=')) {
            switch (op.delim.unicode()) {
            case '~':
                test.kind = SimpleTest::AttributeWord;
                break;
            case '|':
                test.kind = SimpleTest::AttributeDashPrefix;
                break;
            case '^':
                test.kind = SimpleTest::AttributePrefix;
                break;
            case '$':
                test.kind = SimpleTest::AttributeSuffix;
                break;
            case '*':
                test.kind = SimpleTest::AttributeContains;
                break;
            default:
                return false;
            }
            at += 2;
        } else {
            return false;
        }
        at = m_run.skipSpace(at, to);
        if (at >= to || !(m_run[at].is(CssToken::Ident) || m_run[at].is(CssToken::String)))
            return false;
        test.value = m_run[at++].value;
        at = m_run.skipSpace(at, to);
        if (at < to
            && (m_run[at].isIdent(QLatin1String("i")) || m_run[at].isIdent(QLatin1String("s")))) {
            test.ignoreCase = m_run[at].isIdent(QLatin1String("i"));
            at = m_run.skipSpace(at + 1, to);
        }
        return at == to;
    }

    // <pseudo-class-selector> or <pseudo-element-selector>, from its colon.
    bool parsePseudo(int &at, int to, CompoundSelector &compound, ComplexSelector &selector,
                     int &specificity)
    {
        ++at;
        const bool doubleColon = at < to && m_run[at].is(CssToken::Colon);
        if (doubleColon)
            ++at;
        if (at >= to)
            return false;
        const CssToken &token = m_run[at];
        const QString name = token.value.toLower();
        if (token.is(CssToken::Function)) {
            if (doubleColon || !isClosed(at, to, CssToken::CloseParen))
                return false;
            const int close = token.match;
            if (!parseFunctionalPseudo(name, at + 1, close, compound, specificity))
                return false;
            at = close + 1;
            return true;
        }
        if (!token.is(CssToken::Ident))
            return false;
        ++at;
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
            addSpecificity(specificity, typeWeight);
            return true;
        }
        SimpleTest test;
        if (!simplePseudoClass(name, test))
            return false;
        compound.tests.push_back(std::move(test));
        addSpecificity(specificity, classWeight);
        return true;
    }

    bool parseFunctionalPseudo(const QString &name, int from, int to, CompoundSelector &compound,
                               int &specificity)
    {
        SimpleTest test;
        if (name == "not" || name == "is" || name == "where" || name == "matches"
            || name == "-webkit-any") {
            if (m_depth >= maxNesting) {
                m_tooDeep = true;
                return false;
            }
            if (!SelectorParser(m_run, m_depth + 1, m_tooDeep).parseList(from, to, test.list))
                return false;
            test.kind = name == "not" ? SimpleTest::Not : SimpleTest::Is;
            if (name != "where") {
                int most = 0;
                for (const ComplexSelector &each : test.list)
                    most = std::max(most, each.specificity);
                addSpecificity(specificity, most);
            }
            compound.tests.push_back(std::move(test));
            return true;
        }
        const QString argument = m_run.text(from, to).trimmed().toString().toLower();
        if (name == "lang") {
            test.kind = SimpleTest::Lang;
            test.value = argument;
        } else if (name == "dir") {
            test.kind = SimpleTest::Never;
        } else if (name == "nth-child" || name == "nth-last-child" || name == "nth-of-type"
                   || name == "nth-last-of-type") {
            const std::optional<AnPlusB> positions = parseAnPlusB(m_run, from, to);
            if (!positions)
                return false;
            test.a = positions->a;
            test.b = positions->b;
            test.kind = name == "nth-child" ? SimpleTest::NthChild
                : name == "nth-last-child"  ? SimpleTest::NthLastChild
                : name == "nth-of-type"     ? SimpleTest::NthOfType
                                            : SimpleTest::NthLastOfType;
        } else {
            return false;
        }
        compound.tests.push_back(std::move(test));
        addSpecificity(specificity, classWeight);
        return true;
    }

    const CssTokenRun &m_run;
    int m_depth;
    bool &m_tooDeep;
};

} // namespace

std::vector<ComplexSelector> parseSelectorList(const CssTokenRun &run, int from, int to,
                                               bool &tooDeep)
{
    std::vector<ComplexSelector> list;
    tooDeep = false;
    if (!SelectorParser(run, 0, tooDeep).parseList(from, to, list))
        return {};
    return list;
}
