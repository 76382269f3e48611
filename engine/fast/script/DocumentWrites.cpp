#include "DocumentWrites.h"

DocumentWrites::DocumentWrites(const QByteArray &utf8) : m_utf8(utf8) {}

const ParserInput &DocumentWrites::page() const
{
    if (!m_page)
        m_page = parserInput(m_utf8);
    return *m_page;
}

ParserInput DocumentWrites::input() const
{
    const ParserInput &page = this->page();
    ParserInput spliced = page;
    if (m_written.empty())
        return spliced;
    spliced.utf8.clear();
    spliced.utf8.reserve(page.utf8.size() + m_writtenBytes);
    qsizetype copied = 0;
    for (const auto &[offset, written] : m_written) {
        spliced.utf8.append(page.utf8.constData() + copied, offset - copied);
        spliced.utf8.append(written.bytes);
        copied = offset;
    }
    spliced.utf8.append(page.utf8.constData() + copied, page.utf8.size() - copied);
    return spliced;
}

std::optional<qsizetype> DocumentWrites::pageOffset(qsizetype scriptEnd) const
{
    qsizetype shift = 0;
    for (const auto &[offset, written] : m_written) {
        if (scriptEnd <= offset + shift)
            break;
        if (scriptEnd <= offset + shift + written.bytes.size())
            return std::nullopt;
        shift += written.bytes.size();
    }
    return scriptEnd - shift;
}

qsizetype DocumentWrites::inputOffset(qsizetype pageOffset) const
{
    qsizetype shift = 0;
    for (const auto &[offset, written] : m_written) {
        if (offset >= pageOffset)
            break;
        shift += written.bytes.size();
    }
    return pageOffset + shift;
}

std::optional<QString> DocumentWrites::writtenAfter(qsizetype scriptEnd) const
{
    const std::optional<qsizetype> offset = pageOffset(scriptEnd);
    if (!offset)
        return std::nullopt;
    const auto found = m_written.find(*offset);
    return found == m_written.end() ? QStringLiteral("") : found->second.markup;
}

bool DocumentWrites::setWrittenAfter(qsizetype scriptEnd, const QString &markup)
{
    const std::optional<qsizetype> offset = pageOffset(scriptEnd);
    if (!offset || *offset < 0 || *offset > page().utf8.size())
        return false;
    QByteArray bytes = markup.toUtf8();
    // Markup the parser's input would change (controls, huge tags, deep nesting, noscript) is
    // not put in as the page's own input was.
    const ParserInput alone = parserInput(bytes);
    if (alone.utf8 != bytes || alone.attributesDropped || alone.tagsLeftOut)
        return false;
    const auto found = m_written.find(*offset);
    const qsizetype before = found == m_written.end() ? 0 : found->second.bytes.size();
    if (m_writtenBytes - before + bytes.size() > maxWrittenBytes)
        return false;
    m_writtenBytes += bytes.size() - before;
    if (bytes.isEmpty())
        m_written.erase(*offset);
    else
        m_written[*offset] = Written{markup, std::move(bytes)};
    return true;
}

namespace {

bool sameNode(const DomNode &a, const DomNode &b)
{
    return a.kind == b.kind && a.ns == b.ns && a.parent == b.parent && a.name == b.name
        && a.text == b.text && a.attributes == b.attributes;
}

// Links to nodes past `last`, or to none, may differ: the nodes the parser made later differ.
bool sameLink(int a, int b, int last)
{
    return a == b || ((a > last || a < 0) && (b > last || b < 0));
}

} // namespace

bool sameParseUpTo(const Dom &before, const Dom &after, int last)
{
    if (last >= before.size() || last >= after.size() || before.quirksMode() != after.quirksMode()
        || !after.parsedExactly())
        return false;
    for (int at = 0; at <= last; ++at) {
        const DomNode &a = before.node(at);
        const DomNode &b = after.node(at);
        if (!sameNode(a, b) || !sameLink(a.previousSibling, b.previousSibling, last)
            || !sameLink(a.nextSibling, b.nextSibling, last)
            || !sameLink(a.firstChild, b.firstChild, last))
            return false;
    }
    return true;
}
