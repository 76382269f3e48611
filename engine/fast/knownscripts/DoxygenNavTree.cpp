// navtree.js of Doxygen 1.9.4: what it builds in #nav-tree-contents from NAVTREE, the index
// file that holds the page and the lists it loads one after another on the way down.

#include "engine/fast/knownscripts/DoxygenNavTree.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/Dom.h"
#include "engine/fast/knownscripts/DomQueries.h"
#include "engine/fast/knownscripts/ScriptDataFile.h"

#include <QDir>
#include <QRegularExpression>

#include <memory>

namespace {

// More index files than this, a path deeper than this, or more items than this on one page,
// and the page goes to the browser: libstdc++'s tree has 51 index files and paths of at most
// nine steps.
constexpr qsizetype maxIndexFiles = 10'000;
constexpr qsizetype maxPathSteps = 64;
constexpr int maxItems = 100'000;

const QString arrowRight = QStringLiteral("\u25BA");
const QString arrowDown = QStringLiteral("\u25BC");
const QString noLink = QStringLiteral("javascript:void(0)");

// A data file's name as navtree.js loads it and then evaluates it as a variable's name. Only
// names Doxygen gives (a compound's "a01234", a folder's "dir_…", an index's "annotated_dup")
// are taken, none of which a browser or the page's scripts use for anything of their own.
bool isDataFileName(const QString &name)
{
    static const QRegularExpression doxygenName(
        QStringLiteral("^(a[0-9]+|[a-z][A-Za-z0-9]*([_-][A-Za-z0-9]+)+|modules|namespaces|concepts|"
                       "annotated|classes|"
                       "hierarchy|files|functions|globals|namespacemembers|pages|examples)$"));
    return doxygenName.match(name).hasMatch();
}

QString stripPath(const QString &uri)
{
    return uri.mid(uri.lastIndexOf(u'/') + 1);
}

// navtree.js's tree in the document: one node for each entry built, as newNode() makes it.
class NavTree
{
public:
    NavTree(Dom &dom, const DoxygenTreePage &page) : m_dom(dom), m_page(page) {}

    // initNavTree() and, once the page has loaded, navTo() with the page's own entry, through
    // every data file it loads.
    bool build()
    {
        m_data = loadScriptData(m_page.navTreeData);
        const ScriptValue *tree = m_data ? variable(*m_data, QStringLiteral("NAVTREE")) : nullptr;
        const ScriptValue *index = m_data ? variable(*m_data, QStringLiteral("NAVTREEINDEX"))
                                          : nullptr;
        const ScriptValue *syncMessage = m_data ? variable(*m_data, QStringLiteral("SYNCONMSG"))
                                                : nullptr;
        static const QRegularExpression plainText(QStringLiteral("^[^\"<>&]*$"));
        const int contents = elementWithId(m_dom, QStringLiteral("nav-tree-contents"));
        if (!tree || !tree->isArray() || !index || !index->isArray()
            || index->items.size() > size_t(maxIndexFiles) || !syncMessage
            || !syncMessage->isString() || !plainText.match(syncMessage->string).hasMatch()
            || contents < 0)
            return false;

        m_nodes.push_back({tree, -1, -1, m_dom.createElement(QStringLiteral("ul")), false, 0});
        m_dom.insertBefore(contents, m_nodes[0].childrenUl);
        const int sync = navSync();
        if (sync >= 0) {
            for (int child = m_dom.node(sync).firstChild; child >= 0;
                 child = m_dom.node(sync).firstChild)
                m_dom.detach(child);
            m_dom.insertBefore(
                sync,
                m_dom.createElement(QStringLiteral("img"),
                                    {{"src", m_page.relativePath + QLatin1String("sync_on.png")},
                                     {"title", syncMessage->string}}));
        }
        std::optional<std::vector<qint64>> path = pathToPage(*tree, *index);
        return path && showPath(*path);
    }

private:
    struct Node
    {
        const ScriptValue *children; // null, a data file's name, or the entries
        int item;                    // the div.item
        int arrow;                   // the span.arrow of an entry with children, else -1
        int childrenUl;              // -1 until made
        bool visited;                // children built
        int depth;
    };

    int navSync() const { return elementWithId(m_dom, QStringLiteral("nav-sync")); }

    // What JavaScript takes for true.
    static bool isTrue(const ScriptValue &value)
    {
        switch (value.kind) {
        case ScriptValue::Kind::Null:
            return false;
        case ScriptValue::Kind::Number:
            return value.number != 0;
        case ScriptValue::Kind::String:
            return !value.string.isEmpty();
        default:
            return true;
        }
    }

    // The data a child file declares under its own name.
    const ScriptValue *loadData(const QString &name)
    {
        if (!isDataFileName(name))
            return nullptr;
        const QString path = QDir::cleanPath(m_page.folder + u'/' + m_page.relativePath + name
                                             + QLatin1String(".js"));
        std::shared_ptr<const ScriptVariables> variables = loadScriptData(path);
        if (!variables || variables->size() != 1
            || variables->front().first != QString(name).replace(u'-', u'_'))
            return nullptr;
        m_kept.push_back(variables);
        return &variables->front().second;
    }

    // navTo(): the index file that holds the page and the steps down to it, breadcrumbs
    // with the tree's root first.
    std::optional<std::vector<qint64>> pathToPage(const ScriptValue &tree, const ScriptValue &index)
    {
        // The page is opened without a fragment, so the hash navtree.js reads is "#".
        QString root = m_page.toRoot;
        const QString url = root + u'#';
        qsizetype file = -1;
        while (size_t(file + 1) < index.items.size()) {
            const ScriptValue &first = index.items[size_t(file + 1)];
            if (!first.isString())
                return std::nullopt;
            if (!(first.string <= url))
                break;
            ++file;
        }
        if (file < 0) {
            if (tree.items.empty() || !tree.items[0].isArray() || tree.items[0].items.size() < 2
                || !tree.items[0].items[1].isString())
                return std::nullopt;
            file = 0;
            root = tree.items[0].items[1].string;
        }
        const QString name = QStringLiteral("navtreeindex%1").arg(file);
        std::shared_ptr<const ScriptVariables> variables = loadScriptData(QDir::cleanPath(
            m_page.folder + u'/' + m_page.relativePath + name + QLatin1String(".js")));
        if (!variables || variables->size() != 1 || variables->front().first != name.toUpper()
            || variables->front().second.kind != ScriptValue::Kind::Object)
            return std::nullopt;
        m_kept.push_back(variables);
        // gotoNode(): the entry with the hash, else the page's; jQuery's deep copy of neither
        // is an empty path, which still shows the tree's first entry.
        const ScriptValue &entries = variables->front().second;
        const ScriptValue *steps = entries.member(root + u'#');
        if (!steps || !isTrue(*steps))
            steps = entries.member(root);
        std::vector<qint64> path{0};
        if (!steps || !isTrue(*steps))
            return path;
        if (!steps->isArray() || steps->items.size() > size_t(maxPathSteps))
            return std::nullopt;
        for (const ScriptValue &step : steps->items) {
            if (step.kind != ScriptValue::Kind::Number)
                return std::nullopt;
            path.push_back(step.number);
        }
        return path;
    }

    // showNode() down the path, then selectAndHighlight().
    bool showPath(const std::vector<qint64> &path)
    {
        int node = 0;
        for (size_t step = 0;; ++step) {
            if (!m_nodes[size_t(node)].visited && !buildChildren(node))
                return false;
            Node &shown = m_nodes[size_t(node)];
            m_dom.setAttribute(childrenUl(node), QStringLiteral("style"),
                               QStringLiteral("display: block;"));
            if (shown.arrow >= 0)
                setText(shown.arrow, arrowDown);
            const qint64 position = path[step];
            if (position < 0 || size_t(position) >= shown.children->items.size())
                return false;
            const int child = m_childNodes.at(size_t(node)).at(size_t(position));
            if (!loadChildren(child))
                return false;
            if (step + 1 == path.size())
                return select(child);
            if (!isTrue(*m_nodes[size_t(child)].children))
                return select(-1);
            node = child;
        }
    }

    // A child file is loaded (and its entries taken) when the node is shown.
    bool loadChildren(int node)
    {
        Node &shown = m_nodes[size_t(node)];
        if (!shown.children->isString())
            return true;
        const ScriptValue *loaded = loadData(shown.children->string);
        if (!loaded || !loaded->isArray())
            return false;
        m_nodes[size_t(node)].children = loaded;
        return true;
    }

    bool select(int node)
    {
        // An entry of the tree whose link points into this page without an anchor would be
        // selected in its place, and its anchor highlighted.
        const QString ownLink = m_page.fileName + u':';
        for (int at = 0; at < m_dom.size(); ++at) {
            const DomNode &element = m_dom.node(at);
            if (element.isElement("a")
                && element.attribute(QLatin1String("class")).endsWith(ownLink)
                && hasAncestor(m_dom, at, withClass(QStringLiteral("item"))))
                return false;
        }
        if (node >= 0) {
            // The page that is the tree's root shows its children too.
            QString base = m_page.toRoot;
            const qsizetype dot = base.indexOf(u'.');
            if (dot >= 0 && dot + 1 < base.size())
                base.truncate(dot);
            base = stripPath(base);
            if ((base == QLatin1String("index") || base == QLatin1String("pages")
                 || base == QLatin1String("search"))
                && m_nodes[size_t(node)].children->isArray()) {
                if (!buildChildren(node))
                    return false;
                m_dom.setAttribute(childrenUl(node), QStringLiteral("style"),
                                   QStringLiteral("display: block;"));
                setText(m_nodes[size_t(node)].arrow, arrowDown);
            }
            const int item = m_nodes[size_t(node)].item;
            m_dom.setAttribute(item, QStringLiteral("class"), QStringLiteral("item selected"));
            m_dom.setAttribute(item, QStringLiteral("id"), QStringLiteral("selected"));
        }
        const int sync = navSync();
        if (sync >= 0) {
            const bool firstSelected = m_nodes.size() > 1
                && m_nodes[1].item == (node >= 0 ? m_nodes[size_t(node)].item : -2);
            addInlineStyle(m_dom, sync,
                           firstSelected ? QStringLiteral("top: 30px;")
                                         : QStringLiteral("top: 5px;"));
        }
        return true;
    }

    void setText(int element, const QString &text)
    {
        for (int child = m_dom.node(element).firstChild; child >= 0;
             child = m_dom.node(element).firstChild)
            m_dom.detach(child);
        m_dom.insertBefore(element, m_dom.createText(text));
    }

    int childrenUl(int node)
    {
        if (m_nodes[size_t(node)].childrenUl < 0) {
            const int ul = m_dom.createElement(
                QStringLiteral("ul"), {{"class", "children_ul"}, {"style", "display: none;"}});
            m_dom.insertBefore(m_dom.node(m_nodes[size_t(node)].item).parent, ul);
            m_nodes[size_t(node)].childrenUl = ul;
        }
        return m_nodes[size_t(node)].childrenUl;
    }

    // getNode(): an entry for each of the node's children.
    bool buildChildren(int node)
    {
        m_nodes[size_t(node)].visited = true;
        const ScriptValue *children = m_nodes[size_t(node)].children;
        if (m_childNodes.size() <= size_t(node))
            m_childNodes.resize(size_t(node) + 1);
        for (const ScriptValue &entry : children->items) {
            checkPageCancelled();
            if (m_nodes.size() >= size_t(maxItems) || !entry.isArray() || entry.items.size() != 3)
                return false;
            const int child = newNode(node, entry.items[0], entry.items[1], entry.items[2]);
            if (child < 0)
                return false;
            m_childNodes[size_t(node)].push_back(child);
        }
        return true;
    }

    // newNode(): li > div.item > (the arrow or a space, span.label > a), its children's ul
    // added when they are shown.
    int newNode(int parent, const ScriptValue &text, const ScriptValue &link,
                const ScriptValue &children)
    {
        if (!text.isString() || !(link.isString() || link.kind == ScriptValue::Kind::Null)
            || !(children.kind == ScriptValue::Kind::Null || children.isArray()
                 || (children.isString() && isDataFileName(children.string))))
            return -1;
        const int depth = m_nodes[size_t(parent)].depth + 1;
        const int level = depth - 1;
        const int li = m_dom.createElement(QStringLiteral("li"));
        m_dom.insertBefore(childrenUl(parent), li);
        const int item = m_dom.createElement(QStringLiteral("div"), {{"class", "item"}});
        int arrow = -1;
        if (isTrue(children)) {
            arrow = m_dom.createElement(
                QStringLiteral("span"),
                {{"class", "arrow"},
                 {"style", QStringLiteral("padding-left: %1px;").arg(16 * level)}});
            setText(arrow, arrowRight);
            const int toggle = m_dom.createElement(QStringLiteral("a"), {{"href", noLink}});
            m_dom.insertBefore(toggle, arrow);
            m_dom.insertBefore(item, toggle);
        } else {
            const int space = m_dom.createElement(
                QStringLiteral("span"),
                {{"class", "arrow"},
                 {"style", QStringLiteral("width: %1px;").arg(16 * (level + 1))}});
            setText(space, QStringLiteral("\u00A0"));
            m_dom.insertBefore(item, space);
        }
        const int label = m_dom.createElement(QStringLiteral("span"), {{"class", "label"}});
        m_dom.insertBefore(item, label);
        m_dom.insertBefore(li, item);
        const int anchor = m_dom.createElement(QStringLiteral("a"),
                                               linkAttributes(link.string, children));
        m_dom.insertBefore(label, anchor);
        m_dom.insertBefore(anchor, m_dom.createText(text.string));
        m_nodes.push_back({&children, item, arrow, -1, false, depth});
        return int(m_nodes.size() - 1);
    }

    QList<std::pair<QString, QString>> linkAttributes(QString link,
                                                      const ScriptValue &children) const
    {
        if (link.isEmpty())
            return children.kind == ScriptValue::Kind::Null
                ? QList<std::pair<QString, QString>>{}
                : QList<std::pair<QString, QString>>{{"class", "nolink"}, {"href", noLink}};
        QString url;
        if (link.startsWith(u'^')) {
            url = link.mid(1);
            link = url;
        } else {
            url = m_page.relativePath + link;
        }
        const qsizetype hash = link.indexOf(u'#');
        QString classed = link;
        if (hash >= 0)
            classed[hash] = u':';
        if (hash < 0)
            return {{"class", stripPath(classed)}, {"href", url}};
        const QString target = stripPath(link.left(hash));
        return {{"class", stripPath(classed)}, {"href", m_page.fileName != target ? url : noLink}};
    }

    Dom &m_dom;
    const DoxygenTreePage &m_page;
    std::shared_ptr<const ScriptVariables> m_data;
    std::vector<std::shared_ptr<const ScriptVariables>> m_kept; // the data the nodes point into
    std::vector<Node> m_nodes;                                  // the root (the tree itself) first
    std::vector<std::vector<int>> m_childNodes;
};

} // namespace

bool buildDoxygenNavTree(Dom &dom, const DoxygenTreePage &page)
{
    return NavTree(dom, page).build();
}
