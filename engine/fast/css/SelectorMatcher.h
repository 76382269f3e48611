#pragma once

#include "engine/fast/css/Selector.h"

#include <QHash>

#include <array>
#include <cstdint>
#include <vector>

class Dom;

// Matches selectors against the elements of one document, in time that grows with the
// elements and the selectors, never with the depth of the tree to the power of a selector's
// length:
// - each element carries a Bloom filter of its ancestors' names, ids and classes, so that a
//   selector that needs an ancestor the element lacks is refused without walking up;
// - the answer to "does an ancestor (or an earlier sibling) of this element match the
//   selector's left part" is remembered for each element, so no chain of ancestors or
//   siblings is walked twice for the same part of the same selector;
// - so is the answer of each selector inside :is(), :where() or :not() at each element, so
//   that selectors nested hundreds deep cost each nested selector once per element.
// The selectors must stay where they are while the matcher is in use: they are known by
// their address.
class SelectorMatcher
{
public:
    // Without the ancestor filter the matcher costs nothing to make, and serves a tree whose
    // nodes are no longer in document order (as scripts leave it before finishEditing()).
    enum class Filter { Ancestors, None };

    explicit SelectorMatcher(const Dom &dom, Filter filter = Filter::Ancestors);

    // The element :scope stands for (a query's own element); the root element by default.
    void setScope(int element) { m_scope = element; }

    // Whether the element matches, pseudo-elements aside. In quirks mode classes and ids
    // match without regard to case.
    bool matches(const ComplexSelector &selector, int element);

private:
    using AncestorFilter = std::array<std::uint64_t, 4>;
    struct MemoKey
    {
        const ComplexSelector *selector;
        int compound;
        int element;
        bool operator==(const MemoKey &) const = default;
    };
    friend size_t qHash(const MemoKey &key, size_t seed)
    {
        return qHashMulti(seed, key.selector, key.compound, key.element);
    }

    const std::vector<std::uint32_t> &ancestorHashes(const ComplexSelector &selector);
    bool mayMatch(const ComplexSelector &selector, int element);
    bool matchesFrom(const ComplexSelector &selector, int compound, int element);
    bool searchFrom(const ComplexSelector &selector, int compound, int element);
    bool matchesCompound(const CompoundSelector &compound, int element);
    bool matchesTest(const SimpleTest &test, int element);
    bool matchesNested(const ComplexSelector &selector, int element);

    const Dom &m_dom;
    bool m_quirksMode;
    int m_scope = -1;
    std::vector<AncestorFilter> m_ancestorFilters; // per node; none without the filter
    QHash<const ComplexSelector *, std::vector<std::uint32_t>> m_selectorHashes;
    QHash<MemoKey, bool> m_searches;
    QHash<MemoKey, bool> m_nestedMatches; // with compound -1
    std::vector<int> m_path;              // scratch for searchFrom
};
