// document.write() as the parser's scripts use it: the markup enters the parser's input just
// after the writing script's end tag (see DocumentWrites).

#include "ScriptRunner.h"

#include "ScriptPage.h"

namespace {

// Calls of document.write() a page may make.
constexpr int maxWriteCalls = 1 << 14;

// The length of UTF-16 text in UTF-8, for text that neither ends nor begins inside a pair.
qsizetype utf8Length(QStringView text)
{
    qsizetype length = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t c = text[at].unicode();
        if (c < 0x80)
            length += 1;
        else if (c < 0x800)
            length += 2;
        else if (text[at].isHighSurrogate() && at + 1 < text.size()
                 && text[at + 1].isLowSurrogate())
            length += 4, ++at;
        else
            length += 3;
    }
    return length;
}

} // namespace

std::optional<QString> ScriptRunner::writtenAfter(int script) const
{
    if (!m_writes.any())
        return QStringLiteral("");
    const qsizetype end = m_page.document.dom().sourceSpan(script).end;
    if (end < 0)
        return std::nullopt;
    return m_writes.writtenAfter(end);
}

void ScriptRunner::write(const QString &markup)
{
    PageRuntime &runtime = m_page.runtime;
    if (m_page.readyState != u"loading") {
        // It would open the document anew, with only the markup written.
        runtime.notModelled("document.write after the page was parsed");
        return;
    }
    if (m_parserScript == ScriptDocument::noNode || m_page.currentScript != m_parserScript
        || m_depth != 1) {
        runtime.notModelled("document.write from a script the parser is not running");
        return;
    }
    if (m_writing.script != m_parserScript) {
        m_writing = Writing{m_parserScript, writtenAfter(m_parserScript), {}, 0, true};
        if (!m_writing.parsed) {
            runtime.notModelled("document.write from written markup");
            return;
        }
    }
    if (++m_writeCalls > maxWriteCalls
        || m_writing.written.size() + markup.size() > DocumentWrites::maxWrittenBytes) {
        runtime.notModelled("document.write past its bounds");
        return;
    }
    if (!markup.isEmpty() && (markup.front().isLowSurrogate() || markup.back().isHighSurrogate())) {
        runtime.notModelled("document.write of half a character");
        return;
    }
    const qsizetype from = m_writing.written.size();
    m_writing.written += markup;
    m_writing.writtenBytes += utf8Length(markup);
    m_writing.asParsed = m_writing.asParsed && m_writing.parsed->size() >= m_writing.written.size()
        && QStringView(*m_writing.parsed).sliced(from, markup.size()) == markup;
    // Otherwise the page is parsed again once the parser's scripts are done.
    if (m_writing.asParsed) {
        const qsizetype scriptEnd = m_page.document.dom().sourceSpan(m_parserScript).end;
        revealWritten(scriptEnd + m_writing.writtenBytes);
    }
}

// The parser reads what was written at once, up to the input's end so far: the nodes made from
// it show, and the inline scripts in it run.
void ScriptRunner::revealWritten(qsizetype inputEnd)
{
    const Dom &dom = m_page.document.dom();
    const int first = m_revealed + 1;
    int last = m_revealed;
    for (int at = first; at < dom.size(); ++at) {
        const Dom::SourceSpan span = dom.sourceSpan(at);
        if (span.begin < 0 || span.begin >= inputEnd)
            break;
        // Text that goes on past what was written yet is not whole.
        if (dom.node(at).kind == DomNode::Text && span.end > inputEnd)
            break;
        last = at;
    }
    if (last < first)
        return;
    m_page.document.setParsedThrough(last);
    for (int at = first; at <= last; ++at)
        registerContentHandlers(at);
    m_revealed = last;
    runWrittenScripts(first, last);
}

void ScriptRunner::runWrittenScripts(int from, int to)
{
    const Dom &dom = m_page.document.dom();
    for (int element = from; element <= to && !m_page.runtime.stopped(); ++element) {
        const DomNode &node = dom.node(element);
        // A script with a src stops the parser until it ran, after the writing script.
        if (!node.isElement("script") || node.hasAttribute(QLatin1String("src")))
            continue;
        const std::optional<Prepared> prepared = prepare(element, true);
        if (prepared && prepared->timing == Timing::Now)
            execute(prepared->script);
    }
}

void ScriptRunner::checkWrites(int script)
{
    if (m_writing.script != script) {
        // It wrote nothing: neither must its parse have anything after it.
        const std::optional<QString> parsed = writtenAfter(script);
        if (parsed && !parsed->isEmpty())
            addRewrite(script, QString());
        return;
    }
    const Writing writing = std::exchange(m_writing, Writing{});
    // A write from written markup has stopped the scripts already.
    if (writing.parsed && writing.written != *writing.parsed)
        addRewrite(script, writing.written);
}

void ScriptRunner::addRewrite(int script, const QString &markup)
{
    if (m_rewrites.empty() && !m_page.document.parsedNodesChanged())
        m_treeAsParsed = m_page.document.dom();
    m_rewrites.push_back(Rewrite{script, markup});
}
