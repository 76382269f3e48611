#include "engine/fast/knownscripts/DomQueries.h"

#include "engine/PageCancellation.h"

std::vector<int> findElements(const Dom &dom, int root, const ElementTest &test)
{
    std::vector<int> found;
    const int start = root >= 0 ? dom.node(root).firstChild : dom.documentElement();
    for (int at = start; at >= 0; at = dom.next(at, root)) {
        checkPageCancelled();
        if (dom.node(at).kind == DomNode::Element && test(dom.node(at)))
            found.push_back(at);
    }
    return found;
}

int firstElement(const Dom &dom, const ElementTest &test)
{
    for (int at = dom.documentElement(); at >= 0; at = dom.next(at, -1)) {
        if (dom.node(at).kind == DomNode::Element && test(dom.node(at)))
            return at;
    }
    return -1;
}

int elementWithId(const Dom &dom, const QString &id)
{
    return firstElement(dom, [&id](const DomNode &node) { return node.id == id; });
}

bool hasAncestor(const Dom &dom, int element, const ElementTest &test)
{
    for (int at = dom.node(element).parent; at >= 0; at = dom.node(at).parent) {
        if (test(dom.node(at)))
            return true;
    }
    return false;
}

ElementTest withClass(const QString &name)
{
    return [name](const DomNode &node) { return node.classes.contains(name); };
}

ElementTest htmlElement(const char *localName)
{
    return [localName](const DomNode &node) { return node.isElement(localName); };
}

void addInlineStyle(Dom &dom, int element, const QString &declarations)
{
    QString style = dom.node(element).attribute(QLatin1String("style")).trimmed();
    if (!style.isEmpty() && !style.endsWith(';'))
        style += u';';
    if (!style.isEmpty())
        style += u' ';
    dom.setAttribute(element, QStringLiteral("style"), style + declarations);
}
