#include "engine/fast/css/CascadeOrder.h"

#include <QSet>

#include <algorithm>

namespace {

// A chain of @imports deeper than this, or more sheets than this on one page, is cut off.
constexpr int maxImportDepth = 16;
constexpr int maxSheets = 256;
constexpr int maxVisits = 1024;
// Layer names nested deeper than this are taken as top-level layers of their own.
constexpr int maxLayerNesting = 32;

} // namespace

void CascadeOrder::addSheet(std::shared_ptr<const StyleSheet> sheet)
{
    m_pageSheets.push_back(std::move(sheet));
}

void CascadeOrder::addLinkedSheet(const QString &path)
{
    if (std::shared_ptr<const StyleSheet> sheet = load(path))
        m_pageSheets.push_back(std::move(sheet));
}

QString CascadeOrder::visitKey(const StyleSheet &sheet, const QString &prefix) const
{
    return QString::number(quintptr(&sheet), 16) + QChar(2) + prefix;
}

QString CascadeOrder::pageLayerName(const StyleSheet &sheet, const QString &prefix,
                                    int localLayer) const
{
    QString local = sheet.layers[localLayer];
    // An anonymous layer is the sheet's own, wherever else the sheet stands.
    local.replace(QChar(1), QChar(1) + QString::number(quintptr(&sheet), 16) + ':');
    return prefix.isEmpty() ? local : prefix + '.' + local;
}

int CascadeOrder::nameLayer(const QString &name)
{
    const auto found = m_layers.constFind(name);
    if (found != m_layers.cend())
        return found.value();
    // Naming "a.b" names "a" first.
    const qsizetype dot = name.lastIndexOf('.');
    if (dot > 0 && name.count('.') <= maxLayerNesting)
        nameLayer(name.left(dot));
    const int index = int(m_layers.size()) + 1;
    m_layers.insert(name, index);
    m_layerNames.append(name);
    return index;
}

// CSS Cascading Level 5, "Layer Ordering": sibling layers rank in the order they were first
// named, and a layer's own rules rank after all of its sublayers. The result maps the number
// a layer was named by to its rank.
std::vector<int> CascadeOrder::layerRanks() const
{
    const int count = int(m_layerNames.size());
    std::vector<std::vector<int>> children(size_t(count) + 1); // [0] holds the top-level layers
    for (int layer = 1; layer <= count; ++layer) {
        const QString &name = m_layerNames[layer - 1];
        const qsizetype dot = name.lastIndexOf('.');
        children[size_t(dot > 0 ? m_layers.value(name.left(dot), 0) : 0)].push_back(layer);
    }
    std::vector<int> ranks(size_t(count) + 1, 0);
    int next = 1;
    std::vector<std::pair<int, size_t>> path{
        {0, 0}}; // a walk after the children, without recursion
    while (!path.empty()) {
        const int layer = path.back().first;
        const size_t child = path.back().second++;
        if (child < children[size_t(layer)].size()) {
            path.push_back({children[size_t(layer)][child], 0});
            continue;
        }
        if (layer != 0)
            ranks[size_t(layer)] = next++;
        path.pop_back();
    }
    return ranks;
}

bool CascadeOrder::rulesAllRead() const
{
    const auto beyondReach = [](const std::shared_ptr<const StyleSheet> &sheet) {
        return sheet && sheet->rulesBeyondReach;
    };
    return std::none_of(m_pageSheets.begin(), m_pageSheets.end(), beyondReach)
        && std::none_of(m_loaded.cbegin(), m_loaded.cend(), beyondReach);
}

std::shared_ptr<const StyleSheet> CascadeOrder::load(const QString &path)
{
    const auto found = m_loaded.constFind(path);
    if (found != m_loaded.cend())
        return found.value();
    if (m_loaded.size() >= maxSheets || !m_loader)
        return nullptr;
    std::shared_ptr<const StyleSheet> sheet = m_loader(path);
    m_loaded.insert(path, sheet);
    return sheet;
}

std::pair<QString, int> CascadeOrder::importedPlace(const StyleSheet &sheet, int visit,
                                                    const StyleSheet::Import &import) const
{
    const Visit &from = m_visits[size_t(visit)];
    if (import.layer == 0)
        return {from.prefix, from.prefixLayer};
    return {pageLayerName(sheet, from.prefix, import.layer - 1),
            from.layers[size_t(import.layer - 1)]};
}

// Walks the sheets forwards, each once, to number the layers in the order they are first named.
void CascadeOrder::nameLayersOf(const StyleSheet &sheet, const QString &prefix, int prefixLayer,
                                int depth)
{
    const QString key = visitKey(sheet, prefix);
    if (m_visitIndex.contains(key) || int(m_visits.size()) >= maxVisits)
        return;
    const int visit = int(m_visits.size());
    m_visitIndex.insert(key, visit);
    m_visits.push_back({prefix, prefixLayer, std::vector<int>(size_t(sheet.layers.size()), 0)});
    for (const StyleSheet::Item &item : sheet.items) {
        if (item.kind == StyleSheet::Item::LayerName) {
            m_visits[size_t(visit)].layers[size_t(item.index)] = nameLayer(
                pageLayerName(sheet, prefix, item.index));
            continue;
        }
        const StyleSheet::Import &import = sheet.imports[size_t(item.index)];
        const std::shared_ptr<const StyleSheet> imported = depth < maxImportDepth
            ? load(import.path)
            : nullptr;
        if (!imported)
            continue;
        const auto [innerPrefix, innerLayer] = importedPlace(sheet, visit, import);
        nameLayersOf(*imported, innerPrefix, innerLayer, depth + 1);
    }
}

// Walks the sheets backwards, each once, so that the place a sheet keeps is its last one.
void CascadeOrder::collectBackwards(const StyleSheet &sheet, const QString &prefix, int depth,
                                    std::vector<PageRule> &out, QSet<QString> &collected)
{
    const QString key = visitKey(sheet, prefix);
    const int visit = m_visitIndex.value(key, -1);
    if (visit < 0 || collected.contains(key))
        return;
    collected.insert(key);
    const Visit &place = m_visits[size_t(visit)];
    for (auto rule = sheet.rules.rbegin(); rule != sheet.rules.rend(); ++rule)
        out.push_back(
            {&*rule, rule->layer == 0 ? place.prefixLayer : place.layers[size_t(rule->layer - 1)]});
    for (auto import = sheet.imports.rbegin(); import != sheet.imports.rend(); ++import) {
        const std::shared_ptr<const StyleSheet> imported = depth < maxImportDepth
            ? load(import->path)
            : nullptr;
        if (!imported)
            continue;
        collectBackwards(*imported, importedPlace(sheet, visit, *import).first, depth + 1, out,
                         collected);
    }
}

std::vector<PageRule> CascadeOrder::rules()
{
    for (const auto &sheet : m_pageSheets)
        nameLayersOf(*sheet, QString(), 0, 0);
    std::vector<PageRule> out;
    QSet<QString> collected;
    for (auto sheet = m_pageSheets.rbegin(); sheet != m_pageSheets.rend(); ++sheet)
        collectBackwards(**sheet, QString(), 0, out, collected);
    std::reverse(out.begin(), out.end());
    const std::vector<int> ranks = layerRanks();
    for (PageRule &rule : out)
        rule.layer = ranks[size_t(rule.layer)];
    return out;
}
