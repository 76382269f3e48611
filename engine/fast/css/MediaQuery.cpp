#include "engine/fast/css/MediaQuery.h"

#include <QHash>
#include <QRegularExpression>

namespace {

constexpr double windowWidth = 1280;
constexpr double windowHeight = 720;

// A length in CSS pixels, or NaN when the text is none.
double lengthInPixels(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:e[+-]?\\d+)?)([a-z%]*)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return qQNaN();
    const double number = match.captured(1).toDouble();
    const QString unit = match.captured(2);
    if (unit == "px") return number;
    if (unit == "em" || unit == "rem") return number * 16;
    if (unit == "pt") return number * 96 / 72;
    if (unit == "pc") return number * 16;
    if (unit == "in") return number * 96;
    if (unit == "cm") return number * 96 / 2.54;
    if (unit == "mm") return number * 96 / 25.4;
    if (unit == "q") return number * 96 / 101.6;
    if (unit == "vw") return number * windowWidth / 100;
    if (unit == "vh") return number * windowHeight / 100;
    if (unit == "ex") return number * 8;
    if (unit == "ch") return number * 8;
    if (unit.isEmpty() && number == 0) return 0;
    return qQNaN();
}

double ratio(const QString &text)
{
    const QStringList parts = text.split('/');
    bool ok = false;
    const double first = parts[0].trimmed().toDouble(&ok);
    if (!ok)
        return qQNaN();
    if (parts.size() == 1)
        return first;
    const double second = parts[1].trimmed().toDouble(&ok);
    return ok && second != 0 && parts.size() == 2 ? first / second : qQNaN();
}

enum class FeatureResult { True, False, Invalid };

FeatureResult compare(double actual, double wanted, const QString &prefix)
{
    if (qIsNaN(wanted))
        return FeatureResult::Invalid;
    const bool holds = prefix == "min-" ? actual >= wanted
                       : prefix == "max-" ? actual <= wanted
                                          : qFuzzyCompare(actual + 1, wanted + 1);
    return holds ? FeatureResult::True : FeatureResult::False;
}

// Whether one media feature test, such as "min-width: 600px" (without its parentheses), holds
// for the window.
FeatureResult mediaFeatureHolds(const QString &expression)
{
    const qsizetype colon = expression.indexOf(':');
    QString name = (colon < 0 ? expression : expression.left(colon)).trimmed();
    const QString value = colon < 0 ? QString() : expression.mid(colon + 1).trimmed();
    if (colon >= 0 && value.isEmpty())
        return FeatureResult::Invalid;
    QString prefix;
    for (const char *each : {"min-", "max-"}) {
        if (name.startsWith(QLatin1String(each))) {
            prefix = QLatin1String(each);
            name = name.mid(4);
        }
    }
    if (name.startsWith(QLatin1String("-webkit-min-")) || name.startsWith(QLatin1String("-webkit-max-"))) {
        prefix = name.mid(8, 4);
        name = "-webkit-" + name.mid(12);
    }
    const bool hasValue = colon >= 0;
    if (!prefix.isEmpty() && !hasValue)
        return FeatureResult::Invalid;

    if (name == "width" || name == "device-width")
        return hasValue ? compare(windowWidth, lengthInPixels(value), prefix) : FeatureResult::True;
    if (name == "height" || name == "device-height")
        return hasValue ? compare(windowHeight, lengthInPixels(value), prefix) : FeatureResult::True;
    if (name == "aspect-ratio" || name == "device-aspect-ratio")
        return hasValue ? compare(windowWidth / windowHeight, ratio(value), prefix)
                        : FeatureResult::True;
    if (name == "-webkit-device-pixel-ratio")
        return hasValue ? compare(1, ratio(value), prefix) : FeatureResult::True;
    if (name == "resolution") {
        if (!hasValue)
            return FeatureResult::True;
        double dppx = qQNaN();
        if (value.endsWith(QLatin1String("dppx")) || value.endsWith(QLatin1String("x")))
            dppx = value.left(value.size() - (value.endsWith('x') && !value.endsWith(QLatin1String("dppx")) ? 1 : 4)).toDouble();
        else if (value.endsWith(QLatin1String("dpi")))
            dppx = value.chopped(3).toDouble() / 96;
        else if (value.endsWith(QLatin1String("dpcm")))
            dppx = value.chopped(4).toDouble() * 2.54 / 96;
        return compare(1, dppx, prefix);
    }
    if (name == "color")
        return hasValue ? compare(8, value.toDouble(), prefix) : FeatureResult::True;
    if (name == "monochrome" || name == "color-index" || name == "grid")
        return hasValue ? compare(0, value.toDouble(), prefix) : FeatureResult::False;
    if (!prefix.isEmpty())
        return FeatureResult::Invalid;
    if (name == "orientation")
        return value == "landscape" ? FeatureResult::True
               : value == "portrait" ? FeatureResult::False
                                     : FeatureResult::Invalid;
    if (name == "hover" || name == "any-hover")
        return !hasValue || value == "hover" ? FeatureResult::True : FeatureResult::False;
    if (name == "pointer" || name == "any-pointer")
        return !hasValue || value == "fine" ? FeatureResult::True : FeatureResult::False;
    static const QHash<QString, QString> keywords{
        {"prefers-color-scheme", "light"}, {"prefers-reduced-motion", "no-preference"},
        {"prefers-contrast", "no-preference"}, {"prefers-reduced-data", "no-preference"},
        {"forced-colors", "none"}, {"inverted-colors", "none"}, {"scan", "progressive"},
        {"display-mode", "browser"}, {"dynamic-range", "standard"},
        {"update", "fast"}, {"overflow-block", "scroll"}, {"overflow-inline", "scroll"},
        {"color-gamut", "srgb"}, {"scripting", "enabled"}};
    const auto found = keywords.find(name);
    if (found == keywords.end())
        return FeatureResult::Invalid;
    if (!hasValue)
        return value == "none" || found.value() == "none" || found.value() == "no-preference"
                   ? FeatureResult::False
                   : FeatureResult::True;
    return value == found.value() ? FeatureResult::True : FeatureResult::False;
}

// One query of a list: [not|only] type [and (feature)]... or (feature) [and (feature)]...
bool queryMatches(const QString &query)
{
    static const QRegularExpression token(QStringLiteral("\\s*(\\([^()]*\\)|[^\\s()]+)"));
    QStringList tokens;
    qsizetype at = 0;
    while (at < query.size()) {
        const QRegularExpressionMatch match = token.match(query, at, QRegularExpression::NormalMatch,
                                                          QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) {
            if (query.mid(at).trimmed().isEmpty())
                break;
            return false;
        }
        tokens << match.captured(1);
        at = match.capturedEnd();
    }
    if (tokens.isEmpty())
        return false;
    bool negated = false;
    qsizetype i = 0;
    if (tokens[0] == "not" || tokens[0] == "only") {
        negated = tokens[0] == "not";
        ++i;
        if (i >= tokens.size() || tokens[i].startsWith('('))
            return false;
    }
    bool result = true;
    if (!tokens[i].startsWith('(')) {
        const QString type = tokens[i++];
        if (type == "and" || type == "or" || type == "not" || type == "only")
            return false;
        result = type == "all" || type == "screen";
        if (i < tokens.size() && tokens[i] != "and")
            return false;
        if (i < tokens.size())
            ++i;
        if (i >= tokens.size() && tokens.size() > 1 && tokens.back() == "and")
            return false;
    }
    for (bool expectFeature = true; i < tokens.size(); ++i, expectFeature = !expectFeature) {
        if (expectFeature) {
            if (!tokens[i].startsWith('('))
                return false;
            const FeatureResult each = mediaFeatureHolds(tokens[i].mid(1, tokens[i].size() - 2).trimmed());
            if (each == FeatureResult::Invalid)
                return false; // the whole query is "not all"
            result = result && each == FeatureResult::True;
        } else if (tokens[i] != "and" || i + 1 >= tokens.size()) {
            return false;
        }
    }
    return negated ? !result : result;
}

// The queries of a comma-separated list, split at the commas outside parentheses.
QStringList splitQueries(const QString &list)
{
    QStringList queries;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype at = 0; at < list.size(); ++at) {
        const QChar c = list[at];
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
        else if (c == ',' && depth == 0) {
            queries << list.mid(start, at - start).trimmed();
            start = at + 1;
        }
    }
    queries << list.mid(start).trimmed();
    return queries;
}

} // namespace

bool mediaMatches(QStringView mediaList)
{
    const QString list = mediaList.trimmed().toString().toLower();
    if (list.isEmpty())
        return true;
    for (const QString &query : splitQueries(list)) {
        if (queryMatches(query))
            return true;
    }
    return false;
}
