#pragma once

#include "engine/fast/css/CascadeOrder.h"
#include "engine/fast/css/RuleIndex.h"
#include "engine/fast/css/SelectorMatcher.h"
#include "engine/fast/css/Style.h"

#include <QHash>

#include <array>
#include <vector>

class Dom;

// Computes the style of every element of a page: the browser's default styles, the page's
// <style> elements and linked local style sheets with their @imports, and style attributes,
// in cascade order. Text nodes take the style of their parent.
class StyleResolver
{
public:
    // `pagePath` is where the page lies, for its linked style sheets; `loader` reads them. A
    // tree its scripts are still changing, whose nodes are not in document order, takes
    // SelectorMatcher::Filter::None.
    StyleResolver(const Dom &dom, const QString &pagePath, const SheetLoader &loader,
                  SelectorMatcher::Filter filter = SelectorMatcher::Filter::Ancestors);

    // The text needs the styles of what is rendered only; a script may ask for any element's.
    enum class Reach { RenderedNodes, EveryElement };
    // One entry per node of the document, in its order; those out of reach keep the default.
    std::vector<ComputedStyle> computeStyles(Reach reach = Reach::RenderedNodes) const;
    // Whether the page's sheets hold only rules read as the browser reads them.
    bool rulesAllRead() const { return m_sheets.rulesAllRead(); }

private:
    struct Winner
    {
        int level = -1;
        bool attached = false; // from the element's own style attribute
        int layerRank = 0;
        int specificity = 0;
        int order = 0;
        const Declaration *declaration = nullptr;
    };
    using Winners = std::array<Winner, propertyCount>;

    void collectPageSheets(const QString &pagePath);
    void cascade(int element, Winners &own, Winners &before, Winners &after,
                 Winners &firstLetter) const;
    // The computed values the winning declarations give, on top of what `parent` passes on.
    static void applyWinners(const Winners &winners, const ComputedStyle &parent,
                             ComputedStyle &out);
    void computeElement(int element, const ComputedStyle &parent,
                        std::vector<ComputedStyle> &styles) const;

    const Dom &m_dom;
    mutable SelectorMatcher m_matcher; // remembers what it found, for the next elements
    CascadeOrder m_sheets;
    RuleIndex m_pageRules;
};
