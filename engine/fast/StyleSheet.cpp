#include "engine/fast/StyleSheet.h"

#include "engine/fast/CssText.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

constexpr double windowWidth = 1280;
constexpr double windowHeight = 720;
constexpr int maxImportDepth = 16;

// --- Media queries ----------------------------------------------------------------------------

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

FeatureResult feature(const QString &expression)
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
            const FeatureResult each = feature(tokens[i].mid(1, tokens[i].size() - 2).trimmed());
            if (each == FeatureResult::Invalid)
                return false; // the whole query is "not all"
            result = result && each == FeatureResult::True;
        } else if (tokens[i] != "and" || i + 1 >= tokens.size()) {
            return false;
        }
    }
    return negated ? !result : result;
}

// --- Declarations ------------------------------------------------------------------------------

bool propertyFor(const QString &name, Property &property)
{
    static const QHash<QString, Property> properties{
        {"display", Property::Display}, {"visibility", Property::Visibility},
        {"white-space", Property::WhiteSpace}, {"text-transform", Property::TextTransform},
        {"content-visibility", Property::ContentVisibility}, {"float", Property::Float},
        {"position", Property::Position}, {"content", Property::Content}};
    const auto found = properties.find(name);
    if (found == properties.end())
        return false;
    property = found.value();
    return true;
}

// --- Sheets ------------------------------------------------------------------------------------

bool supportsMatches(const QString &condition)
{
    // Every feature test a page is likely to make holds in the browser engine, except negated ones.
    return !condition.trimmed().startsWith(QLatin1String("not"), Qt::CaseInsensitive);
}

QString importTarget(const QString &prelude, QString &media)
{
    qsizetype at = 0;
    while (at < prelude.size() && isCssSpace(prelude[at]))
        ++at;
    QString target;
    if (at < prelude.size() && (prelude[at] == '"' || prelude[at] == '\'')) {
        target = readString(prelude, at);
    } else if (prelude.mid(at, 4).compare(QLatin1String("url("), Qt::CaseInsensitive) == 0) {
        at += 4;
        while (at < prelude.size() && isCssSpace(prelude[at]))
            ++at;
        if (at < prelude.size() && (prelude[at] == '"' || prelude[at] == '\'')) {
            target = readString(prelude, at);
            const qsizetype close = prelude.indexOf(')', at);
            at = close < 0 ? prelude.size() : close + 1;
        } else {
            const qsizetype close = prelude.indexOf(')', at);
            if (close < 0)
                return {};
            target = prelude.mid(at, close - at).trimmed();
            at = close + 1;
        }
    } else {
        return {};
    }
    media = prelude.mid(at).trimmed();
    return target;
}

class SheetParser
{
public:
    SheetParser(const QUrl &base, const SheetLoader &loader, std::vector<StyleRule> &rules,
                LayerOrder &layers, QStringList &chain)
        : m_base(base), m_loader(loader), m_rules(rules), m_layers(layers), m_chain(chain)
    {
    }

    void parse(const QString &text) { parseRules(text, 0, text.size(), true, {}); }

private:
    // The recursion follows @media and @supports blocks, which style sheets nest a few deep;
    // blocks deeper than that are skipped.
    void parseRules(const QString &text, qsizetype at, qsizetype end, bool topLevel,
                    const QString &layer, int depth = 0)
    {
        bool importsAllowed = topLevel;
        while (at < end) {
            while (at < end && (isCssSpace(text[at]) || text[at] == ';'))
                ++at;
            if (at >= end)
                return;
            if (topLevel && text.mid(at, 4) == QLatin1String("<!--")) {
                at += 4;
                continue;
            }
            if (topLevel && text.mid(at, 3) == QLatin1String("-->")) {
                at += 3;
                continue;
            }
            if (text[at] == '@') {
                ++at;
                const QString name = readIdentifier(text, at).toLower();
                const qsizetype semicolon = findTopLevel(text, at, end, ';');
                const qsizetype brace = findTopLevel(text, at, end, '{');
                if (brace < 0 || (semicolon >= 0 && semicolon < brace)) {
                    const qsizetype stop = semicolon < 0 ? end : semicolon;
                    if (name == "import" && importsAllowed)
                        import(text.mid(at, stop - at));
                    else if (name != "charset" && name != "layer" && name != "namespace")
                        importsAllowed = false;
                    if (name == "layer") {
                        for (const QString &each : text.mid(at, stop - at).split(','))
                            layerIndex(qualified(layer, each.trimmed()));
                    }
                    at = stop + 1;
                    continue;
                }
                importsAllowed = false;
                const qsizetype close = findBlockEnd(text, brace, end);
                const QString prelude = text.mid(at, brace - at).trimmed().toLower();
                const bool descend = (name == "media" && mediaMatches(prelude))
                                     || (name == "supports" && supportsMatches(prelude))
                                     || name == "layer" || name == "document";
                // An unnamed layer is a layer of its own that nothing else can name.
                const QString inner = name != "layer" ? layer
                                      : qualified(layer, prelude.isEmpty()
                                                             ? QString("\u0001%1").arg(m_layers.size())
                                                             : prelude);
                if (name == "layer")
                    layerIndex(inner);
                if (descend && depth < 8)
                    parseRules(text, brace + 1, close, false, inner, depth + 1);
                at = close + 1;
                continue;
            }
            importsAllowed = false;
            const qsizetype brace = findTopLevel(text, at, end, '{');
            if (brace < 0)
                return;
            const qsizetype close = findBlockEnd(text, brace, end);
            StyleRule rule;
            rule.selectors = parseSelectorList(text.mid(at, brace - at).trimmed());
            if (!rule.selectors.empty()) {
                rule.declarations = parseDeclarations(text.mid(brace + 1, close - brace - 1));
                rule.layer = layer.isEmpty() ? 0 : layerIndex(layer);
                if (!rule.declarations.empty())
                    m_rules.push_back(std::move(rule));
            }
            at = close + 1;
        }
    }

    void import(const QString &prelude)
    {
        QString media;
        const QString target = importTarget(prelude, media);
        if (target.isEmpty() || !m_loader || !mediaMatches(media.isEmpty() ? "all" : media.toLower()))
            return;
        const QString path = localPathFor(target, m_base);
        if (path.isEmpty() || m_chain.contains(path) || m_chain.size() >= maxImportDepth)
            return;
        const QString sheet = m_loader(path);
        if (sheet.isNull())
            return;
        m_chain.append(path);
        SheetParser(QUrl::fromLocalFile(path), m_loader, m_rules, m_layers, m_chain)
            .parse(withoutComments(sheet));
        m_chain.removeLast();
    }

    static QString qualified(const QString &outer, const QString &name)
    {
        return outer.isEmpty() ? name : outer + '.' + name;
    }

    int layerIndex(const QString &name)
    {
        qsizetype index = m_layers.indexOf(name);
        if (index < 0) {
            m_layers.append(name);
            index = m_layers.size() - 1;
        }
        return int(index) + 1;
    }

    QUrl m_base;
    const SheetLoader &m_loader;
    std::vector<StyleRule> &m_rules;
    LayerOrder &m_layers;
    QStringList &m_chain;
};

} // namespace

bool mediaMatches(const QString &mediaList)
{
    const QString list = mediaList.trimmed().toLower();
    if (list.isEmpty())
        return true;
    qsizetype at = 0;
    for (;;) {
        const qsizetype comma = findTopLevel(list, at, list.size(), ',');
        const QString query = list.mid(at, comma < 0 ? -1 : comma - at).trimmed();
        if (queryMatches(query))
            return true;
        if (comma < 0)
            return false;
        at = comma + 1;
    }
}

std::vector<Declaration> parseDeclarations(const QString &text)
{
    std::vector<Declaration> declarations;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = findTopLevel(text, at, text.size(), ';');
        if (end < 0)
            end = text.size();
        const QString item = text.mid(at, end - at);
        at = end + 1;
        const qsizetype colon = item.indexOf(':');
        if (colon < 0)
            continue;
        Property property = Property::Count;
        if (!propertyFor(item.left(colon).trimmed().toLower(), property))
            continue;
        QString value = item.mid(colon + 1).trimmed();
        static const QRegularExpression important(QStringLiteral("!\\s*important\\s*$"),
                                                  QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = important.match(value);
        const bool isImportant = match.hasMatch();
        if (isImportant)
            value = value.left(match.capturedStart()).trimmed();
        if (value.isEmpty())
            continue;
        if (property != Property::Content)
            value = value.toLower();
        declarations.push_back({property, value, isImportant});
    }
    return declarations;
}

QString localPathFor(const QString &reference, const QUrl &base)
{
    const QString trimmed = reference.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl resolved = base.resolved(QUrl(trimmed));
    if (!resolved.isLocalFile())
        return {};
    return QDir::cleanPath(resolved.toLocalFile());
}

void appendStyleRules(const QString &sheet, const QUrl &base, const SheetLoader &loader,
                      std::vector<StyleRule> &rules, LayerOrder &layers)
{
    QStringList chain;
    if (base.isLocalFile())
        chain << QDir::cleanPath(base.toLocalFile());
    SheetParser(base, loader, rules, layers, chain).parse(withoutComments(sheet));
}
