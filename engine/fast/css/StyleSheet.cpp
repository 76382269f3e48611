#include "engine/fast/css/StyleSheet.h"

#include "engine/fast/css/CssTokenizer.h"
#include "engine/fast/css/MediaQuery.h"
#include "engine/fast/css/SelectorParser.h"

#include <QDir>

namespace {

// @media, @supports and @layer blocks nest a few deep in real sheets; deeper ones are skipped.
constexpr int maxBlockNesting = 8;

// Whether the selector parser reads a selector list: it reads what the browser engine does.
bool selectorParses(QStringView text)
{
    CssTokenizer tokenizer(text);
    CssTokenRun run;
    run.source = text;
    for (CssToken token = tokenizer.next(); !token.is(CssToken::End); token = tokenizer.next())
        run.append(std::move(token));
    run.findBlocks();
    // A selector nested deeper than is followed here is one the browser reads.
    bool tooDeep = false;
    const bool parsed = !parseSelectorList(run, 0, run.size(), tooDeep).empty();
    return !run.overflowed && (parsed || tooDeep);
}

bool supportsMatches(QStringView condition)
{
    const QStringView test = condition.trimmed();
    if (test.startsWith(QLatin1String("selector("), Qt::CaseInsensitive) && test.endsWith(')'))
        return selectorParses(test.sliced(9).chopped(1));
    // Every other feature test a page is likely to make holds in the browser engine, except
    // negated ones.
    return !test.startsWith(QLatin1String("not"), Qt::CaseInsensitive);
}

QString qualified(const QString &outer, const QString &name)
{
    return outer.isEmpty() ? name : outer + '.' + name;
}

// Whether a number token, as written, is an integer of 1 or more ("2", not "2.0" or "2e0").
bool isPositiveInteger(const CssTokenRun &run, int index)
{
    const QStringView written = run.text(index, index + 1);
    return run[index].is(CssToken::Number) && run[index].number >= 1 && !written.contains('.')
        && !written.contains('e', Qt::CaseInsensitive);
}

// The value of one declaration, checked against its property's row. A row whose keywords hold
// "<count>" takes a positive integer for it (no identifier is spelled so).
bool parseKeywordValue(const PropertyRow &row, const CssTokenRun &run, int index,
                       Declaration &declaration)
{
    const CssToken &token = run[index];
    if (!token.is(CssToken::Ident) && !isPositiveInteger(run, index))
        return false;
    const QString keyword = token.is(CssToken::Ident) ? token.value.toLower()
                                                      : QStringLiteral("<count>");
    for (const CssKeyword &each : row.keywords) {
        if (keyword == QLatin1StringView(each.name.data(), qsizetype(each.name.size()))) {
            declaration.value = each.value;
            return true;
        }
    }
    return false;
}

void parseContentValue(const CssTokenRun &run, int from, int to, ContentValue &content)
{
    for (int i = from; i < to; i = run.after(i)) {
        const CssToken &token = run[i];
        if (token.is(CssToken::String)) {
            content.parts.push_back({false, token.value});
            content.hasString = true;
        } else if (token.isDelim('/')) {
            return; // alternative text follows
        } else if (token.is(CssToken::Function)) {
            const QString name = token.value.toLower();
            const QString argument =
                run.text(i + 1, std::min(token.match, to)).trimmed().toString().toLower();
            if (name == "attr")
                content.parts.push_back({true, argument});
            else if (name == "counter" || name == "counters")
                content.parts.push_back({false, QStringLiteral("1")});
            else
                content.replaced = true;
        } else if (token.is(CssToken::Url) || token.is(CssToken::BadUrl)) {
            content.replaced = true;
        } else if (token.is(CssToken::Ident)) {
            const QString name = token.value.toLower();
            if (name.endsWith(QLatin1String("open-quote"))
                || name.endsWith(QLatin1String("close-quote"))) {
                if (!name.startsWith(QLatin1String("no-")))
                    content.parts.push_back({false, QStringLiteral("\"")});
            }
        }
    }
}

SelectorKey selectorKey(const ComplexSelector &selector)
{
    const QString key = selector.key();
    if (key.isEmpty())
        return {SelectorKey::Universal, key};
    if (key.startsWith('#'))
        return {SelectorKey::Id, key.mid(1)};
    if (key.startsWith('.'))
        return {SelectorKey::Class, key.mid(1)};
    return {SelectorKey::Type, key};
}

CssWideKeyword wideKeyword(const CssToken &token)
{
    if (token.isIdent(QLatin1String("inherit")))
        return CssWideKeyword::Inherit;
    if (token.isIdent(QLatin1String("initial")))
        return CssWideKeyword::Initial;
    if (token.isIdent(QLatin1String("unset")))
        return CssWideKeyword::Unset;
    if (token.isIdent(QLatin1String("revert")) || token.isIdent(QLatin1String("revert-layer")))
        return CssWideKeyword::Revert;
    return CssWideKeyword::None;
}

// "Consume a declaration" from a run that starts with the property's name; false for a
// declaration that is invalid or of a property the engine does not need.
bool parseDeclaration(CssTokenRun &run, Declaration &declaration)
{
    run.findBlocks();
    const QString name = run[0].value.toLower();
    int property = 0;
    while (property < propertyCount
           && name
               != QLatin1StringView(properties::rows[property].name.data(),
                                    qsizetype(properties::rows[property].name.size())))
        ++property;
    if (property == propertyCount)
        return false;
    int from = run.skipSpace(1, run.size());
    if (from >= run.size() || !run[from].is(CssToken::Colon))
        return false;
    int to = run.size();
    run.trim(++from, to);
    if (to > from && run[to - 1].isIdent(QLatin1String("important"))) {
        int bang = to - 1;
        while (bang > from && run[bang - 1].is(CssToken::Whitespace))
            --bang;
        if (bang > from && run[bang - 1].isDelim('!')) {
            declaration.important = true;
            to = bang - 1;
            run.trim(from, to);
        }
    }
    if (from >= to)
        return false;
    declaration.property = PropertyId(property);
    const PropertyRow &row = propertyRow(declaration.property);
    if (to - from == 1 && (declaration.wide = wideKeyword(run[from])) != CssWideKeyword::None)
        return true;
    if (row.keywords.empty()) {
        parseContentValue(run, from, to, declaration.content);
        return true;
    }
    return to - from == 1 && parseKeywordValue(row, run, from, declaration);
}

class SheetParser
{
public:
    SheetParser(QStringView text, const QUrl &base, StyleSheet &sheet)
        : m_tokens(text)
        , m_base(base)
        , m_sheet(sheet)
    {
        advance();
    }

    void parseSheet() { parseRules(false, 0, 0); }

    // "Consume a list of declarations" up to the end of the text or of the current block.
    std::vector<Declaration> parseDeclarationList(bool inBlock)
    {
        std::vector<Declaration> declarations;
        for (;;) {
            switch (m_current.type) {
            case CssToken::End:
                return declarations;
            case CssToken::CloseCurly:
                if (inBlock) {
                    advance();
                    return declarations;
                }
                break;
            case CssToken::Whitespace:
            case CssToken::Semicolon:
                advance();
                continue;
            case CssToken::AtKeyword: {
                CssTokenRun ignored;
                if (collect(ignored, true, inBlock) == Stop::Block)
                    skipBlock();
                continue;
            }
            default:
                break;
            }
            const bool named = m_current.is(CssToken::Ident);
            CssTokenRun run;
            run.source = m_tokens.source();
            collect(run, true, inBlock, false);
            Declaration declaration;
            if (named && !run.overflowed && parseDeclaration(run, declaration))
                declarations.push_back(std::move(declaration));
        }
    }

private:
    enum class Stop { Semicolon, Block, BlockEnd, End };

    void advance() { m_current = m_tokens.next(); }

    // Collects component values into `run` up to a ";" (when `semicolonEnds`), a "{" (when
    // `curlyOpens`) or the "}" that ends the enclosing block (when `inBlock`), all outside
    // brackets. The ";" and "{" are consumed, the "}" is not.
    Stop collect(CssTokenRun &run, bool semicolonEnds, bool inBlock, bool curlyOpens = true)
    {
        std::vector<CssToken::Type> open;
        for (;; advance()) {
            const CssToken::Type type = m_current.type;
            if (type == CssToken::End)
                return Stop::End;
            if (open.empty()) {
                if (type == CssToken::Semicolon && semicolonEnds) {
                    advance();
                    return Stop::Semicolon;
                }
                if (type == CssToken::OpenCurly && curlyOpens) {
                    advance();
                    return Stop::Block;
                }
                if (type == CssToken::CloseCurly && inBlock)
                    return Stop::BlockEnd;
            }
            if (m_current.opensBlock())
                open.push_back(closerOf(type));
            else if (!open.empty() && type == open.back())
                open.pop_back();
            run.append(m_current);
        }
    }

    static CssToken::Type closerOf(CssToken::Type opener)
    {
        return opener == CssToken::OpenSquare ? CssToken::CloseSquare
            : opener == CssToken::OpenCurly   ? CssToken::CloseCurly
                                              : CssToken::CloseParen;
    }

    // Steps over the rest of a block whose "{" was consumed, its closing "}" included.
    void skipBlock()
    {
        std::vector<CssToken::Type> open{CssToken::CloseCurly};
        for (; !m_current.is(CssToken::End) && !open.empty(); advance()) {
            if (m_current.opensBlock())
                open.push_back(closerOf(m_current.type));
            else if (m_current.type == open.back())
                open.pop_back();
        }
    }

    // "Consume a list of rules", of the whole sheet or of a block whose "{" was consumed.
    void parseRules(bool inBlock, int layer, int depth)
    {
        bool importsAllowed = !inBlock;
        for (;;) {
            switch (m_current.type) {
            case CssToken::End:
                return;
            case CssToken::CloseCurly:
                if (inBlock) {
                    advance();
                    return;
                }
                break;
            case CssToken::Whitespace:
            case CssToken::Cdo:
            case CssToken::Cdc:
                advance();
                continue;
            case CssToken::AtKeyword:
                parseAtRule(inBlock, layer, depth, importsAllowed);
                continue;
            default:
                break;
            }
            importsAllowed = false;
            parseQualifiedRule(inBlock, layer);
        }
    }

    // "Consume a qualified rule": a style rule.
    void parseQualifiedRule(bool inBlock, int layer)
    {
        CssTokenRun prelude;
        prelude.source = m_tokens.source();
        if (collect(prelude, false, inBlock) != Stop::Block)
            return;
        StyleRule rule;
        bool tooDeep = prelude.overflowed;
        if (!prelude.overflowed) {
            prelude.findBlocks();
            rule.selectors = parseSelectorList(prelude, 0, prelude.size(), tooDeep);
            for (const ComplexSelector &selector : rule.selectors)
                rule.keys.push_back(selectorKey(selector));
        }
        m_sheet.rulesBeyondReach = m_sheet.rulesBeyondReach || tooDeep;
        rule.declarations = parseDeclarationList(true);
        rule.layer = layer;
        if (!rule.selectors.empty() && !rule.declarations.empty())
            m_sheet.rules.push_back(std::move(rule));
    }

    // "Consume an at-rule".
    void parseAtRule(bool inBlock, int layer, int depth, bool &importsAllowed)
    {
        const QString name = m_current.value.toLower();
        advance();
        CssTokenRun prelude;
        prelude.source = m_tokens.source();
        const Stop stop = collect(prelude, true, inBlock);
        prelude.findBlocks();
        const QStringView text = prelude.text(0, prelude.size()).trimmed();
        if (stop != Stop::Block) {
            if (name == "import" && importsAllowed && !prelude.overflowed)
                parseImport(prelude);
            else if (name != "charset" && name != "layer" && name != "namespace")
                importsAllowed = false;
            if (name == "layer") {
                for (QStringView each : text.split(QLatin1Char(',')))
                    nameLayer(qualified(layerName(layer), each.trimmed().toString()));
            }
            return;
        }
        importsAllowed = false;
        if (depth >= maxBlockNesting || prelude.overflowed) {
            skipBlock();
            return;
        }
        if (name == "layer") {
            // An unnamed layer is a layer of its own that nothing else can name.
            const QString own = text.isEmpty()
                ? QStringLiteral("\u0001%1").arg(m_sheet.layers.size())
                : text.toString();
            parseRules(true, nameLayer(qualified(layerName(layer), own)), depth + 1);
        } else if ((name == "media" && mediaMatches(text))
                   || (name == "supports" && supportsMatches(text)) || name == "document") {
            parseRules(true, layer, depth + 1);
        } else {
            skipBlock();
        }
    }

    // @import url [layer | layer(name)] [supports(...)] [media list]
    void parseImport(const CssTokenRun &prelude)
    {
        int at = prelude.skipSpace(0, prelude.size());
        if (at >= prelude.size())
            return;
        QString target;
        const CssToken &first = prelude[at];
        if (first.is(CssToken::String) || first.is(CssToken::Url)) {
            target = first.value;
        } else if (first.is(CssToken::Function)
                   && first.value.compare(QLatin1String("url"), Qt::CaseInsensitive) == 0) {
            const int inner = prelude.skipSpace(at + 1, prelude.size());
            if (inner >= prelude.size() || !prelude[inner].is(CssToken::String))
                return;
            target = prelude[inner].value;
        } else {
            return;
        }
        at = prelude.skipSpace(prelude.after(at), prelude.size());
        StyleSheet::Import import;
        if (at < prelude.size() && prelude[at].isIdent(QLatin1String("layer"))) {
            import.layer = nameLayer(QStringLiteral("\u0001%1").arg(m_sheet.layers.size()));
            at = prelude.skipSpace(at + 1, prelude.size());
        } else if (at < prelude.size() && prelude[at].is(CssToken::Function)
                   && prelude[at].value.compare(QLatin1String("layer"), Qt::CaseInsensitive) == 0) {
            const QString name = prelude.text(at + 1, prelude[at].match).trimmed().toString();
            if (name.isEmpty())
                return;
            import.layer = nameLayer(name);
            at = prelude.skipSpace(prelude.after(at), prelude.size());
        }
        if (at < prelude.size() && prelude[at].is(CssToken::Function)
            && prelude[at].value.compare(QLatin1String("supports"), Qt::CaseInsensitive) == 0) {
            if (!supportsMatches(prelude.text(at + 1, prelude[at].match)))
                return;
            at = prelude.after(at);
        }
        const QStringView media = prelude.text(at, prelude.size()).trimmed();
        if (!mediaMatches(media.isEmpty() ? QStringView(u"all") : media))
            return;
        import.path = localPathFor(target, m_base);
        if (import.path.isEmpty())
            return;
        m_sheet.items.push_back({StyleSheet::Item::ImportedSheet, int(m_sheet.imports.size())});
        m_sheet.imports.push_back(std::move(import));
    }

    QString layerName(int layer) const
    {
        return layer == 0 ? QString() : m_sheet.layers[layer - 1];
    }

    // The layer's place in the sheet's list, from 1, named now if it was not yet.
    int nameLayer(const QString &name)
    {
        const auto found = m_layerIndex.constFind(name);
        if (found != m_layerIndex.cend())
            return found.value();
        m_sheet.layers.append(name);
        const int index = int(m_sheet.layers.size());
        m_layerIndex.insert(name, index);
        m_sheet.items.push_back({StyleSheet::Item::LayerName, index - 1});
        return index;
    }

    CssTokenizer m_tokens;
    CssToken m_current;
    QUrl m_base;
    StyleSheet &m_sheet;
    QHash<QString, int> m_layerIndex;
};

} // namespace

StyleSheet parseStyleSheet(QStringView text, const QUrl &base)
{
    StyleSheet sheet;
    sheet.sourceSize = text.size();
    SheetParser(text, base, sheet).parseSheet();
    return sheet;
}

std::vector<Declaration> parseDeclarations(QStringView text)
{
    StyleSheet unused;
    return SheetParser(text, QUrl(), unused).parseDeclarationList(false);
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
