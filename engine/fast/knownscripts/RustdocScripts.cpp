// The scripts of rustdoc 1.63's item pages as rust-doc ships them in Debian 12 (std, core, alloc
// and the other crates): the empty inline script that would hold the default settings,
// storage1.63.0.js (the theme), the module's sidebar-items1.63.0.js (its items, as data) and
// main1.63.0.js, which lists those items in the sidebar and copies the page's location to the
// narrow screen's top bar. Everything else main.js sets up waits for a click, a key, a search
// in the URL or a setting the page cannot have been given; a page laid out otherwise (a trait's
// implementors, the crates' list, a source file's tree) goes to the browser. And the inline
// script of its redirect pages, which send the browser on to an item's page.

#include "engine/fast/dom/ScriptDetection.h"
#include "engine/fast/knownscripts/DomQueries.h"
#include "engine/fast/knownscripts/ScriptDataFile.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <array>
#include <memory>
#include <set>

namespace {

constexpr char storageDigest[] = "d9b6e416a8d042aef27b5233f0fe397abec6c6bec7c9e7c4d69c9f0d2d5112ea";
constexpr char mainDigest[] = "27effe727c7086695bc98584343e9f5e8a4ecfd89c52cac1e9bd0d7a1fd3ab08";
constexpr char sidebarItemsFile[] = "sidebar-items1.63.0.js";
// More items than the largest module (core::arch::x86_64, some 5,000) and the page goes to the
// browser.
constexpr size_t maxSidebarItems = 20000;
// location.replace("TARGET" + location.search + location.hash);
constexpr char redirectDigest[] =
    "1509e05f54cf3d393efb0d48df0de82c14da1fe16174fc04a48ed8506df5771b";
// rustdoc's redirect pages are some 400 bytes.
constexpr qsizetype maxRedirectPageBytes = 4096;

// The items' file, with UTF-8 in its strings only for a page read as UTF-8 (and so the file):
// any other encoding may read the bytes of a UTF-8 string as more than characters in a string.
std::shared_ptr<const ScriptVariables> sidebarItems(const QString &path, const ScriptPage &page)
{
    if (QFileInfo(path).fileName() != QLatin1String(sidebarItemsFile))
        return nullptr;
    std::shared_ptr<const ScriptVariables> variables = loadScriptData(path);
    if (!variables && (variables = loadScriptData(path, DataText::Utf8Strings))
        && page.encoding != "UTF-8")
        return nullptr;
    if (!variables || variables->size() != 1
        || variables->front().first != QLatin1String("window.SIDEBAR_ITEMS"))
        return nullptr;
    return variables;
}

bool isSidebarItems(const QString &path, const ScriptPage &page)
{
    return sidebarItems(path, page) != nullptr;
}

// The first element a selector "ANCESTOR h2.location" finds.
int locationTitle(const Dom &dom, const QString &ancestorClass)
{
    const ElementTest inside = withClass(ancestorClass);
    return firstElement(dom, [&dom, &inside](const DomNode &node) {
        if (node.name != QLatin1String("h2") || !node.classes.contains("location"))
            return false;
        for (int at = node.parent; at >= 0; at = dom.node(at).parent) {
            if (inside(dom.node(at)))
                return true;
        }
        return false;
    });
}

// Whether `element` is a child of the head that comes before `script`, another child. The head
// only ever grows at its end, so that what is before a script there was parsed before it ran.
bool inHeadBefore(const Dom &dom, int element, int script)
{
    const int head = dom.node(script).parent;
    if (element < 0 || head < 0 || !dom.node(head).isElement("head")
        || dom.node(element).parent != head)
        return false;
    for (int at = dom.node(head).firstChild; at >= 0 && at != script;
         at = dom.node(at).nextSibling) {
        if (at == element)
            return true;
    }
    return false;
}

// storage.js, while the page is parsed, switches to the light theme (the browser engine prefers
// no dark scheme) by the main style sheet's URL: a page whose theme link, parsed before it,
// already names that file keeps its styles.
bool keepsItsTheme(Dom &dom, int script, const ScriptPage &page)
{
    const int main = elementWithId(dom, QStringLiteral("mainThemeStyle"));
    const int theme = elementWithId(dom, QStringLiteral("themeStyle"));
    if (!inHeadBefore(dom, main, script) || !inHeadBefore(dom, theme, script)
        || !dom.node(main).isElement("link") || !dom.node(theme).isElement("link"))
        return false;
    const QString mainHref = dom.node(main).attribute(QLatin1String("href"));
    const QString themeHref = dom.node(theme).attribute(QLatin1String("href"));
    if (mainHref.isNull() || themeHref.isNull())
        return false;
    const QUrl &base = page.baseUrl;
    static const QRegularExpression rustdocSheet(QStringLiteral("/rustdoc([^/]*)\\.css"));
    QString light = base.resolved(QUrl(mainHref)).toString(QUrl::FullyEncoded);
    const QRegularExpressionMatch match = rustdocSheet.match(light);
    if (!match.hasMatch())
        return false;
    light.replace(match.capturedStart(), match.capturedLength(),
                  QStringLiteral("/light") + match.captured(1) + ".css");
    return light == base.resolved(QUrl(themeHref)).toString(QUrl::FullyEncoded);
}

QStringList attributeNames(const DomNode &node)
{
    QStringList names;
    for (const auto &[name, value] : node.attributes)
        names << name;
    return names;
}

// Whether the page's scripts are rustdoc's, each once, in its order and with its attributes, so
// that the items are there when main.js runs and nothing else runs; the items' file is returned.
std::optional<QString> sidebarItemsOf(const Dom &dom, int mainScript, const ScriptPage &page)
{
    const std::vector<IdentifiedScript> &scripts = page.scripts;
    if (scripts.size() != 4 || scripts[3].element != mainScript)
        return std::nullopt;
    const std::array<QStringList, 4> attributes{QStringList{"id"}, QStringList{"src"},
                                                QStringList{"defer", "src"},
                                                QStringList{"defer", "src"}};
    for (size_t at = 0; at < scripts.size(); ++at) {
        if (attributeNames(dom.node(scripts[at].element)) != attributes[at])
            return std::nullopt;
    }
    // The settings' script is the one storage.js finds as it runs, both in the head.
    const int settings = scripts[0].element;
    if (dom.node(settings).id != QLatin1String("default-settings")
        || !dom.textContent(settings).isEmpty()
        || elementWithId(dom, QStringLiteral("default-settings")) != settings
        || !inHeadBefore(dom, settings, scripts[1].element)
        || dom.node(scripts[2].element).attribute(QLatin1String("src"))
            != QLatin1String(sidebarItemsFile))
        return std::nullopt;
    if (!scripts[1].known->hasDigest(storageDigest) || scripts[2].known->dataTest != isSidebarItems)
        return std::nullopt;
    return scripts[2].path;
}

// The page's name as main.js reads it from its URL; a name the URL would spell otherwise is not
// compared here.
std::optional<QString> pageName(const QString &pagePath)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    const QString name = QFileInfo(pagePath).fileName();
    return plain.match(name).hasMatch() ? std::optional<QString>(name) : std::nullopt;
}

// The location title's content, copied by innerHTML: text and simple inline markup only, which
// parses back into the same nodes.
bool copyLocationTitle(Dom &dom)
{
    const int from = locationTitle(dom, QStringLiteral("sidebar"));
    const int to = locationTitle(dom, QStringLiteral("mobile-topbar"));
    if (from < 0 || to < 0 || from == to)
        return true;
    const ElementTest isFrom = [&dom, from](const DomNode &node) {
        return &node == &dom.node(from);
    };
    const ElementTest isTo = [&dom, to](const DomNode &node) { return &node == &dom.node(to); };
    if (hasAncestor(dom, to, isFrom) || hasAncestor(dom, from, isTo))
        return false;
    static const std::set<QString> inlineMarkup{"a", "span", "code", "em", "strong", "b", "i"};
    std::vector<int> originals;
    for (int at = dom.node(from).firstChild; at >= 0; at = dom.next(at, from)) {
        const DomNode &node = dom.node(at);
        if (node.kind == DomNode::Element
            && (node.ns != DomNode::Html || !inlineMarkup.count(node.name)))
            return false;
        originals.push_back(at);
    }
    while (dom.node(to).firstChild >= 0)
        dom.detach(dom.node(to).firstChild);
    // Each copy goes below the copy of its original's parent; parents come first.
    QHash<int, int> copies{{from, to}};
    for (int original : originals) {
        const DomNode node = dom.node(original);
        const int copy = node.kind == DomNode::Text ? dom.createText(node.text)
                                                    : dom.createElement(node.name, node.attributes);
        dom.insertBefore(copies.value(node.parent), copy);
        copies.insert(original, copy);
    }
    return true;
}

struct SidebarBlock
{
    const char *kind;
    const char *id;
    const char *title;
};

constexpr std::array<SidebarBlock, 14> sidebarBlocks{{
    {"primitive", "primitives", "Primitive Types"},
    {"mod", "modules", "Modules"},
    {"macro", "macros", "Macros"},
    {"struct", "structs", "Structs"},
    {"enum", "enums", "Enums"},
    {"union", "unions", "Unions"},
    {"constant", "constants", "Constants"},
    {"static", "static", "Statics"},
    {"trait", "traits", "Traits"},
    {"fn", "functions", "Functions"},
    {"type", "types", "Type Definitions"},
    {"foreigntype", "foreign-types", "Foreign Types"},
    {"keyword", "keywords", "Keywords"},
    {"traitalias", "trait-aliases", "Trait Aliases"},
}};

// Whether the items are what rustdoc writes: for each kind, a list of [name, description].
bool itemsInTheirForm(const ScriptValue &items)
{
    if (items.kind != ScriptValue::Kind::Object)
        return false;
    size_t count = 0;
    for (const SidebarBlock &block : sidebarBlocks) {
        const ScriptValue *list = items.member(QLatin1String(block.kind));
        if (!list)
            continue;
        if (!list->isArray() || (count += list->items.size()) > maxSidebarItems)
            return false;
        for (const ScriptValue &item : list->items) {
            if (!item.isArray() || item.items.size() != 2 || !item.items[0].isString()
                || !item.items[1].isString())
                return false;
        }
    }
    return true;
}

void addSidebarBlock(Dom &dom, int sidebar, const SidebarBlock &block, const ScriptValue &list,
                     const QString &page)
{
    const QString kind = QLatin1String(block.kind);
    const int div = dom.createElement("div", {{"class", "block " + kind}});
    const int heading = dom.createElement("h3");
    const int headingLink = dom.createElement(
        "a", {{"href", QStringLiteral("index.html#") + QLatin1String(block.id)}});
    dom.insertBefore(headingLink, dom.createText(QLatin1String(block.title)));
    dom.insertBefore(heading, headingLink);
    dom.insertBefore(div, heading);
    const int ul = dom.createElement("ul");
    for (const ScriptValue &item : list.items) {
        const QString &name = item.items[0].string;
        const QString path = kind == QLatin1String("mod") ? name + "/index.html"
                                                          : kind + u'.' + name + ".html";
        const QString classes = path == page ? kind + " current" : kind;
        const int link = dom.createElement(
            "a", {{"href", path}, {"title", item.items[1].string}, {"class", classes}});
        if (!name.isEmpty())
            dom.insertBefore(link, dom.createText(name));
        const int li = dom.createElement("li");
        dom.insertBefore(li, link);
        dom.insertBefore(ul, li);
    }
    dom.insertBefore(div, ul);
    dom.insertBefore(sidebar, div);
}

// main.js once the page has loaded: the location title copied to the top bar, then the
// module's items listed in the sidebar (but on a module's own page, which lists them itself).
bool buildSidebar(Dom &dom, int script, const ScriptPage &page)
{
    const std::optional<QString> itemsPath = sidebarItemsOf(dom, script, page);
    const std::optional<QString> name = pageName(page.path);
    // In quirks mode class names match whatever their case: not modelled here.
    if (!itemsPath || !name || page.quirksMode)
        return false;
    // main.js stops with an error, before it builds anything, without these.
    const int vars = elementWithId(dom, QStringLiteral("rustdoc-vars"));
    if (elementWithId(dom, QStringLiteral("settings-menu")) < 0
        || (vars >= 0
            && (!dom.node(vars).hasAttribute(QLatin1String("data-root-path"))
                || !dom.node(vars).hasAttribute(QLatin1String("data-current-crate")))))
        return false;
    const std::shared_ptr<const ScriptVariables> data = sidebarItems(*itemsPath, page);
    const ScriptValue *items = data ? variable(*data, QStringLiteral("window.SIDEBAR_ITEMS"))
                                    : nullptr;
    if (!items || !itemsInTheirForm(*items) || !copyLocationTitle(dom))
        return false;
    const int body = dom.body();
    const std::vector<int> sidebars = findElements(dom, -1,
                                                   withClass(QStringLiteral("sidebar-elems")));
    if (sidebars.empty() || (body >= 0 && dom.node(body).classes.contains(QStringLiteral("mod"))))
        return true;
    for (const SidebarBlock &block : sidebarBlocks) {
        if (const ScriptValue *list = items->member(QLatin1String(block.kind)))
            addSidebarBlock(dom, sidebars.front(), block, *list, *name);
    }
    return true;
}

bool refreshesTo(const DomNode &meta, const QString &target)
{
    return meta.attribute(QLatin1String("content")) == QLatin1String("0;URL=") + target;
}

// A redirect page (an item's old name, say) does nothing but go to its target, by a refresh and
// by its script, both naming the same page beside it. A target that is no plain relative path
// to an HTML file makes it no such page; the script's literal holds letters, digits and
// "_./~-" only, so nothing to decode, no scheme, query or fragment.
QString redirectTarget(const Dom &dom, int script, const ScriptPage &page)
{
    const std::vector<int> refreshes = findPageScripts(dom).refreshes;
    if (refreshes.size() != 1 || !dom.node(script).attributes.empty())
        return {};
    const QString text = dom.textContent(script);
    const qsizetype start = text.indexOf(u'"') + 1;
    const QString target = text.mid(start, text.indexOf(u'"', start) - start);
    // A path from the root would leave the documentation it belongs to.
    if (!target.endsWith(QLatin1String(".html")) || target.startsWith(u'/')
        || !refreshesTo(dom.node(refreshes.front()), target))
        return {};
    const QUrl url = page.baseUrl.resolved(QUrl(target));
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

// Kept for speed. The script runtime gives the browser's text on 190 of std's 194 pages (the
// traits' pages, which go to it from here too, among them), but at 37 to 50 ms of CPU a page
// and 8 to 16 files/s against 9.2 to 9.4 ms and 54 to 75 files/s with this model (Release
// build, same sitting, 7 December 2026; `w3m -dump` 32 to 38 files/s); and it stops at
// Location.replace on the redirect pages, which it sends to the browser.
const std::vector<KnownScript> &rustdocScripts()
{
    static const std::vector<KnownScript> scripts{
        {"inline: <script id=\"default-settings\"></script> (rustdoc, no settings given)",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", nullptr},
        {"storage1.63.0.js (rustdoc 1.63; the theme only)", storageDigest, keepsItsTheme},
        {"main1.63.0.js (rustdoc 1.63; the sidebar's items and the top bar's title)", mainDigest,
         buildSidebar},
        {"sidebar-items1.63.0.js (rustdoc: window.SIDEBAR_ITEMS, the module's items)",
         nullptr,
         nullptr,
         {},
         isSidebarItems},
        {"inline: location.replace(\"...\" + location.search + location.hash) (rustdoc's redirect "
         "pages)",
         redirectDigest,
         nullptr,
         {0},
         nullptr,
         redirectTarget,
         maxRedirectPageBytes},
    };
    return scripts;
}
