#include "engine/fast/Selector.h"

#include "engine/fast/CssText.h"

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
