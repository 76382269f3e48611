#include "StyleColours.h"

#include "engine/fast/css/CssTokenizer.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// Keywords the browser keeps as written, in lower case. Other names (system colours, vendor
// keywords) are not modelled, since which the browser takes is not known here.
const QSet<QString> &keptKeywords()
{
    static const QSet<QString> keywords = [] {
        QSet<QString> names;
        for (const char *name : {"aliceblue",
                                 "antiquewhite",
                                 "aqua",
                                 "aquamarine",
                                 "azure",
                                 "beige",
                                 "bisque",
                                 "black",
                                 "blanchedalmond",
                                 "blue",
                                 "blueviolet",
                                 "brown",
                                 "burlywood",
                                 "cadetblue",
                                 "chartreuse",
                                 "chocolate",
                                 "coral",
                                 "cornflowerblue",
                                 "cornsilk",
                                 "crimson",
                                 "cyan",
                                 "darkblue",
                                 "darkcyan",
                                 "darkgoldenrod",
                                 "darkgray",
                                 "darkgreen",
                                 "darkgrey",
                                 "darkkhaki",
                                 "darkmagenta",
                                 "darkolivegreen",
                                 "darkorange",
                                 "darkorchid",
                                 "darkred",
                                 "darksalmon",
                                 "darkseagreen",
                                 "darkslateblue",
                                 "darkslategray",
                                 "darkslategrey",
                                 "darkturquoise",
                                 "darkviolet",
                                 "deeppink",
                                 "deepskyblue",
                                 "dimgray",
                                 "dimgrey",
                                 "dodgerblue",
                                 "firebrick",
                                 "floralwhite",
                                 "forestgreen",
                                 "fuchsia",
                                 "gainsboro",
                                 "ghostwhite",
                                 "gold",
                                 "goldenrod",
                                 "gray",
                                 "green",
                                 "greenyellow",
                                 "grey",
                                 "honeydew",
                                 "hotpink",
                                 "indianred",
                                 "indigo",
                                 "ivory",
                                 "khaki",
                                 "lavender",
                                 "lavenderblush",
                                 "lawngreen",
                                 "lemonchiffon",
                                 "lightblue",
                                 "lightcoral",
                                 "lightcyan",
                                 "lightgoldenrodyellow",
                                 "lightgray",
                                 "lightgreen",
                                 "lightgrey",
                                 "lightpink",
                                 "lightsalmon",
                                 "lightseagreen",
                                 "lightskyblue",
                                 "lightslategray",
                                 "lightslategrey",
                                 "lightsteelblue",
                                 "lightyellow",
                                 "lime",
                                 "limegreen",
                                 "linen",
                                 "magenta",
                                 "maroon",
                                 "mediumaquamarine",
                                 "mediumblue",
                                 "mediumorchid",
                                 "mediumpurple",
                                 "mediumseagreen",
                                 "mediumslateblue",
                                 "mediumspringgreen",
                                 "mediumturquoise",
                                 "mediumvioletred",
                                 "midnightblue",
                                 "mintcream",
                                 "mistyrose",
                                 "moccasin",
                                 "navajowhite",
                                 "navy",
                                 "oldlace",
                                 "olive",
                                 "olivedrab",
                                 "orange",
                                 "orangered",
                                 "orchid",
                                 "palegoldenrod",
                                 "palegreen",
                                 "paleturquoise",
                                 "palevioletred",
                                 "papayawhip",
                                 "peachpuff",
                                 "peru",
                                 "pink",
                                 "plum",
                                 "powderblue",
                                 "purple",
                                 "rebeccapurple",
                                 "red",
                                 "rosybrown",
                                 "royalblue",
                                 "saddlebrown",
                                 "salmon",
                                 "sandybrown",
                                 "seagreen",
                                 "seashell",
                                 "sienna",
                                 "silver",
                                 "skyblue",
                                 "slateblue",
                                 "slategray",
                                 "slategrey",
                                 "snow",
                                 "springgreen",
                                 "steelblue",
                                 "tan",
                                 "teal",
                                 "thistle",
                                 "tomato",
                                 "turquoise",
                                 "violet",
                                 "wheat",
                                 "white",
                                 "whitesmoke",
                                 "yellow",
                                 "yellowgreen",
                                 "transparent",
                                 "currentcolor",
                                 "inherit",
                                 "initial",
                                 "unset",
                                 "revert"})
            names.insert(QString::fromLatin1(name));
        return names;
    }();
    return keywords;
}

// Names compare in ASCII case only: a name with another letter is none of these.
std::optional<QString> asciiLowerCase(const QString &name)
{
    QString lower = name;
    for (QChar &c : lower) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return lower;
}

struct Rgba
{
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 255;
};

int channelByte(double value)
{
    return int(std::clamp(std::round(value), 0.0, 255.0));
}

int alphaByte(double alpha)
{
    return int(std::round(std::clamp(alpha, 0.0, 1.0) * 255.0));
}

// The shortest of two or three decimals that still names the same byte.
QString alphaText(int alpha)
{
    const double hundredths = std::round(alpha * 100 / 255.0) / 100;
    if (std::round(hundredths * 255) == alpha)
        return QString::number(hundredths, 'g', 3);
    return QString::number(std::round(alpha * 1000 / 255.0) / 1000, 'g', 4);
}

QString serialized(const Rgba &colour)
{
    if (colour.alpha == 255)
        return QStringLiteral("rgb(%1, %2, %3)").arg(colour.red).arg(colour.green).arg(colour.blue);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red)
        .arg(colour.green)
        .arg(colour.blue)
        .arg(alphaText(colour.alpha));
}

StyleColour kept(const QString &serialized)
{
    return {StyleColour::Kept, serialized};
}

const StyleColour dropped{StyleColour::Dropped, {}};
const StyleColour notModelled{StyleColour::NotModelled, {}};

StyleColour fromHex(const QString &digits)
{
    if (digits.size() != 3 && digits.size() != 4 && digits.size() != 6 && digits.size() != 8)
        return dropped;
    for (QChar c : digits) {
        if (c.unicode() > 0x7f || !std::isxdigit(c.toLatin1()))
            return dropped;
    }
    const int perChannel = digits.size() > 4 ? 2 : 1;
    std::array<int, 4> bytes{0, 0, 0, 255};
    for (qsizetype channel = 0; channel * perChannel < digits.size(); ++channel) {
        const int byte = digits.mid(channel * perChannel, perChannel).toInt(nullptr, 16);
        bytes[size_t(channel)] = perChannel == 1 ? byte * 17 : byte;
    }
    return kept(serialized({bytes[0], bytes[1], bytes[2], bytes[3]}));
}

// The tokens of a function's arguments up to its closing parenthesis or the end of the value
// (which closes it too), white space left out.
std::vector<CssToken> functionArguments(CssTokenizer &tokenizer)
{
    std::vector<CssToken> arguments;
    for (CssToken token = tokenizer.next();
         !token.is(CssToken::End) && !token.is(CssToken::CloseParen); token = tokenizer.next()) {
        if (!token.is(CssToken::Whitespace))
            arguments.push_back(token);
    }
    return arguments;
}

// The three channels and the optional alpha of rgb(), in either the comma or the space form.
StyleColour fromRgbArguments(const std::vector<CssToken> &tokens)
{
    const bool commas = tokens.size() > 1 && tokens[1].is(CssToken::Comma);
    std::vector<const CssToken *> values;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const bool separator = commas ? i % 2 == 1 : i == 3;
        if (separator) {
            const bool expected = commas ? tokens[i].is(CssToken::Comma) : tokens[i].isDelim('/');
            if (!expected)
                return dropped;
        } else {
            values.push_back(&tokens[i]);
        }
    }
    const bool separatorsFit = commas ? tokens.size() % 2 == 1 : tokens.size() != 4;
    if (!separatorsFit || (values.size() != 3 && values.size() != 4))
        return dropped;
    for (const CssToken *value : values) {
        if (value->is(CssToken::Function))
            return notModelled; // calc() and the like
        if (!value->is(CssToken::Number) && !value->is(CssToken::Percentage))
            return dropped;
    }
    const bool percentages = values[0]->is(CssToken::Percentage);
    for (size_t i = 1; i < 3; ++i) {
        if (values[i]->is(CssToken::Percentage) != percentages)
            return commas ? dropped : notModelled;
    }
    const auto channel = [&](size_t i) {
        return channelByte(percentages ? values[i]->number / 100.0 * 255.0 : values[i]->number);
    };
    Rgba colour{channel(0), channel(1), channel(2)};
    if (values.size() == 4) {
        const CssToken &alpha = *values[3];
        colour.alpha = alphaByte(alpha.is(CssToken::Percentage) ? alpha.number / 100.0
                                                                : alpha.number);
    }
    return kept(serialized(colour));
}

StyleColour fromToken(const CssToken &token, CssTokenizer &tokenizer)
{
    switch (token.type) {
    case CssToken::Hash:
        return fromHex(token.value);
    case CssToken::Ident: {
        const auto name = asciiLowerCase(token.value);
        return name && keptKeywords().contains(*name) ? kept(*name) : notModelled;
    }
    case CssToken::Function: {
        const auto name = asciiLowerCase(token.value);
        if (name != u"rgb" && name != u"rgba")
            return notModelled;
        return fromRgbArguments(functionArguments(tokenizer));
    }
    default:
        return dropped;
    }
}

} // namespace

bool isColourProperty(QStringView property)
{
    static const QSet<QString> properties = [] {
        QSet<QString> names;
        for (const char *name :
             {"color", "background-color", "border-top-color", "border-right-color",
              "border-bottom-color", "border-left-color", "outline-color", "text-decoration-color",
              "column-rule-color", "text-emphasis-color", "stop-color", "flood-color",
              "lighting-color", "-webkit-text-fill-color", "-webkit-text-stroke-color"})
            names.insert(QString::fromLatin1(name));
        return names;
    }();
    return properties.contains(property.toString());
}

StyleColour styleColour(QStringView value)
{
    CssTokenizer tokenizer(value);
    CssToken token = tokenizer.next();
    while (token.is(CssToken::Whitespace))
        token = tokenizer.next();
    if (token.is(CssToken::End))
        return dropped;
    const StyleColour colour = fromToken(token, tokenizer);
    for (token = tokenizer.next(); token.is(CssToken::Whitespace); token = tokenizer.next()) {
    }
    return token.is(CssToken::End) || colour.outcome == StyleColour::NotModelled ? colour : dropped;
}
