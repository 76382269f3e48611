#pragma once

#include "engine/fast/css/SheetLoader.h"
#include "engine/fast/css/StyleSheet.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

// A rule as it stands in a page's cascade: its layer's rank among the page's layers, from 1
// (later ones win), or 0 for none.
struct PageRule
{
    const StyleRule *rule;
    int layer;
};

// The rules of a page's style sheets in cascade order, each @import's rules in its place.
// Each sheet is read once per page however many paths lead to it: a sheet that stands at
// several places keeps its last one only, which wins every tie the earlier ones would, so
// that fan-out and cycles cost no more than the sheets themselves.
class CascadeOrder
{
public:
    explicit CascadeOrder(const SheetLoader &loader) : m_loader(loader) {}

    // A sheet of the page itself (a <style> element's or a linked one), after the earlier ones.
    void addSheet(std::shared_ptr<const StyleSheet> sheet);
    // A linked sheet of the page; nothing when the file gives none.
    void addLinkedSheet(const QString &path);

    // Every rule in cascade order. The sheets stay alive as long as this object.
    std::vector<PageRule> rules();
    // Whether every sheet read so far holds only rules read as the browser reads them.
    bool rulesAllRead() const;

private:
    // One sheet at one place in the layers, which is all that decides its rules' cascade.
    struct Visit
    {
        QString prefix; // the page's name of the layer its rules go into, or empty
        int prefixLayer = 0;
        std::vector<int> layers; // the page's number of each layer the sheet names
    };

    QString visitKey(const StyleSheet &sheet, const QString &prefix) const;
    QString pageLayerName(const StyleSheet &sheet, const QString &prefix, int localLayer) const;
    int nameLayer(const QString &name);
    std::vector<int> layerRanks() const;
    std::shared_ptr<const StyleSheet> load(const QString &path);
    // The place in the layers that an @import of the visited sheet gives the imported one.
    std::pair<QString, int> importedPlace(const StyleSheet &sheet, int visit,
                                          const StyleSheet::Import &import) const;
    void nameLayersOf(const StyleSheet &sheet, const QString &prefix, int prefixLayer, int depth);
    void collectBackwards(const StyleSheet &sheet, const QString &prefix, int depth,
                          std::vector<PageRule> &out, QSet<QString> &collected);

    SheetLoader m_loader;
    std::vector<std::shared_ptr<const StyleSheet>> m_pageSheets;
    QHash<QString, std::shared_ptr<const StyleSheet>> m_loaded;
    QHash<QString, int> m_visitIndex;
    std::vector<Visit> m_visits;
    QHash<QString, int> m_layers;
    QStringList m_layerNames; // in the order first named
};
