#include "engine/fast/css/MediaFeature.h"

#include "engine/fast/css/CssTokenizer.h"

#include <QHash>

#include <optional>

namespace {

constexpr double windowWidth = 1280;
constexpr double windowHeight = 720;

const CssToken *onlyToken(const MediaFeatureValue &value)
{
    return value.tokens.size() == 1 ? &value.run[value.tokens[0]] : nullptr;
}

// A length in CSS pixels, or NaN when the value is none; the browser refuses negative ones.
double lengthInPixels(const MediaFeatureValue &value)
{
    const CssToken *token = onlyToken(value);
    if (!token || token->number < 0)
        return qQNaN();
    if (token->is(CssToken::Number))
        return token->number == 0 ? 0 : qQNaN();
    if (!token->is(CssToken::Dimension))
        return qQNaN();
    static const QHash<QString, double> pixelsPerUnit{{"px", 1},
                                                      {"em", 16},
                                                      {"rem", 16},
                                                      {"pt", 96.0 / 72},
                                                      {"pc", 16},
                                                      {"in", 96},
                                                      {"cm", 96 / 2.54},
                                                      {"mm", 96 / 25.4},
                                                      {"q", 96 / 101.6},
                                                      {"vw", windowWidth / 100},
                                                      {"vh", windowHeight / 100},
                                                      {"ex", 8},
                                                      {"ch", 8}};
    return token->number * pixelsPerUnit.value(token->value.toLower(), qQNaN());
}

double numberOf(const MediaFeatureValue &value)
{
    const CssToken *token = onlyToken(value);
    return token && token->is(CssToken::Number) && token->number >= 0 ? token->number : qQNaN();
}

double integerOf(const MediaFeatureValue &value)
{
    const CssToken *token = onlyToken(value);
    return token && token->isInteger ? numberOf(value) : qQNaN();
}

// Two positive integers on either side of a slash, as the browser takes a ratio.
double ratioOf(const MediaFeatureValue &value)
{
    if (value.tokens.size() != 3 || !value.run[value.tokens[1]].isDelim('/'))
        return qQNaN();
    const CssToken &first = value.run[value.tokens[0]];
    const CssToken &second = value.run[value.tokens[2]];
    for (const CssToken *each : {&first, &second}) {
        if (!each->is(CssToken::Number) || !each->isInteger || each->number <= 0)
            return qQNaN();
    }
    return first.number / second.number;
}

// Dots per CSS pixel.
double resolutionOf(const MediaFeatureValue &value)
{
    const CssToken *token = onlyToken(value);
    if (!token || !token->is(CssToken::Dimension) || token->number < 0)
        return qQNaN();
    const QString unit = token->value.toLower();
    if (unit == "dppx" || unit == "x")
        return token->number;
    if (unit == "dpi")
        return token->number / 96;
    if (unit == "dpcm")
        return token->number * 2.54 / 96;
    return qQNaN();
}

QString keywordOf(const MediaFeatureValue &value)
{
    const CssToken *token = onlyToken(value);
    return token && token->is(CssToken::Ident) ? token->value.toLower() : QString();
}

MediaFeatureResult compare(double actual, double wanted, const QString &prefix)
{
    if (qIsNaN(wanted))
        return MediaFeatureResult::Invalid;
    const bool holds = prefix == "min-" ? actual >= wanted
        : prefix == "max-"              ? actual <= wanted
                                        : qFuzzyCompare(actual + 1, wanted + 1);
    return holds ? MediaFeatureResult::True : MediaFeatureResult::False;
}

// Features that take a keyword, with the window's keyword (those the browser engine knows).
MediaFeatureResult keywordFeatureHolds(const QString &name, const MediaFeatureValue *value)
{
    static const QHash<QString, QString> keywords{{"prefers-color-scheme", "light"},
                                                  {"prefers-reduced-motion", "no-preference"},
                                                  {"prefers-contrast", "no-preference"},
                                                  {"forced-colors", "none"},
                                                  {"display-mode", "browser"},
                                                  {"dynamic-range", "standard"},
                                                  {"color-gamut", "srgb"},
                                                  {"hover", "hover"},
                                                  {"any-hover", "hover"},
                                                  {"pointer", "fine"},
                                                  {"any-pointer", "fine"}};
    const auto found = keywords.find(name);
    if (found == keywords.end())
        return MediaFeatureResult::Invalid;
    if (!value)
        return found.value() == "none" || found.value() == "no-preference"
            ? MediaFeatureResult::False
            : MediaFeatureResult::True;
    return keywordOf(*value) == found.value() ? MediaFeatureResult::True
                                              : MediaFeatureResult::False;
}

// Features that may take "min-" or "max-", the prefix already taken off their name; nothing for
// other names.
std::optional<MediaFeatureResult> rangeFeatureHolds(const QString &name, const QString &prefix,
                                                    const MediaFeatureValue *value)
{
    auto holds =
        [&](double actual, double (*wanted)(const MediaFeatureValue &), MediaFeatureResult alone) {
        return value ? compare(actual, wanted(*value), prefix) : alone;
    };
    if (name == "width" || name == "device-width")
        return holds(windowWidth, lengthInPixels, MediaFeatureResult::True);
    if (name == "height" || name == "device-height")
        return holds(windowHeight, lengthInPixels, MediaFeatureResult::True);
    if (name == "aspect-ratio" || name == "device-aspect-ratio")
        return holds(windowWidth / windowHeight, ratioOf, MediaFeatureResult::True);
    if (name == "-webkit-device-pixel-ratio")
        return holds(1, numberOf, MediaFeatureResult::True);
    if (name == "resolution")
        return holds(1, resolutionOf, MediaFeatureResult::True);
    if (name == "color")
        return holds(8, integerOf, MediaFeatureResult::True);
    if (name == "monochrome" || name == "color-index")
        return holds(0, integerOf, MediaFeatureResult::False);
    return std::nullopt;
}

// Features that take no prefix.
MediaFeatureResult otherFeatureHolds(const QString &name, const MediaFeatureValue *value)
{
    if (name == "grid")
        return value ? compare(0, integerOf(*value), {}) : MediaFeatureResult::False;
    if (name == "-webkit-transform-3d")
        return value ? compare(1, integerOf(*value), {}) : MediaFeatureResult::True;
    if (name == "orientation") {
        const QString keyword = value ? keywordOf(*value) : QStringLiteral("landscape");
        return keyword == "landscape" ? MediaFeatureResult::True
            : keyword == "portrait"   ? MediaFeatureResult::False
                                      : MediaFeatureResult::Invalid;
    }
    if (name == "scan") {
        // Known, and false on a screen; a keyword outside its two is still an error.
        const QString keyword = value ? keywordOf(*value) : QStringLiteral("progressive");
        return keyword == "progressive" || keyword == "interlace" ? MediaFeatureResult::False
                                                                  : MediaFeatureResult::Invalid;
    }
    return keywordFeatureHolds(name, value);
}

} // namespace

MediaFeatureResult mediaFeatureHolds(QString name, const MediaFeatureValue *value)
{
    QString prefix;
    if (name.startsWith(QLatin1String("min-")) || name.startsWith(QLatin1String("max-"))) {
        prefix = name.left(4);
        name.remove(0, 4);
    } else if (name.startsWith(QLatin1String("-webkit-min-"))
               || name.startsWith(QLatin1String("-webkit-max-"))) {
        prefix = name.mid(8, 4);
        name.remove(8, 4);
    }
    if (!prefix.isEmpty() && !value)
        return MediaFeatureResult::Invalid;
    if (const std::optional<MediaFeatureResult> ranged = rangeFeatureHolds(name, prefix, value))
        return *ranged;
    return prefix.isEmpty() ? otherFeatureHolds(name, value) : MediaFeatureResult::Invalid;
}
