// The scripts of Doxygen 1.9.4's pages with a navigation tree (GENERATE_TREEVIEW), as
// libstdc++-12-doc ships them: jQuery 3.6.0 with the plugins Doxygen bundles, dynsections.js,
// resize.js, navtree.js, the project's navtreedata.js and the inline call that starts the tree.
// The tree is built from data files the page loads one after another: what navtree.js leaves
// once every one of them has arrived is built here from the same files.

#include "engine/fast/dom/Dom.h"
#include "engine/fast/knownscripts/DoxygenNavTree.h"
#include "engine/fast/knownscripts/ScriptDataFile.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <array>
#include <memory>

namespace {

constexpr char jqueryDigest[] = "cbaceab3ee0a51f3868bd8c060e03e18ae0b341d2e636666c87040f82a984cd2";
constexpr char dynsectionsDigest[] =
    "f0fb98b7dab72b4be49689158ec44360e270a217a2b5f281f2517471b4af6b6f";
constexpr char resizeDigest[] = "e49f69634298ea5283a2e7017d4e3b6976433c2e7865cc5e6290c4086159e83d";
constexpr char navtreeDigest[] = "aa104a3c14f30e3d0a694dc503fdbd3ab2739ddafe8a63f31301196e54afbd8f";

// The names navtreedata.js may declare: other names could replace the scripts' own.
bool isNavTreeDataName(const QString &name)
{
    return name == QLatin1String("NAVTREE") || name == QLatin1String("NAVTREEINDEX")
        || name == QLatin1String("SYNCONMSG") || name == QLatin1String("SYNCOFFMSG");
}

bool isNavTreeData(const QString &path, const ScriptPage &)
{
    if (QFileInfo(path).fileName() != QLatin1String("navtreedata.js"))
        return false;
    const std::shared_ptr<const ScriptVariables> variables = loadScriptData(path);
    return variables && std::all_of(variables->begin(), variables->end(), [](const auto &entry) {
               return isNavTreeDataName(entry.first);
           });
}

// Whether the page's scripts are exactly Doxygen's, each once, before the inline call (so
// that jQuery and the tree's functions are there when it runs), none deferred.
bool hasDoxygenScripts(const Dom &dom, int call, const ScriptPage &page, DoxygenTreePage &tree)
{
    const std::array<const char *, 4> digests{jqueryDigest, dynsectionsDigest, resizeDigest,
                                              navtreeDigest};
    std::array<int, 4> seen{};
    const std::vector<IdentifiedScript> &scripts = page.scripts;
    if (scripts.empty() || scripts.back().element != call)
        return false;
    for (size_t at = 0; at + 1 < scripts.size(); ++at) {
        const DomNode &script = dom.node(scripts[at].element);
        if (script.hasAttribute(QLatin1String("async"))
            || script.hasAttribute(QLatin1String("defer")) || scripts[at].path.isNull())
            return false;
        const KnownScript &known = *scripts[at].known;
        const auto found = std::find_if(digests.begin(), digests.end(),
                                        [&known](const char *digest) {
            return known.hasDigest(digest);
        });
        if (found != digests.end()) {
            if (found == digests.begin() && at != 0)
                return false;
            ++seen[size_t(found - digests.begin())];
        } else if (tree.navTreeData.isNull() && known.dataTest == isNavTreeData) {
            tree.navTreeData = scripts[at].path;
        } else {
            return false;
        }
    }
    return seen == std::array<int, 4>{1, 1, 1, 1} && !tree.navTreeData.isNull();
}

// The inline script: $(document).ready(function(){initNavTree('page.html','../'); initResizable();
// });
bool buildNavTree(Dom &dom, int script, const ScriptPage &page)
{
    static const QRegularExpression call(
        QStringLiteral("initNavTree\\('([A-Za-z0-9_.~-]*)','((?:\\.\\./){0,8})'\\)"));
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_.~-]+$"));
    const QRegularExpressionMatch match = call.match(dom.textContent(script));
    DoxygenTreePage tree;
    tree.toRoot = match.captured(1);
    tree.relativePath = match.captured(2);
    tree.folder = QFileInfo(page.path).path();
    tree.fileName = QFileInfo(page.path).fileName();
    // A root without a dot could be the name of what every object has ("constructor").
    if (!match.hasMatch() || !tree.toRoot.contains(u'.')
        || !plainName.match(tree.fileName).hasMatch()
        || !hasDoxygenScripts(dom, script, page, tree))
        return false;
    return buildDoxygenNavTree(dom, tree);
}

} // namespace

// Kept: the script runtime sends every page to the browser, its scripts stopping at the trap on
// Window.opener (143 of 150) or Element.clientWidth (earlier, on Document.implementation): 2.5
// files/s at 330 ms of CPU a page against 41 files/s at 10.1 ms with this model on 150 of
// libstdc++'s pages (Release build, same sitting, 7 December 2026).
const std::vector<KnownScript> &doxygenScripts()
{
    static const std::vector<KnownScript> scripts{
        {"jquery.js (Doxygen 1.9.4: jQuery 3.6.0 with jQuery UI's resizable, scrollTo, PowerTip, "
         "SmartMenus)",
         jqueryDigest, nullptr},
        {"dynsections.js (Doxygen 1.9.4; its tooltips are hidden and empty until hovered)",
         dynsectionsDigest, nullptr},
        {"resize.js (Doxygen 1.9.4; sizes and empty resize handles only)", resizeDigest, nullptr},
        {"navtree.js (Doxygen 1.9.4; the tree is built by the inline call)", navtreeDigest,
         nullptr},
        {"navtreedata.js (Doxygen: NAVTREE, NAVTREEINDEX and the sync button's titles)",
         nullptr,
         nullptr,
         {},
         isNavTreeData},
        {"inline: $(document).ready(function(){initNavTree('page.html','../'); initResizable(); "
         "});",
         "d36e4818c89d474c7e25ab9cbb9ce9af66fade4b31c08f82354d9afdf0e7a536",
         buildNavTree,
         {0, 1}},
    };
    return scripts;
}
