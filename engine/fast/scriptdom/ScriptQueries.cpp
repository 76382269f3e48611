#include "engine/fast/scriptdom/ScriptDocument.h"

#include "engine/PageCancellation.h"

#include <QRegularExpression>

int ScriptDocument::getElementById(int root, const QString &id) const
{
    if (id.isEmpty())
        return noNode;
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (isElement(at) && m_dom.node(at).id == id)
            return at;
    }
    return noNode;
}

std::vector<int> ScriptDocument::getElementsByTagName(int root, const QString &qualifiedName) const
{
    const QString lowered = qualifiedName.toLower();
    const bool any = qualifiedName == u"*"_qs;
    std::vector<int> elements;
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (!isElement(at))
            continue;
        const DomNode &node = m_dom.node(at);
        const bool htmlName = m_htmlDocument && node.ns == DomNode::Html;
        if (any || node.name == (htmlName ? lowered : qualifiedName))
            elements.push_back(at);
    }
    return elements;
}

std::vector<int> ScriptDocument::getElementsByClassName(int root, const QString &classNames) const
{
    const QStringList wanted = classNames.split(QRegularExpression(u"[ \t\n\f\r]+"_qs),
                                                Qt::SkipEmptyParts);
    std::vector<int> elements;
    if (wanted.isEmpty())
        return elements;
    const Qt::CaseSensitivity cs = m_dom.quirksMode() ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int at = firstChild(root); at != noNode; at = nextInTree(at, root)) {
        checkPageCancelled();
        if (!isElement(at))
            continue;
        const QStringList &classes = m_dom.node(at).classes;
        if (std::all_of(wanted.begin(), wanted.end(),
                        [&](const QString &name) { return classes.contains(name, cs); }))
            elements.push_back(at);
    }
    return elements;
}

std::vector<int> ScriptDocument::getElementsByName(const QString &name) const
{
    std::vector<int> elements;
    for (int at = firstChild(documentNode); at != noNode; at = nextInTree(at, documentNode)) {
        checkPageCancelled();
        if (isElement(at) && m_dom.node(at).ns == DomNode::Html
            && m_dom.node(at).attribute(QLatin1String("name")) == name)
            elements.push_back(at);
    }
    return elements;
}

NodeResult ScriptDocument::querySelector(int, const QString &)
{
    return {noNode, DomError::NotModelled};
}

NodeListResult ScriptDocument::querySelectorAll(int, const QString &)
{
    return {{}, DomError::NotModelled};
}

BoolResult ScriptDocument::matches(int, const QString &)
{
    return {false, DomError::NotModelled};
}

NodeResult ScriptDocument::closest(int, const QString &)
{
    return {noNode, DomError::NotModelled};
}

void ScriptDocument::markPositionsStale(int parent)
{
    if (parent >= 0)
        m_stalePositions.insert(parent);
}
