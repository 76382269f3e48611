#include "engine/fast/StyleResolver.h"

#include "engine/fast/CssText.h"
#include "engine/fast/Dom.h"
#include "engine/fast/PageCancellation.h"
#include "engine/fast/UserAgentStyle.h"

#include <QMimeDatabase>
#include <QRegularExpression>

#include <climits>

namespace {

// Cascade levels, lowest first.
enum Level { UserAgentNormal, PresentationalHint, AuthorNormal, AuthorImportant, UserAgentImportant };

template <typename W>
bool beats(const W &candidate, const W &current)
{
    if (candidate.level != current.level)
        return candidate.level > current.level;
    if (candidate.attached != current.attached)
        return candidate.attached;
    if (candidate.layerRank != current.layerRank)
        return candidate.layerRank > current.layerRank;
    if (candidate.specificity != current.specificity)
        return candidate.specificity > current.specificity;
    return candidate.order >= current.order;
}

bool parseDisplay(const QString &value, Display &display)
{
    static const QHash<QString, Display> values{
        {"none", Display::None}, {"contents", Display::Contents}, {"inline", Display::Inline},
        {"block", Display::Block}, {"inline-block", Display::InlineBlock},
        {"list-item", Display::ListItem}, {"flow-root", Display::FlowRoot},
        {"run-in", Display::Block},
        {"table", Display::Table}, {"inline-table", Display::InlineTable},
        {"table-row-group", Display::TableRowGroup},
        {"table-header-group", Display::TableHeaderGroup},
        {"table-footer-group", Display::TableFooterGroup}, {"table-row", Display::TableRow},
        {"table-cell", Display::TableCell}, {"table-column-group", Display::TableColumnGroup},
        {"table-column", Display::TableColumn}, {"table-caption", Display::TableCaption},
        {"flex", Display::Flex}, {"inline-flex", Display::InlineFlex},
        {"-webkit-box", Display::Flex}, {"-webkit-inline-box", Display::InlineFlex},
        {"-webkit-flex", Display::Flex}, {"-webkit-inline-flex", Display::InlineFlex},
        {"grid", Display::Grid}, {"inline-grid", Display::InlineGrid},
        {"ruby", Display::Ruby}, {"ruby-text", Display::RubyText}};
    const auto found = values.find(value);
    if (found == values.end())
        return false;
    display = found.value();
    return true;
}

template <typename E>
bool parseKeyword(const QString &value, std::initializer_list<std::pair<const char *, E>> table, E &out)
{
    for (const auto &[keyword, each] : table) {
        if (value == QLatin1String(keyword)) {
            out = each;
            return true;
        }
    }
    return false;
}

bool isGlobalKeyword(const QString &value)
{
    return value == "inherit" || value == "initial" || value == "unset" || value == "revert"
           || value == "revert-layer";
}

// Sets the property in `out` from a keyword; false when the keyword is none of its values.
bool applyKeyword(Property property, const QString &value, ComputedStyle &out)
{
    switch (property) {
    case Property::Display:
        return parseDisplay(value, out.display);
    case Property::Visibility:
        return parseKeyword(value, {{"visible", Visibility::Visible}, {"hidden", Visibility::Hidden},
                                    {"collapse", Visibility::Collapse}}, out.visibility);
    case Property::WhiteSpace:
        return parseKeyword(value, {{"normal", WhiteSpace::Normal}, {"pre", WhiteSpace::Pre},
                                    {"nowrap", WhiteSpace::Nowrap}, {"pre-wrap", WhiteSpace::PreWrap},
                                    {"pre-line", WhiteSpace::PreLine},
                                    {"break-spaces", WhiteSpace::BreakSpaces},
                                    {"-webkit-nowrap", WhiteSpace::Nowrap}}, out.whiteSpace);
    case Property::TextTransform:
        return parseKeyword(value, {{"none", TextTransform::None},
                                    {"capitalize", TextTransform::Capitalize},
                                    {"uppercase", TextTransform::Uppercase},
                                    {"lowercase", TextTransform::Lowercase}}, out.textTransform);
    case Property::ContentVisibility:
        return parseKeyword(value, {{"visible", ContentVisibility::Visible},
                                    {"auto", ContentVisibility::Auto},
                                    {"hidden", ContentVisibility::Hidden}}, out.contentVisibility);
    case Property::Float:
        return parseKeyword(value, {{"left", true}, {"right", true}, {"none", false}}, out.floating);
    case Property::Position:
        return parseKeyword(value, {{"static", false}, {"relative", false}, {"sticky", false},
                                    {"-webkit-sticky", false}, {"absolute", true},
                                    {"fixed", true}}, out.outOfFlow);
    case Property::Content:
        return true; // read by generatedContent()
    case Property::Count:
        break;
    }
    return false;
}

bool isInherited(Property property)
{
    return property == Property::Visibility || property == Property::WhiteSpace
           || property == Property::TextTransform;
}

void copyProperty(Property property, const ComputedStyle &from, ComputedStyle &to)
{
    switch (property) {
    case Property::Display: to.display = from.display; break;
    case Property::Visibility: to.visibility = from.visibility; break;
    case Property::WhiteSpace: to.whiteSpace = from.whiteSpace; break;
    case Property::TextTransform: to.textTransform = from.textTransform; break;
    case Property::ContentVisibility: to.contentVisibility = from.contentVisibility; break;
    case Property::Float: to.floating = from.floating; break;
    case Property::Position: to.outOfFlow = from.outOfFlow; break;
    case Property::Content:
    case Property::Count: break;
    }
}

bool isValid(const Declaration &declaration)
{
    ComputedStyle scratch;
    return isGlobalKeyword(declaration.value) || applyKeyword(declaration.property, declaration.value, scratch);
}

// Makes a box block-level, as floats, absolutely positioned boxes and flex and grid items are.
Display blockified(Display display)
{
    switch (display) {
    case Display::Inline:
    case Display::InlineBlock:
    case Display::TableRowGroup:
    case Display::TableHeaderGroup:
    case Display::TableFooterGroup:
    case Display::TableRow:
    case Display::TableCell:
    case Display::TableColumnGroup:
    case Display::TableColumn:
    case Display::TableCaption:
    case Display::Ruby:
    case Display::RubyText:
        return Display::Block;
    case Display::InlineTable: return Display::Table;
    case Display::InlineFlex: return Display::Flex;
    case Display::InlineGrid: return Display::Grid;
    default: return display;
    }
}

// The text a `content` value puts into a ::before or ::after box.
GeneratedContent generatedContent(const QString &value, const DomNode &element)
{
    GeneratedContent content;
    const QString lower = value.toLower();
    if (lower == "none" || lower == "normal" || isGlobalKeyword(lower))
        return content;
    qsizetype at = 0;
    bool any = false;
    while (at < value.size()) {
        const QChar c = value[at];
        if (isCssSpace(c)) {
            ++at;
        } else if (c == '"' || c == '\'') {
            content.text += readString(value, at);
            any = true;
        } else if (c == '/') {
            break; // alternative text follows
        } else {
            const QString name = readIdentifier(value, at).toLower();
            if (at < value.size() && value[at] == '(') {
                const qsizetype close = findTopLevel(value, at + 1, value.size(), ')');
                const QString argument = value.mid(at + 1, close < 0 ? -1 : close - at - 1).trimmed();
                at = close < 0 ? value.size() : close + 1;
                if (name == "attr")
                    content.text += element.attribute(QLatin1String(argument.toLower().toLatin1()));
                else if (name == "counter" || name == "counters")
                    content.text += '1';
                else
                    content.kind = GeneratedContent::AtomicInline;
            } else if (name.endsWith(QLatin1String("open-quote")) || name.endsWith(QLatin1String("close-quote"))) {
                content.text += name.startsWith(QLatin1String("no-")) ? QString() : QStringLiteral("\"");
            } else {
                ++at;
            }
        }
    }
    if (content.kind == GeneratedContent::Nothing && (any || !content.text.isEmpty()))
        content.kind = GeneratedContent::InlineText;
    return content;
}


bool isDetailsSummary(const Dom &dom, int details, int child)
{
    for (int at = dom.node(details).firstChild; at >= 0; at = dom.node(at).nextSibling) {
        if (dom.node(at).isElement("summary"))
            return at == child;
    }
    return false;
}

bool isSvgTextElement(const DomNode &element)
{
    return element.ns == DomNode::Svg
           && (element.name == "text" || element.name == "tspan" || element.name == "textpath");
}

// Whether the engine lays out a child of a rendered element whose children are rendered at all.
bool childIsLaidOut(const Dom &dom, int parent, int child)
{
    const DomNode &parentNode = dom.node(parent);
    const DomNode &childNode = dom.node(child);
    // A closed <details> shows its summary only.
    if (parentNode.isElement("details") && !parentNode.hasAttribute(QLatin1String("open")))
        return isDetailsSummary(dom, parent, child);
    // An <optgroup> shows its label and options, never other content.
    if (parentNode.isElement("optgroup"))
        return childNode.isElement("option");
    // In a drawing only the text of <text> elements shows, and what a <foreignObject> holds.
    if (parentNode.ns == DomNode::Svg && childNode.kind == DomNode::Text)
        return isSvgTextElement(parentNode) || parentNode.name == "foreignobject"
               || (parentNode.name == "a" && dom.node(parentNode.parent).ns == DomNode::Svg
                                                && isSvgTextElement(dom.node(parentNode.parent)));
    return true;
}

// The boxes of a drawing's elements: the drawing is a box in the line, each <text> and
// <foreignObject> a block, groups, links and the containers of what is drawn elsewhere (the
// browser lays out even their text) pass their content on, and shapes and the rest show no
// text.
Display svgDisplay(const Dom &dom, int element, Display computed)
{
    const DomNode &node = dom.node(element);
    if (computed == Display::None)
        return Display::None;
    if (node.parent < 0 || dom.node(node.parent).ns != DomNode::Svg)
        return isBlockLevel(computed) ? computed : Display::InlineBlock;
    if (node.name == "text" || node.name == "foreignobject")
        return Display::Block;
    if (node.name == "tspan" || node.name == "textpath")
        return Display::Inline;
    static const QStringList containers{"g", "svg", "switch", "a", "defs", "symbol",
                                        "clippath", "mask", "pattern", "marker"};
    if (containers.contains(node.name))
        return isSvgTextElement(dom.node(node.parent)) ? Display::Inline : Display::Contents;
    return Display::None;
}

// The URL a page's relative references start from: its first <base href>, else its own.
QUrl documentBase(const Dom &dom, const QString &pagePath)
{
    const QUrl page = QUrl::fromLocalFile(pagePath);
    for (int at = 0; at < dom.size(); ++at) {
        const DomNode &node = dom.node(at);
        if (node.isElement("base") && node.hasAttribute(QLatin1String("href")))
            return page.resolved(QUrl(node.attribute(QLatin1String("href")).trimmed()));
    }
    return page;
}

bool isCssType(const QString &type)
{
    return type.isNull() || type.isEmpty() || type.trimmed().compare(QLatin1String("text/css"), Qt::CaseInsensitive) == 0;
}

} // namespace

StyleResolver::StyleResolver(const Dom &dom, const QString &pagePath, const SheetLoader &loader)
    : m_dom(dom)
    , m_matcher(dom)
{
    std::vector<StyleRule> userAgent;
    LayerOrder noLayers;
    appendStyleRules(userAgentStyleSheet(), QUrl(), {}, userAgent, noLayers);
    addRules(std::move(userAgent), true);
    collectPageSheets(pagePath, loader);
}

void StyleResolver::addRules(std::vector<StyleRule> rules, bool userAgent)
{
    for (StyleRule &rule : rules) {
        checkPageCancelled();
        const int index = int(m_rules.size());
        for (int s = 0; s < int(rule.selectors.size()); ++s) {
            QString key = rule.selectors[size_t(s)].key();
            if (m_dom.quirksMode() && (key.startsWith('#') || key.startsWith('.')))
                key = key.toLower();
            m_rulesByKey[key].push_back({index, s});
        }
        m_rules.push_back(std::move(rule));
    }
    if (userAgent)
        m_userAgentRuleCount = int(m_rules.size());
}

void StyleResolver::collectPageSheets(const QString &pagePath, const SheetLoader &loader)
{
    const QMimeDatabase mimeTypes;
    const QUrl base = documentBase(m_dom, pagePath);
    for (int at = 0; at >= 0 && at < m_dom.size(); at = m_dom.next(at, -1)) {
        checkPageCancelled();
        const DomNode &node = m_dom.node(at);
        if (node.kind != DomNode::Element)
            continue;
        const bool style = node.name == "style" && (node.ns == DomNode::Html || node.ns == DomNode::Svg);
        const bool link = node.isElement("link");
        if (!style && !link)
            continue;
        if (!isCssType(node.attribute(QLatin1String("type")))
            || !mediaMatches(node.attribute(QLatin1String("media"))))
            continue;
        std::vector<StyleRule> rules;
        if (style) {
            appendStyleRules(m_dom.textContent(at), base, loader, rules, m_layers);
        } else {
            const QStringList relations = node.attribute(QLatin1String("rel")).toLower().split(
                QRegularExpression(QStringLiteral("[ \t\n\f\r]+")), Qt::SkipEmptyParts);
            if (!relations.contains("stylesheet") || relations.contains("alternate")
                || node.hasAttribute(QLatin1String("disabled")) || !loader)
                continue;
            const QString path = localPathFor(node.attribute(QLatin1String("href")), base);
            if (path.isEmpty() || path == pagePath)
                continue;
            // A standards-mode page takes a style sheet only when it is served as text/css.
            if (!m_dom.quirksMode()
                && mimeTypes.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name() != "text/css")
                continue;
            const QString sheet = loader(path);
            if (sheet.isNull())
                continue;
            appendStyleRules(sheet, QUrl::fromLocalFile(path), loader, rules, m_layers);
        }
        addRules(std::move(rules), false);
    }
}

void StyleResolver::cascade(int element, Winners &own, Winners &before, Winners &after,
                            Winners &firstLetter) const
{
    const DomNode &node = m_dom.node(element);
    const bool quirks = m_dom.quirksMode();
    auto consider = [&](const std::vector<RuleRef> *refs) {
        if (!refs)
            return;
        for (const RuleRef &ref : *refs) {
            const StyleRule &rule = m_rules[size_t(ref.rule)];
            const ComplexSelector &selector = rule.selectors[size_t(ref.selector)];
            if (!m_matcher.matches(selector, element))
                continue;
            Winners *winners = selector.pseudoElement == ComplexSelector::NoPseudoElement ? &own
                               : selector.pseudoElement == ComplexSelector::Before      ? &before
                               : selector.pseudoElement == ComplexSelector::After       ? &after
                               : selector.pseudoElement == ComplexSelector::FirstLetter ? &firstLetter
                                                                                        : nullptr;
            if (!winners)
                continue;
            const bool userAgent = ref.rule < m_userAgentRuleCount;
            for (const Declaration &declaration : rule.declarations) {
                Winner candidate;
                candidate.level = userAgent ? (declaration.important ? UserAgentImportant : UserAgentNormal)
                                            : (declaration.important ? AuthorImportant : AuthorNormal);
                // Rules in no layer beat layered ones, and later layers earlier ones; for
                // !important declarations it is the other way round.
                const int layerRank = rule.layer == 0 ? INT_MAX : rule.layer;
                candidate.layerRank = userAgent ? 0 : declaration.important ? -layerRank : layerRank;
                candidate.specificity = selector.specificity;
                candidate.order = ref.rule;
                candidate.declaration = &declaration;
                Winner &current = (*winners)[size_t(declaration.property)];
                if (beats(candidate, current) && isValid(declaration))
                    current = candidate;
            }
        }
    };
    auto lookUp = [&](const QString &key) {
        const auto found = m_rulesByKey.find(quirks && (key.startsWith('#') || key.startsWith('.')) ? key.toLower() : key);
        return found == m_rulesByKey.end() ? nullptr : &found.value();
    };
    consider(lookUp(QString()));
    consider(lookUp(node.name));
    if (!node.id.isEmpty())
        consider(lookUp('#' + node.id));
    for (const QString &name : node.classes)
        consider(lookUp('.' + name));
}

void StyleResolver::applyWinners(const Winners &winners, const ComputedStyle &parent, ComputedStyle &out)
{
    static const ComputedStyle initial;
    for (Property property : {Property::Visibility, Property::WhiteSpace, Property::TextTransform})
        copyProperty(property, parent, out);
    for (size_t p = 0; p < winners.size(); ++p) {
        const Declaration *declaration = winners[p].declaration;
        if (!declaration)
            continue;
        const Property property = Property(p);
        const QString &value = declaration->value;
        if (value == "inherit")
            copyProperty(property, parent, out);
        else if (value == "initial")
            copyProperty(property, initial, out);
        else if (isGlobalKeyword(value)) // unset, revert
            copyProperty(property, isInherited(property) ? parent : initial, out);
        else
            applyKeyword(property, value, out);
    }
}

void StyleResolver::computeElement(int element, const ComputedStyle &parent,
                                   std::vector<ComputedStyle> &styles) const
{
    const DomNode &node = m_dom.node(element);
    Winners own{}, before{}, after{}, firstLetter{};
    cascade(element, own, before, after, firstLetter);

    // Presentational hints and the style attribute.
    std::vector<Declaration> extra;
    if ((node.isElement("td") || node.isElement("th")) && node.hasAttribute(QLatin1String("nowrap")))
        extra.push_back({Property::WhiteSpace, QStringLiteral("nowrap"), false});
    const size_t hintCount = extra.size();
    const QString styleAttribute = node.attribute(QLatin1String("style"));
    if (!styleAttribute.isEmpty()) {
        for (Declaration &declaration : parseDeclarations(styleAttribute))
            extra.push_back(std::move(declaration));
    }
    for (size_t i = 0; i < extra.size(); ++i) {
        const Declaration &declaration = extra[i];
        Winner candidate;
        const bool hint = i < hintCount;
        candidate.level = hint ? PresentationalHint : declaration.important ? AuthorImportant : AuthorNormal;
        candidate.attached = !hint;
        candidate.layerRank = hint ? 0 : declaration.important ? -INT_MAX : INT_MAX;
        candidate.specificity = 0;
        candidate.order = INT_MAX;
        candidate.declaration = &declaration;
        Winner &current = own[size_t(declaration.property)];
        if (beats(candidate, current) && isValid(declaration))
            current = candidate;
    }

    ComputedStyle style;
    applyWinners(own, parent, style);

    const Display parentBox = parent.display == Display::Contents ? parent.parentBoxDisplay : parent.display;
    style.parentBoxDisplay = parentBox;
    if (style.display != Display::None && style.display != Display::Contents) {
        const bool root = element == m_dom.documentElement();
        if (style.outOfFlow)
            style.floating = false;
        if (isFlexOrGrid(parentBox))
            style.floating = false;
        if (root || style.floating || style.outOfFlow || isFlexOrGrid(parentBox))
            style.display = blockified(style.display);
    }
    if (node.ns == DomNode::Svg)
        style.display = svgDisplay(m_dom, element, style.display);
    // Replaced elements make no boxes of the kinds that only hold other boxes.
    if (node.isReplaced() && style.display == Display::Contents)
        style.display = Display::None;
    style.rendered = style.display != Display::None;

    for (auto [winners, generated] : {std::pair{&before, &style.before}, std::pair{&after, &style.after}}) {
        const Declaration *content = (*winners)[size_t(Property::Content)].declaration;
        if (!content || !style.rendered || style.display == Display::Contents || node.isReplaced())
            continue;
        ComputedStyle pseudo;
        applyWinners(*winners, style, pseudo);
        if (pseudo.display == Display::None)
            continue;
        *generated = generatedContent(content->value, node);
        if (generated->kind == GeneratedContent::Nothing)
            continue;
        generated->whiteSpace = pseudo.whiteSpace;
        if (pseudo.floating || pseudo.outOfFlow || isFlexOrGrid(style.display)
            || isBlockLevel(pseudo.display) || pseudo.display == Display::TableCell)
            generated->kind = GeneratedContent::Block;
        else if (isAtomicInline(pseudo.display))
            generated->kind = GeneratedContent::AtomicInline;
    }
    const bool blockContainer = isBlockLevel(style.display) || isAtomicInline(style.display)
                                || style.display == Display::TableCell;
    if (firstLetter[size_t(Property::TextTransform)].declaration && blockContainer) {
        ComputedStyle pseudo;
        applyWinners(firstLetter, style, pseudo);
        style.transformsFirstLetter = true;
        style.firstLetterTransform = pseudo.textTransform;
    }
    styles[size_t(element)] = std::move(style);
}

std::vector<ComputedStyle> StyleResolver::computeStyles() const
{
    std::vector<ComputedStyle> styles(size_t(m_dom.size()));
    ComputedStyle documentStyle;
    documentStyle.display = Display::Block;
    documentStyle.rendered = true;
    const int root = m_dom.documentElement();
    for (int at = root; at >= 0;) {
        checkPageCancelled();
        const DomNode &node = m_dom.node(at);
        const int parentIndex = node.parent;
        const ComputedStyle &parent = parentIndex >= 0 ? styles[size_t(parentIndex)] : documentStyle;
        bool childrenRendered = false;
        if (node.kind == DomNode::Text) {
            ComputedStyle &style = styles[size_t(at)];
            style = parent;
            style.before = {};
            style.after = {};
        } else {
            computeElement(at, parent, styles);
            const ComputedStyle &style = styles[size_t(at)];
            childrenRendered = style.rendered && !node.isReplaced()
                               && style.contentVisibility == ContentVisibility::Visible;
        }
        int next = m_dom.next(at, root, !childrenRendered);
        while (next >= 0 && !childIsLaidOut(m_dom, m_dom.node(next).parent, next))
            next = m_dom.next(next, root, true);
        at = next;
    }
    return styles;
}
