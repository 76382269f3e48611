#include "ScriptRunner.h"

#include "ScriptElements.h"
#include "ScriptPage.h"
#include "ScriptSources.h"

#include <QUrl>

namespace {

// Scripts that insert scripts that insert scripts: past this the page is not followed.
constexpr int nestingBound = 32;

// The event handler content attributes of <body> (and <frameset>) that stand for window's.
bool isWindowHandler(const QString &type)
{
    static const QSet<QString> types = {
        QStringLiteral("load"),     QStringLiteral("unload"),        QStringLiteral("beforeunload"),
        QStringLiteral("error"),    QStringLiteral("focus"),         QStringLiteral("blur"),
        QStringLiteral("resize"),   QStringLiteral("scroll"),        QStringLiteral("hashchange"),
        QStringLiteral("message"),  QStringLiteral("popstate"),      QStringLiteral("pageshow"),
        QStringLiteral("pagehide"), QStringLiteral("storage"),       QStringLiteral("online"),
        QStringLiteral("offline"),  QStringLiteral("languagechange")};
    return types.contains(type);
}

} // namespace

ScriptRunner::ScriptRunner(ScriptPage &page, const PageResourceReader &read,
                           const DocumentWrites &writes)
    : m_page(page)
    , m_read(read)
    , m_writes(writes)
{
}

std::optional<BrowserReason> ScriptRunner::run()
{
    runParserScripts();
    if (!m_rewrites.empty())
        return m_page.runtime.reason();
    if (!m_page.runtime.stopped())
        finishLoading();
    PageRuntime &runtime = m_page.runtime;
    if (runtime.stopped())
        return runtime.reason();
    const EventLoop::Outcome outcome = runtime.loop().settle(
        [&] { return runtime.stopped(); }, [&] { return m_page.document.mutationCount(); });
    if (runtime.stopped())
        return runtime.reason();
    if (outcome != EventLoop::Outcome::Settled || runtime.loop().overflowed())
        return BrowserReason::ScriptNotSettled;
    return std::nullopt;
}

void ScriptRunner::revealParsedUpTo(int node)
{
    ScriptDocument &document = m_page.document;
    document.setParsedUpTo(node);
    for (int at = m_revealed + 1; at <= node; ++at)
        registerContentHandlers(at);
    m_revealed = std::max(m_revealed, node);
}

void ScriptRunner::registerContentHandlers(int element)
{
    const DomNode &node = m_page.document.dom().node(element);
    if (node.kind != DomNode::Element)
        return;
    const bool forWindow = node.isElement("body") || node.isElement("frameset");
    for (const auto &[name, value] : node.attributes) {
        if (!name.startsWith(u"on") || name.size() < 3)
            continue;
        const QString type = name.mid(2);
        const int target = forWindow && isWindowHandler(type) ? EventTargets::windowTarget
                                                              : element;
        if (!m_page.events.setContentHandler(target, type, value, element))
            m_page.runtime.fail(BrowserReason::ScriptNotSettled);
    }
}

void ScriptRunner::runParserScripts()
{
    const Dom &dom = m_page.document.dom();
    const int parsed = dom.size();
    for (int element = 0; element < parsed && !m_page.runtime.stopped(); ++element) {
        const DomNode &node = dom.node(element);
        if (node.kind != DomNode::Element || node.name != u"script")
            continue;
        if (node.ns != DomNode::Html) {
            m_page.runtime.notModelled("SVG script element");
            return;
        }
        // The parser has made the element and its text when it runs it.
        int last = element;
        for (int inside = dom.next(element, element); inside != -1;
             inside = dom.next(inside, element))
            last = std::max(last, inside);
        revealParsedUpTo(last);
        const std::optional<Prepared> prepared = prepare(element, true);
        if (!prepared)
            continue;
        switch (prepared->timing) {
        case Timing::Now:
            m_parserScript = element;
            execute(prepared->script);
            m_page.runtime.runMicrotasks();
            m_parserScript = ScriptDocument::noNode;
            checkWrites(element);
            break;
        case Timing::Deferred:
            m_deferred.push_back(prepared->script);
            break;
        case Timing::Async:
        case Timing::WhenArrived:
            m_async.push_back(prepared->script);
            break;
        }
    }
    if (parsed > 0)
        revealParsedUpTo(parsed - 1);
    m_page.document.finishParsing();
}

std::optional<ScriptRunner::Prepared> ScriptRunner::prepare(int element, bool parserInserted)
{
    ScriptDocument &document = m_page.document;
    if (m_started.contains(element) || document.isMarkupScript(element)
        || !document.isConnected(element))
        return std::nullopt;
    const QString src = document.attribute(element, QStringLiteral("src"));
    QString text;
    for (int child : document.childNodes(element)) {
        if (document.nodeType(child) == DomNodeType::Text)
            text += document.nodeValue(child);
    }
    if (src.isNull() && text.isEmpty())
        return std::nullopt;
    const ScriptKind kind = scriptKind(document.attribute(element, QStringLiteral("type")),
                                       document.attribute(element, QStringLiteral("language")));
    if (kind == ScriptKind::NotScript)
        return std::nullopt;
    m_started.insert(element);
    if (kind == ScriptKind::Module || kind == ScriptKind::Uncertain) {
        m_page.runtime.notModelled(kind == ScriptKind::Module ? "module script"
                                                              : "script type with parameters");
        return std::nullopt;
    }
    if (document.hasAttribute(element, QStringLiteral("nomodule")))
        return std::nullopt;
    if (src.isNull())
        return Prepared{Script{element, text, m_page.context.pageUrl, false}, Timing::Now};
    Timing timing = Timing::WhenArrived;
    if (parserInserted) {
        timing = document.hasAttribute(element, QStringLiteral("async")) ? Timing::Async
            : document.hasAttribute(element, QStringLiteral("defer"))    ? Timing::Deferred
                                                                         : Timing::Now;
    }
    std::optional<Script> script = fetch(element, src);
    if (script)
        return Prepared{*script, timing};
    // The parser waits for a script that blocks it, even one that fails to load.
    if (timing == Timing::Now) {
        EventTargets::fire(m_page, element, QStringLiteral("error"));
        m_page.runtime.runMicrotasks();
    } else {
        fireLater(element, "error");
    }
    return std::nullopt;
}

std::optional<ScriptRunner::Script> ScriptRunner::fetch(int element, const QString &src)
{
    const QUrl url = QUrl(m_page.context.baseUrl).resolved(QUrl(src.trimmed()));
    if (src.trimmed().isEmpty() || !url.isValid())
        return std::nullopt;
    const QString address = url.toString(QUrl::FullyEncoded);
    const std::optional<QByteArray> bytes = m_read(address, PageResourceKind::Script);
    if (!bytes)
        return std::nullopt;
    const std::optional<QString> source = ScriptSources::decoded(
        *bytes, m_page.document.attribute(element, QStringLiteral("charset")),
        m_page.context.encoding);
    if (!source) {
        m_page.runtime.notModelled("script charset");
        return std::nullopt;
    }
    return Script{element, *source, address, true};
}

void ScriptRunner::execute(const Script &script)
{
    if (m_depth >= nestingBound) {
        m_page.runtime.fail(BrowserReason::ScriptNotSettled);
        return;
    }
    ++m_depth;
    const int outerScript = std::exchange(m_page.currentScript, script.element);
    m_page.runtime.runScript(script.source, script.url);
    m_page.currentScript = outerScript;
    --m_depth;
    if (script.external && !m_page.runtime.stopped())
        EventTargets::fire(m_page, script.element, QStringLiteral("load"));
}

void ScriptRunner::fireLater(int element, const char *type)
{
    ScriptPage *page = &m_page;
    const QString eventType = QString::fromLatin1(type);
    page->runtime.loop().post([page, element, eventType] {
        v8::HandleScope handles(page->isolate());
        EventTargets::fire(*page, element, eventType);
    });
}

void ScriptRunner::takeInsertedScripts()
{
    ScriptDocument &document = m_page.document;
    for (int element : document.takeConnectedResourceElements()) {
        const DomNode &node = document.dom().node(element);
        if (node.kind != DomNode::Element || node.name != u"script" || node.ns != DomNode::Html)
            continue;
        const std::optional<Prepared> prepared = prepare(element, false);
        if (!prepared)
            continue;
        if (prepared->timing == Timing::Now) {
            execute(prepared->script);
            continue;
        }
        ScriptRunner *runner = this;
        const Script script = prepared->script;
        m_page.runtime.loop().post([runner, script] {
            v8::HandleScope handles(runner->m_page.isolate());
            runner->execute(script);
        });
    }
}

void ScriptRunner::setReadyState(const char *state)
{
    m_page.readyState = QString::fromLatin1(state);
    EventTargets::fire(m_page, ScriptDocument::documentNode, QStringLiteral("readystatechange"));
    m_page.runtime.runMicrotasks();
}

void ScriptRunner::finishLoading()
{
    PageRuntime &runtime = m_page.runtime;
    const auto stopped = [&] { return runtime.stopped(); };
    setReadyState("interactive");
    for (const Script &script : m_deferred) {
        if (runtime.stopped())
            return;
        execute(script);
        runtime.runMicrotasks();
    }
    if (runtime.stopped())
        return;
    EventTargets::fire(m_page, ScriptDocument::documentNode, QStringLiteral("DOMContentLoaded"),
                       true);
    runtime.runMicrotasks();
    for (const Script &script : m_async) {
        if (runtime.stopped())
            return;
        execute(script);
        runtime.runMicrotasks();
    }
    if (!runtime.loop().runTasks(stopped))
        return;
    setReadyState("complete");
    if (!runtime.stopped())
        EventTargets::fire(m_page, EventTargets::windowTarget, QStringLiteral("load"));
    runtime.runMicrotasks();
}
