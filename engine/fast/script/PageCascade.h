#pragma once

#include "PageScripts.h"

#include "engine/fast/css/Style.h"
#include "engine/fast/css/StyleSheet.h"

#include <QHash>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ScriptDocument;

// The cascade over the tree as a page's scripts have left it, for what they read of an
// element's computed style. It runs at most once per version of the tree, whatever a script
// reads in between; a page that changes the tree and reads styles in turn pays a cascade for
// each change, up to a bound. Linked sheets are read once per page, through the process that
// may read files.
class PageCascade
{
public:
    // Cascades a page may run; past them its scripts stop and the page goes to the browser.
    static constexpr int maxCascades = 64;

    PageCascade(ScriptDocument &document, const PageScriptContext &context,
                const PageResourceReader &read);

    // The style of a connected element of the tree, or null when it cannot be told as the
    // browser tells it; `why` then names what stops it.
    const ComputedStyle *styleOf(int element, std::string &why);
    // The styles of every node of the tree as it stands, by node; null as for styleOf().
    const std::vector<ComputedStyle> *styles(std::string &why);
    // Whether, by the last styles given, some content is rendered only where a layout places
    // it ("content-visibility: auto"), so that no text of the page can be told without one.
    bool contentPlacedByLayout() const { return m_contentPlacedByLayout; }

private:
    bool cascadeIsCurrent(std::string &why);
    std::shared_ptr<const StyleSheet> loadSheet(const QString &path);

    ScriptDocument &m_document;
    QString m_pagePath;
    QByteArray m_pageEncoding; // which a sheet that declares none is read in
    const PageResourceReader &m_read;
    QHash<QString, std::shared_ptr<const StyleSheet>> m_sheets; // by path; null: unreadable
    std::vector<ComputedStyle> m_styles;
    std::uint64_t m_version = ~std::uint64_t(0);
    bool m_rulesAllRead = false;
    bool m_contentPlacedByLayout = false;
    int m_cascades = 0;
};
