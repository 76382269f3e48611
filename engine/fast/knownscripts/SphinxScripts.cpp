// Sphinx's scripts (5.3, as Debian 12 ships them in libjs-sphinxdoc or copied into a package's
// pages, with its jQuery and underscore), and those of the themes of the CPython documentation
// (python3.11-doc) and of the Pallets projects (python-jinja2-doc).

#include "engine/fast/knownscripts/DomQueries.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"

#include <set>

namespace {

// copybutton.js: a ">>>" button at the top right of each Python example with prompts, and the
// loose text of a traceback wrapped in spans. Each button's border and colour, which the script
// copies from the first example's computed style, are left out: no text depends on them.
bool addCopyButtons(Dom &dom, int, const ScriptPage &)
{
    static const QStringList languages{"highlight-python", "highlight-python3", "highlight-pycon",
                                       "highlight-pycon3", "highlight-default"};
    const ElementTest inExampleLanguage = [](const DomNode &node) {
        return std::any_of(languages.begin(), languages.end(),
                           [&node](const QString &name) { return node.classes.contains(name); });
    };
    const std::vector<int> blocks = findElements(dom, -1, [&](const DomNode &node) {
        return node.classes.contains(QLatin1String("highlight"));
    });
    std::vector<int> examples;
    for (int block : blocks) {
        if (hasAncestor(dom, block, inExampleLanguage))
            examples.push_back(block);
    }
    std::set<int> positioned;
    for (int example : examples) {
        for (int pre : findElements(dom, example, htmlElement("pre"))) {
            const int parent = dom.node(pre).parent;
            const int grandparent = parent >= 0 ? dom.node(parent).parent : -1;
            if (grandparent >= 0 && dom.node(grandparent).kind == DomNode::Element)
                positioned.insert(grandparent);
        }
    }
    for (int element : positioned)
        addInlineStyle(dom, element, QStringLiteral("position: relative;"));

    for (int example : examples) {
        if (!findElements(dom, example, withClass(QStringLiteral("gp"))).empty()) {
            const int button = dom.createElement(
                QStringLiteral("span"),
                {{"class", "copybutton"},
                 {"style",
                  "cursor: pointer; position: absolute; top: 0px; right: 0px; "
                  "font-family: monospace; padding-left: 0.2em; padding-right: 0.2em; "
                  "border-radius: 0px 3px 0px 0px;"},
                 {"title", "Hide the prompts and output"}});
            dom.insertBefore(button, dom.createText(QStringLiteral(">>>")));
            dom.insertBefore(example, button, dom.node(example).firstChild);
        }
        for (int pre : findElements(dom, example, htmlElement("pre"))) {
            if (findElements(dom, pre, withClass(QStringLiteral("gt"))).empty())
                continue;
            for (int child = dom.node(pre).firstChild; child >= 0;) {
                const int next = dom.node(child).nextSibling;
                if (dom.node(child).kind == DomNode::Text
                    && !dom.node(child).text.trimmed().isEmpty()) {
                    const int span = dom.createElement(QStringLiteral("span"));
                    dom.insertBefore(pre, span, child);
                    dom.insertBefore(span, child);
                }
                child = next;
            }
        }
    }
    return true;
}

// sidebar.js: a "«" button that collapses the sidebar, after its contents; then the first
// element with the button's id (a button the page has already, if any) gets the script's
// styles. Its left margin and the contents' width, which the script takes from the laid-out
// sidebar, are left out: no text depends on them. A page with several sidebars, whose buttons
// would be styled by the first one's width, is left to the browser.
bool addSidebarButton(Dom &dom, int, const ScriptPage &)
{
    const std::vector<int> sidebars = findElements(dom, -1,
                                                   withClass(QStringLiteral("sphinxsidebar")));
    if (sidebars.size() > 1)
        return false;
    for (int wrapper : findElements(dom, -1, withClass(QStringLiteral("sphinxsidebarwrapper"))))
        addInlineStyle(dom, wrapper, QStringLiteral("float: left; margin-right: 0px;"));
    if (sidebars.empty())
        return true;
    const int added = dom.createElement(QStringLiteral("div"), {{"id", "sidebarbutton"}});
    const int arrow = dom.createElement(QStringLiteral("span"));
    dom.insertBefore(arrow, dom.createText(QStringLiteral("\u00AB")));
    dom.insertBefore(added, arrow);
    dom.insertBefore(sidebars.front(), added);

    const int button = elementWithId(dom, QStringLiteral("sidebarbutton"));
    for (int span : findElements(dom, button, htmlElement("span")))
        addInlineStyle(dom, span, QStringLiteral("display: block; position: fixed; top: 50%;"));
    dom.setAttribute(button, QStringLiteral("title"), QStringLiteral("Collapse sidebar"));
    addInlineStyle(dom, button,
                   QStringLiteral("border-radius: 0px 5px 5px 0px; color: rgb(68, 68, 68); "
                                  "background-color: rgb(204, 204, 204); font-size: 1.2em; "
                                  "cursor: pointer; height: 100%; padding-left: 1px;"));
    return true;
}

// menu.js: each outermost docutils table wrapped in a scrolling container; and, where the page
// has the theme's menu toggle, its menu links taken out of the tab order. (Without the toggle
// the script stops at that point with an error.)
bool wrapTablesAndMenu(Dom &dom, int, const ScriptPage &)
{
    const ElementTest docutilsTable = [](const DomNode &node) {
        return node.isElement("table") && node.classes.contains(QLatin1String("docutils"));
    };
    for (int table : findElements(dom, -1, docutilsTable)) {
        if (hasAncestor(dom, table, docutilsTable))
            continue; // replaced along with the outer table, in a copy no longer in the page
        const int container = dom.createElement(QStringLiteral("div"),
                                                {{"class", "responsive-table__container"}});
        dom.insertBefore(dom.node(table).parent, container, table);
        dom.insertBefore(container, table);
    }
    const int toggler = firstElement(dom, withClass(QStringLiteral("toggler__input")));
    if (toggler < 0 || firstElement(dom, withClass(QStringLiteral("menu-wrapper"))) < 0
        || firstElement(dom, withClass(QStringLiteral("document"))) < 0)
        return true;
    const DomNode &input = dom.node(toggler);
    const bool checked = input.isElement("input") && input.hasAttribute(QLatin1String("checked"));
    for (int item : findElements(dom, -1, withClass(QStringLiteral("menu"))))
        dom.setAttribute(item, QStringLiteral("tabindex"),
                         checked ? QStringLiteral("0") : QStringLiteral("-1"));
    return true;
}

// The basic theme's inline script after its search box: the box, hidden without scripts, shows.
bool showSearchBox(Dom &dom, int, const ScriptPage &)
{
    const int box = elementWithId(dom, QStringLiteral("searchbox"));
    if (box >= 0)
        addInlineStyle(dom, box, QStringLiteral("display: block;"));
    return true;
}

// doctools.js: shows the domain index's toggle pictures (which it then handles clicks on); a
// page without them is left as it is.
bool initDomainIndex(Dom &dom, int, const ScriptPage &)
{
    return findElements(
               dom, -1,
               [](const DomNode &node) {
        return node.isElement("img") && node.classes.contains(QLatin1String("toggler"));
               })
        .empty();
}

} // namespace

// Kept: the script runtime sends python3.11-doc's pages to the browser, its jQuery 3.6.1 stopping
// at the trap on Window.getComputedStyle on every page of the library's 150 (jinja2's 17 settle):
// 3.7 files/s at 251 ms of CPU a page against 60 files/s at 9.8 ms with this model (Release
// build, same sitting, 7 December 2026, when jQuery stopped on Document.implementation before).
const std::vector<KnownScript> &sphinxScripts()
{
    static const std::vector<KnownScript> scripts{
        {"jquery.js 3.6.1 (Debian 12 libjs-jquery)",
         "6e2dac4996733bcf0175f3b52bd55284f383909e50b9da3e258c4aefa9910ab7", nullptr},
        {"underscore.js 1.13.4 (Debian 12 libjs-underscore)",
         "03203363ad99fc8de92e0096e1419ff416909cb9e6d1d7e05e64905387d1949f", nullptr},
        {"_sphinx_javascript_frameworks_compat.js (Sphinx 5.3)",
         "2f1e30341b31300bdc3af29ee4a64e0f40ed15492345387bb47542d9b9b4813c", nullptr},
        {"doctools.js (Sphinx 5.3)",
         "2e887dc9a70efc8bc29783a50d3809c294ea023f1360ef5035f5aea372614d3f", initDomainIndex},
        {"sphinx_highlight.js (Sphinx 5.3; search words come only from a search)",
         "8ab48df3b3dec086f887666e14f9e789fcc3bf3e78d4e044771133272aded525", nullptr},
        {"documentation_options.js (python3.11-doc 3.11.2)",
         "4724a60a5b05f2effed113da32535bf930175441f3d061be48905b90d7c0ef17", nullptr},
        {"sidebar.js (python-docs-theme, python3.11-doc 3.11.2)",
         "d23c599fc95a194340402cec351ecc78b946ea27cff1da0ecc2b1f8b1a648b1d", addSidebarButton},
        {"copybutton.js (python-docs-theme, python3.11-doc 3.11.2)",
         "f1af795443875f7184331d307aa28dba3fed73126d1d27baceedcf376de52a30", addCopyButtons},
        {"menu.js (python-docs-theme, python3.11-doc 3.11.2)",
         "d0fbeb27b75fd2c9163de2f25926bdd72f8cda9e2ed8a97c3002675f0847c9d6", wrapTablesAndMenu},
        {"inline: document.getElementById('searchbox').style.display = \"block\" (basic theme)",
         "ce3ec9880594989526b97b2d891c853eb230443b8586ffbeedcd0d8cdad4c68b", showSearchBox},
        {"documentation_options.js (python-jinja2-doc 3.1.2)",
         "99bc40748c629c5e54e32f5fa47d5427152c3a3f57fa7034a39a5288e6663fd4", nullptr},
        {"version_warning_offset.js (Pallets theme; scrolls only, and only on a version warning)",
         "3ac28a5ace86e19d34cfa8ee4b1f7cbe439e8b7b94dc711aecf363674115ca73", nullptr},
    };
    return scripts;
}
