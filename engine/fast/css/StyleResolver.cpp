#include "engine/fast/css/StyleResolver.h"

#include "engine/PageCancellation.h"
#include "engine/fast/css/MediaQuery.h"
#include "engine/fast/css/UserAgentStyle.h"
#include "engine/fast/dom/DocumentBase.h"
#include "engine/fast/dom/Dom.h"
#include "engine/fast/dom/ObjectContent.h"

#include <climits>

namespace {

// Cascade levels ("Cascading Origins" and "Important Declarations"), lowest first. The
// presentational hints of HTML count as author declarations of their own, below the page's.
enum Level {
    UserAgentNormal,
    PresentationalHint,
    AuthorNormal,
    AuthorImportant,
    UserAgentImportant
};

// CSS Cascading Level 5, "Cascade Sorting Order": whether a declaration wins over the one that
// wins so far, criterion by criterion.
template <typename W>
bool beats(const W &candidate, const W &current)
{
    // "Origin and Importance".
    if (candidate.level != current.level)
        return candidate.level > current.level;
    // "Element-Attached Styles": the style attribute beats rules.
    if (candidate.attached != current.attached)
        return candidate.attached;
    // "Layers".
    if (candidate.layerRank != current.layerRank)
        return candidate.layerRank > current.layerRank;
    // "Specificity" (Selectors Level 4, "Calculating a selector's specificity").
    if (candidate.specificity != current.specificity)
        return candidate.specificity > current.specificity;
    // "Order of Appearance".
    return candidate.order >= current.order;
}

// CSS Cascading Level 5, "Defaulting": the value the winning declaration gives, the CSS-wide
// keywords included ("revert" is taken as "unset": only the user agent's sheet lies below).
void applyDeclaration(const Declaration &declaration, const ComputedStyle &parent,
                      ComputedStyle &out)
{
    static const ComputedStyle initial;
    const PropertyRow &row = propertyRow(declaration.property);
    if (!row.store)
        return; // `content`, read by generatedContent()
    switch (declaration.wide) {
    case CssWideKeyword::None:
        row.store(out, declaration.value);
        break;
    case CssWideKeyword::Inherit:
        row.store(out, row.load(parent));
        break;
    case CssWideKeyword::Initial:
        row.store(out, row.load(initial));
        break;
    case CssWideKeyword::Unset:
    case CssWideKeyword::Revert:
        row.store(out, row.load(row.inherited ? parent : initial));
        break;
    }
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
    case Display::InlineTable:
        return Display::Table;
    case Display::InlineFlex:
        return Display::Flex;
    case Display::InlineGrid:
        return Display::Grid;
    case Display::WebkitInlineBox:
        return Display::WebkitBox;
    default:
        return display;
    }
}

// The text a `content` value puts into a ::before or ::after box.
GeneratedContent generatedContent(const Declaration &declaration, const DomNode &element)
{
    GeneratedContent generated;
    if (declaration.wide != CssWideKeyword::None)
        return generated;
    const ContentValue &content = declaration.content;
    for (const ContentValue::Part &part : content.parts)
        generated.text += part.attribute ? element.attribute(QLatin1String(part.text.toLatin1()))
                                         : part.text;
    if (content.replaced)
        generated.kind = GeneratedContent::AtomicInline;
    else if (content.hasString || !generated.text.isEmpty())
        generated.kind = GeneratedContent::InlineText;
    return generated;
}

const StyleSheet &userAgentSheet()
{
    static const StyleSheet sheet = parseStyleSheet(userAgentStyleSheet(), QUrl());
    return sheet;
}

// The browser's own rules, filed once for every page.
RuleIndex makeUserAgentRuleIndex(bool quirksMode)
{
    RuleIndex index(quirksMode);
    int order = 0;
    for (const StyleRule &rule : userAgentSheet().rules)
        index.add(rule, 0, order++);
    return index;
}

const RuleIndex &userAgentRuleIndex(bool quirksMode)
{
    static const RuleIndex standards = makeUserAgentRuleIndex(false);
    static const RuleIndex quirks = makeUserAgentRuleIndex(true);
    return quirksMode ? quirks : standards;
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
    static const QStringList containers{"g",      "svg",      "switch", "a",       "defs",
                                        "symbol", "clippath", "mask",   "pattern", "marker"};
    if (containers.contains(node.name))
        return isSvgTextElement(dom.node(node.parent)) ? Display::Inline : Display::Contents;
    return Display::None;
}

// Whether a rel attribute's space-separated keywords hold `keyword`, in any case.
bool hasRelation(QStringView relations, QStringView keyword)
{
    auto isSpace = [](QChar c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
    };
    qsizetype at = 0;
    while (at < relations.size()) {
        while (at < relations.size() && isSpace(relations[at]))
            ++at;
        qsizetype end = at;
        while (end < relations.size() && !isSpace(relations[end]))
            ++end;
        if (end > at && relations.mid(at, end - at).compare(keyword, Qt::CaseInsensitive) == 0)
            return true;
        at = end;
    }
    return false;
}

bool isCssType(const QString &type)
{
    return type.isNull() || type.isEmpty()
        || type.trimmed().compare(QLatin1String("text/css"), Qt::CaseInsensitive) == 0;
}

} // namespace

StyleResolver::StyleResolver(const Dom &dom, const QString &pagePath, const SheetLoader &loader,
                             SelectorMatcher::Filter filter)
    : m_dom(dom)
    , m_matcher(dom, filter)
    , m_sheets(loader)
    , m_pageRules(dom.quirksMode())
{
    collectPageSheets(pagePath);
    int order = int(userAgentSheet().rules.size());
    for (const PageRule &rule : m_sheets.rules()) {
        checkPageCancelled();
        m_pageRules.add(*rule.rule, rule.layer, order++);
    }
}

void StyleResolver::collectPageSheets(const QString &pagePath)
{
    const QUrl base = documentBaseUrl(m_dom, pagePath);
    for (int at = 0; at >= 0 && at < m_dom.size(); at = m_dom.next(at, -1)) {
        checkPageCancelled();
        const DomNode &node = m_dom.node(at);
        if (node.kind != DomNode::Element)
            continue;
        const bool style = node.name == "style"
            && (node.ns == DomNode::Html || node.ns == DomNode::Svg);
        const bool link = node.isElement("link");
        if (!style && !link)
            continue;
        if (!isCssType(node.attribute(QLatin1String("type")))
            || !mediaMatches(node.attribute(QLatin1String("media"))))
            continue;
        if (style) {
            const QString text = m_dom.textContent(at);
            m_sheets.addSheet(std::make_shared<const StyleSheet>(parseStyleSheet(text, base)));
            continue;
        }
        const QString relations = node.attribute(QLatin1String("rel"));
        if (!hasRelation(relations, u"stylesheet") || hasRelation(relations, u"alternate")
            || node.hasAttribute(QLatin1String("disabled")))
            continue;
        const QString path = localPathFor(node.attribute(QLatin1String("href")), base);
        if (path.isEmpty() || path == pagePath)
            continue;
        // A standards-mode page takes a style sheet only when it is served as text/css.
        if (!m_dom.quirksMode() && !path.endsWith(QLatin1String(".css"), Qt::CaseInsensitive))
            continue;
        m_sheets.addLinkedSheet(path);
    }
}

// CSS Cascading Level 5, "Cascading": of the declarations whose selectors match the element
// (Selectors Level 4, "Matching"), the winner for each property and pseudo-element.
void StyleResolver::cascade(int element, Winners &own, Winners &before, Winners &after,
                            Winners &firstLetter) const
{
    const bool quirks = m_dom.quirksMode();
    const int userAgentRules = int(userAgentSheet().rules.size());
    auto consider = [&](const std::vector<IndexedSelector> &candidates) {
        for (const IndexedSelector &entry : candidates) {
            const ComplexSelector &selector = entry.rule->selectors[size_t(entry.selector)];
            if (!m_matcher.matches(selector, element))
                continue;
            Winners *winners = selector.pseudoElement == ComplexSelector::NoPseudoElement ? &own
                : selector.pseudoElement == ComplexSelector::Before                       ? &before
                : selector.pseudoElement == ComplexSelector::After                        ? &after
                : selector.pseudoElement == ComplexSelector::FirstLetter ? &firstLetter
                                                                         : nullptr;
            if (!winners)
                continue;
            const bool userAgent = entry.order < userAgentRules;
            for (const Declaration &declaration : entry.rule->declarations) {
                Winner candidate;
                // "Origin and Importance".
                candidate.level = userAgent
                    ? (declaration.important ? UserAgentImportant : UserAgentNormal)
                    : (declaration.important ? AuthorImportant : AuthorNormal);
                // "Layers": rules in no layer beat layered ones, and later layers earlier
                // ones; for !important declarations it is the other way round.
                const int layerRank = entry.layer == 0 ? INT_MAX : entry.layer;
                candidate.layerRank = userAgent ? 0
                    : declaration.important     ? -layerRank
                                                : layerRank;
                candidate.specificity = selector.specificity;
                candidate.order = entry.order;
                candidate.declaration = &declaration;
                Winner &current = (*winners)[declaration.property];
                if (beats(candidate, current))
                    current = candidate;
            }
        }
    };
    const DomNode &node = m_dom.node(element);
    userAgentRuleIndex(quirks).forCandidates(node, consider);
    m_pageRules.forCandidates(node, consider);
}

void StyleResolver::applyWinners(const Winners &winners, const ComputedStyle &parent,
                                 ComputedStyle &out)
{
    // "Inheritance": inherited properties take the parent's value unless a declaration wins.
    for (const PropertyRow &row : properties::rows) {
        if (row.inherited)
            row.store(out, row.load(parent));
    }
    for (const Winner &winner : winners) {
        if (winner.declaration)
            applyDeclaration(*winner.declaration, parent, out);
    }
}

void StyleResolver::computeElement(int element, const ComputedStyle &parent,
                                   std::vector<ComputedStyle> &styles) const
{
    const DomNode &node = m_dom.node(element);
    Winners own{}, before{}, after{}, firstLetter{};
    cascade(element, own, before, after, firstLetter);

    // HTML, "Presentational hints", and the style attribute (CSS Style Attributes): cascaded
    // with the rules, as their own levels of "Origin and Importance".
    std::vector<Declaration> extra;
    if ((node.isElement("td") || node.isElement("th"))
        && node.hasAttribute(QLatin1String("nowrap"))) {
        Declaration nowrap;
        nowrap.property = propertyNamed("white-space");
        nowrap.value = int(WhiteSpace::Nowrap);
        extra.push_back(nowrap);
    }
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
        candidate.level = hint      ? PresentationalHint
            : declaration.important ? AuthorImportant
                                    : AuthorNormal;
        candidate.attached = !hint;
        candidate.layerRank = hint ? 0 : declaration.important ? -INT_MAX : INT_MAX;
        candidate.specificity = 0;
        candidate.order = INT_MAX;
        candidate.declaration = &declaration;
        Winner &current = own[declaration.property];
        if (beats(candidate, current))
            current = candidate;
    }

    ComputedStyle style;
    applyWinners(own, parent, style);
    // The old flexible box, set vertical and clamped to some lines, is laid out as a block
    // (its items in lines, clamped there), not as a flexible box.
    if (isWebkitBox(style.display) && style.verticalBox && style.clampsLines)
        style.display = style.display == Display::WebkitBox ? Display::Block : Display::InlineBlock;

    // CSS Display Level 3, "Automatic Box Type Transformations": floats, absolutely
    // positioned boxes, the root and flex and grid items are blockified.
    const Display parentBox = parent.display == Display::Contents ? parent.parentBoxDisplay
                                                                  : parent.display;
    style.parentBoxDisplay = parentBox;
    if (style.display != Display::None && style.display != Display::Contents) {
        const bool root = element == m_dom.documentElement();
        if (style.outOfFlow())
            style.floating = false;
        if (isFlexOrGrid(parentBox))
            style.floating = false;
        if (root || style.floating || style.outOfFlow() || isFlexOrGrid(parentBox))
            style.display = blockified(style.display);
    }
    // The browser lays out a <details> as a block container whatever its display says: an
    // inline one is a box in the line.
    if (node.isElement("details") && style.display == Display::Inline)
        style.display = Display::InlineBlock;
    if (node.ns == DomNode::Svg)
        style.display = svgDisplay(m_dom, element, style.display);
    style.replaced = node.isReplaced()
        || (node.isElement("object")
            && objectShows(m_dom, element) != ObjectShows::FallbackContent);
    // Replaced elements make no boxes of the kinds that only hold other boxes.
    if (style.replaced && style.display == Display::Contents)
        style.display = Display::None;
    if (node.isElement("embed") && !embedMakesBox(node))
        style.display = Display::None;
    style.rendered = style.display != Display::None;

    // CSS Pseudo-Elements Level 4, "Generated Content Pseudo-elements": ::before and ::after,
    // styled by their own cascade on top of the element's.
    for (auto [winners, generated] :
         {std::pair{&before, &style.before}, std::pair{&after, &style.after}}) {
        const Declaration *content = (*winners)[propertyNamed("content")].declaration;
        if (!content || !style.rendered || style.display == Display::Contents || style.replaced)
            continue;
        ComputedStyle pseudo;
        applyWinners(*winners, style, pseudo);
        if (pseudo.display == Display::None)
            continue;
        *generated = generatedContent(*content, node);
        if (generated->kind == GeneratedContent::Nothing)
            continue;
        generated->whiteSpace = pseudo.whiteSpace;
        if (pseudo.floating || pseudo.outOfFlow() || isFlexOrGrid(style.display)
            || isBlockLevel(pseudo.display) || pseudo.display == Display::TableCell)
            generated->kind = GeneratedContent::Block;
        else if (isAtomicInline(pseudo.display))
            generated->kind = GeneratedContent::AtomicInline;
    }
    // CSS Pseudo-Elements Level 4, "The ::first-letter pseudo-element": only in a block container.
    const bool blockContainer = isBlockLevel(style.display) || isAtomicInline(style.display)
        || style.display == Display::TableCell;
    if (firstLetter[propertyNamed("text-transform")].declaration && blockContainer) {
        ComputedStyle pseudo;
        applyWinners(firstLetter, style, pseudo);
        style.transformsFirstLetter = true;
        style.firstLetterTransform = pseudo.textTransform;
    }
    styles[size_t(element)] = std::move(style);
}

std::vector<ComputedStyle> StyleResolver::computeStyles(Reach reach) const
{
    const bool everyElement = reach == Reach::EveryElement;
    std::vector<ComputedStyle> styles(size_t(m_dom.size()));
    ComputedStyle documentStyle;
    documentStyle.display = Display::Block;
    documentStyle.rendered = true;
    const int root = m_dom.documentElement();
    for (int at = root; at >= 0;) {
        checkPageCancelled();
        const DomNode &node = m_dom.node(at);
        const int parentIndex = node.parent;
        const ComputedStyle &parent = parentIndex >= 0 ? styles[size_t(parentIndex)]
                                                       : documentStyle;
        bool childrenRendered = false;
        if (node.kind == DomNode::Comment) {
            // Renders nothing: its style stays the default, which is not rendered.
        } else if (node.kind == DomNode::Text) {
            ComputedStyle &style = styles[size_t(at)];
            style = parent;
            style.before = {};
            style.after = {};
        } else {
            computeElement(at, parent, styles);
            const ComputedStyle &style = styles[size_t(at)];
            // A browser renders an element's "content-visibility: auto" content once it nears
            // the viewport of a shown page. Where an element lies is beyond these rules, so
            // the content is given as near, and the page is not exact (see FastPage).
            childrenRendered = style.rendered && !style.replaced
                && style.contentVisibility != ContentVisibility::Hidden;
        }
        int next = m_dom.next(at, root, !childrenRendered && !everyElement);
        while (next >= 0 && !everyElement && !childIsLaidOut(m_dom, m_dom.node(next).parent, next))
            next = m_dom.next(next, root, true);
        at = next;
    }
    return styles;
}
