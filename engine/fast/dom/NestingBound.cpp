#include "engine/fast/dom/NestingBound.h"

#include <QSet>

namespace {

// Well above the browser's own limit of 512, as the count here is only close to the parser's:
// it may see elements as open that the parser has closed by rules not followed here.
constexpr size_t maxOpenElements = 1024;

bool isVoidElement(const QByteArray &name)
{
    static const QSet<QByteArray> names{
        "area", "base",  "basefont", "bgsound", "br",   "col",   "embed",  "frame", "hr", "image",
        "img",  "input", "keygen",   "link",    "meta", "param", "source", "track", "wbr"};
    return names.contains(name);
}

// Elements that a start tag of their own name closes when one is the current element.
bool closesItsLike(const QByteArray &name)
{
    static const QSet<QByteArray> names{"p", "li", "dt", "dd", "option", "tr", "td", "th"};
    return names.contains(name);
}

// Elements whose start tag closes a paragraph, the commonest element left open.
bool closesParagraph(const QByteArray &name)
{
    static const QSet<QByteArray> names{
        "address", "article", "aside",    "blockquote", "center", "details", "dialog",  "dir",
        "div",     "dl",      "fieldset", "figcaption", "figure", "footer",  "form",    "h1",
        "h2",      "h3",      "h4",       "h5",         "h6",     "header",  "hgroup",  "hr",
        "main",    "menu",    "nav",      "ol",         "p",      "pre",     "section", "summary",
        "table",   "ul",      "li",       "dd",         "dt"};
    return names.contains(name);
}

} // namespace

bool NestingBound::leavesOut(const HtmlTagScanner::Tag &tag)
{
    return tag.endTag ? leavesOutEnd(tag) : leavesOutStart(tag);
}

bool NestingBound::leavesOutStart(const HtmlTagScanner::Tag &tag)
{
    const bool selfClosing = tag.end >= 2 && m_page[tag.end - 2] == '/';
    if (isVoidElement(tag.name) || selfClosing)
        return false;
    closeImplied(tag.name);
    const bool leftOut = m_open.size() >= maxOpenElements;
    m_open.push_back({tag.name, leftOut});
    ++m_openByName[tag.name];
    return leftOut;
}

bool NestingBound::leavesOutEnd(const HtmlTagScanner::Tag &tag)
{
    if (m_openByName.value(tag.name) == 0)
        return false;
    // Each element is popped once, so the search costs no more than the pushes did.
    while (m_open.back().name != tag.name)
        pop();
    const bool leftOut = m_open.back().leftOut;
    pop();
    return leftOut;
}

void NestingBound::closeImplied(const QByteArray &name)
{
    if (m_open.empty())
        return;
    const QByteArray &current = m_open.back().name;
    if ((current == name && closesItsLike(name)) || (current == "p" && closesParagraph(name)))
        pop();
}

void NestingBound::pop()
{
    --m_openByName[m_open.back().name];
    m_open.pop_back();
}
