#include "engine/fast/css/AnPlusB.h"

#include "engine/fast/css/CssTokenizer.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// An+B is at most four tokens besides white space, as in "+n - 3".
constexpr size_t maxTokens = 4;

int clampedInt(double value)
{
    return int(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}

bool isInteger(const CssToken &token)
{
    return token.is(CssToken::Number) && token.isInteger;
}

// Whether the number was written with its sign, which the grammar tells apart.
bool isSigned(const CssTokenRun &run, const CssToken &token)
{
    const QChar first = run.source.at(token.start);
    return first == '+' || first == '-';
}

// The value of an identifier's or unit's tail such as "-12": a dash and ASCII digits only.
std::optional<double> dashDigits(QStringView tail)
{
    if (tail.size() < 2 || tail[0] != '-')
        return std::nullopt;
    const QStringView digits = tail.mid(1);
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return -digits.toDouble();
}

// B, from what follows the "n" of A: the rest of its identifier or unit (`tail`) and the
// tokens after it.
std::optional<double> offsetAfterStep(const CssTokenRun &run, QStringView tail,
                                      const std::vector<int> &after)
{
    if (tail == u"-")
        return after.size() == 1 && isInteger(run[after[0]]) && !isSigned(run, run[after[0]])
            ? std::optional(-run[after[0]].number)
            : std::nullopt;
    if (!tail.isEmpty())
        return after.empty() ? dashDigits(tail) : std::nullopt;
    if (after.empty())
        return 0.0;
    if (after.size() == 1)
        return isInteger(run[after[0]]) && isSigned(run, run[after[0]])
            ? std::optional(run[after[0]].number)
            : std::nullopt;
    if (after.size() != 2)
        return std::nullopt;
    const CssToken &sign = run[after[0]];
    const CssToken &number = run[after[1]];
    if (!(sign.isDelim('+') || sign.isDelim('-')) || !isInteger(number) || isSigned(run, number))
        return std::nullopt;
    return sign.isDelim('-') ? -number.number : number.number;
}

} // namespace

std::optional<AnPlusB> parseAnPlusB(const CssTokenRun &run, int from, int to)
{
    std::vector<int> tokens;
    for (int at = from; at < to; ++at) {
        if (run[at].is(CssToken::Whitespace))
            continue;
        if (tokens.size() == maxTokens)
            return std::nullopt;
        tokens.push_back(at);
    }
    if (tokens.empty())
        return std::nullopt;
    const CssToken &first = run[tokens[0]];
    if (tokens.size() == 1 && isInteger(first))
        return AnPlusB{0, clampedInt(first.number)};
    if (tokens.size() == 1
        && (first.isIdent(QLatin1String("odd")) || first.isIdent(QLatin1String("even"))))
        return AnPlusB{2, first.isIdent(QLatin1String("odd")) ? 1 : 0};

    // A, and the text after its "n"; a '+' may only stand right before an identifier "n...".
    double a = 1;
    QString step;
    size_t next = 1;
    if (first.is(CssToken::Dimension) && first.isInteger) {
        a = first.number;
        step = first.value.toLower();
    } else if (first.is(CssToken::Ident)) {
        step = first.value.toLower();
        if (step.startsWith(QLatin1String("-n"))) {
            a = -1;
            step.remove(0, 1);
        }
    } else if (first.isDelim('+') && tokens.size() > 1 && tokens[1] == tokens[0] + 1
               && run[tokens[1]].is(CssToken::Ident)) {
        step = run[tokens[1]].value.toLower();
        next = 2;
    }
    if (!step.startsWith('n'))
        return std::nullopt;
    tokens.erase(tokens.begin(), tokens.begin() + qsizetype(next));
    const std::optional<double> b = offsetAfterStep(run, QStringView(step).mid(1), tokens);
    if (!b)
        return std::nullopt;
    return AnPlusB{clampedInt(a), clampedInt(*b)};
}
