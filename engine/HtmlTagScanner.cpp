#include "engine/HtmlTagScanner.h"

#include "engine/PageCancellation.h"

#include <QByteArrayList>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Elements whose content the parser reads as text up to their end tag; a <noscript> too, as
// a browser with scripts on reads it.
bool isRawTextElement(const QByteArray &name)
{
    static const QByteArrayList names{"script", "style",   "textarea", "title",    "xmp",
                                      "iframe", "noembed", "noframes", "noscript", "plaintext"};
    return names.contains(name);
}

} // namespace

bool HtmlTagScanner::next(Tag &tag)
{
    const qsizetype size = m_bytes.size();
    while (m_at < size) {
        checkPageCancelled();
        const qsizetype open = m_bytes.indexOf('<', m_at);
        if (open < 0)
            break;
        m_at = open + 1;
        if (bytesAt(m_at, "!--")) {
            const qsizetype end = m_bytes.indexOf("-->", m_at + 3);
            m_at = end < 0 ? size : end + 3;
            continue;
        }
        tag.start = open;
        tag.endTag = m_at < size && m_bytes[m_at] == '/';
        if (tag.endTag)
            ++m_at;
        if (m_at >= size || !isAsciiLetter(m_bytes[m_at]))
            continue;
        tag.nameStart = m_at;
        while (m_at < size && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '/'
               && m_bytes[m_at] != '>')
            ++m_at;
        tag.nameEnd = m_at;
        tag.name = m_bytes.sliced(tag.nameStart, m_at - tag.nameStart).toByteArray().toLower();
        tag.attributes.clear();
        readAttributes(tag);
        tag.end = std::min(m_at, size);
        // An end tag's attributes are read only to find where it ends.
        if (tag.endTag)
            tag.attributes.clear();
        else if (isRawTextElement(tag.name))
            skipRawText(tag.name);
        return true;
    }
    m_at = size;
    return false;
}

bool HtmlTagScanner::bytesAt(qsizetype at, QByteArrayView expected) const
{
    return at + expected.size() <= m_bytes.size()
        && m_bytes.sliced(at, expected.size()) == expected;
}

void HtmlTagScanner::readAttributes(Tag &tag)
{
    const qsizetype size = m_bytes.size();
    for (;;) {
        while (m_at < size && (isSpace(m_bytes[m_at]) || m_bytes[m_at] == '/'))
            ++m_at;
        if (m_at >= size || m_bytes[m_at] == '>') {
            ++m_at;
            return;
        }
        const qsizetype start = m_at;
        do
            ++m_at;
        while (m_at < size && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '/'
               && m_bytes[m_at] != '>' && m_bytes[m_at] != '=');
        const QByteArrayView name = m_bytes.sliced(start, m_at - start);
        const QByteArrayView value = readValue();
        tag.attributes.push_back({start, m_at, name, value});
    }
}

// The value after the name just read, if an "=" follows.
QByteArrayView HtmlTagScanner::readValue()
{
    const qsizetype size = m_bytes.size();
    qsizetype at = m_at;
    while (at < size && isSpace(m_bytes[at]))
        ++at;
    if (at >= size || m_bytes[at] != '=')
        return {};
    ++at;
    while (at < size && isSpace(m_bytes[at]))
        ++at;
    if (at < size && (m_bytes[at] == '"' || m_bytes[at] == '\'')) {
        const qsizetype close = m_bytes.indexOf(m_bytes[at], at + 1);
        const qsizetype end = close < 0 ? size : close;
        m_at = close < 0 ? size : close + 1;
        return m_bytes.sliced(at + 1, end - at - 1);
    }
    const qsizetype start = at;
    while (at < size && !isSpace(m_bytes[at]) && m_bytes[at] != '>')
        ++at;
    m_at = at;
    return m_bytes.sliced(start, at - start);
}

void HtmlTagScanner::skipRawText(const QByteArray &name)
{
    if (name == "plaintext") {
        m_at = m_bytes.size();
        return;
    }
    const QByteArray close = "</" + name;
    for (qsizetype at = m_bytes.indexOf("</", m_at); at >= 0; at = m_bytes.indexOf("</", at + 2)) {
        const QByteArrayView candidate = m_bytes.sliced(
            at, std::min(close.size(), m_bytes.size() - at));
        if (candidate.compare(close, Qt::CaseInsensitive) == 0) {
            m_at = at;
            return;
        }
    }
    m_at = m_bytes.size();
}
