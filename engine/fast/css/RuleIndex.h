#pragma once

#include "engine/fast/css/StyleSheet.h"
#include "engine/fast/dom/Dom.h"

#include <QHash>

#include <vector>

// One selector of a rule as it stands in a page's cascade.
struct IndexedSelector
{
    const StyleRule *rule;
    int selector;
    int layer; // its layer's rank among the page's layers, from 1, or 0 for none
    int order; // the rule's place in the cascade, user agent's rules first
};

// Rules filed by what the rightmost compound of each selector asks for (an id, a class, a
// type, or nothing), so that an element is tried against the rules that can match it only.
class RuleIndex
{
public:
    explicit RuleIndex(bool quirksMode) : m_quirksMode(quirksMode) {}

    void add(const StyleRule &rule, int layer, int order);

    // Calls `visit` with each list of selectors that may match the element.
    template <typename Visit>
    void forCandidates(const DomNode &element, Visit &&visit) const
    {
        visit(m_universal);
        lookUp(m_byType, element.name, false, visit);
        if (!element.id.isEmpty())
            lookUp(m_byId, element.id, m_quirksMode, visit);
        for (const QString &each : element.classes)
            lookUp(m_byClass, each, m_quirksMode, visit);
    }

private:
    using Bucket = std::vector<IndexedSelector>;

    template <typename Visit>
    static void lookUp(const QHash<QString, Bucket> &table, const QString &key, bool lowerCase,
                       Visit &visit)
    {
        if (table.isEmpty())
            return;
        const auto found = table.constFind(lowerCase ? key.toLower() : key);
        if (found != table.cend())
            visit(found.value());
    }

    bool m_quirksMode;
    Bucket m_universal;
    QHash<QString, Bucket> m_byType;
    QHash<QString, Bucket> m_byId;
    QHash<QString, Bucket> m_byClass;
};
