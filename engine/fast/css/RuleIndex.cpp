#include "engine/fast/css/RuleIndex.h"

void RuleIndex::add(const StyleRule &rule, int layer, int order)
{
    for (int s = 0; s < int(rule.keys.size()); ++s) {
        const SelectorKey &key = rule.keys[size_t(s)];
        const IndexedSelector entry{&rule, s, layer, order};
        // In quirks mode ids and classes match without regard to case.
        switch (key.kind) {
        case SelectorKey::Universal:
            m_universal.push_back(entry);
            break;
        case SelectorKey::Type:
            m_byType[key.name].push_back(entry);
            break;
        case SelectorKey::Id:
            m_byId[m_quirksMode ? key.name.toLower() : key.name].push_back(entry);
            break;
        case SelectorKey::Class:
            m_byClass[m_quirksMode ? key.name.toLower() : key.name].push_back(entry);
            break;
        }
    }
}
