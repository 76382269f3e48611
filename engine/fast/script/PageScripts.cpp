#include "PageScripts.h"

#include "DocumentWrites.h"
#include "InterfaceTemplates.h"
#include "PageCascade.h"
#include "PageRuntime.h"
#include "ScriptDiagnostics.h"
#include "ScriptPage.h"
#include "ScriptRunner.h"
#include "WindowSnapshot.h"

#include <v8-locker.h>
#include <v8-script.h>

#include <mutex>

namespace {

thread_local std::string memberNotModelled;

} // namespace

const std::string &lastMemberNotModelled()
{
    return memberNotModelled;
}

namespace {

// The interfaces' templates belong to the isolate, and serve every page.
InterfaceTemplates &sharedTemplates(v8::Isolate *isolate)
{
    static InterfaceTemplates *const templates = [isolate] {
        auto *made = new InterfaceTemplates(isolate);
        PageRuntime::windowSnapshot().giveTemplates(isolate, *made);
        PageRuntime::beforeIsolateEnds([made] { delete made; });
        return made;
    }();
    return *templates;
}

// Pages take the one isolate in turn.
std::mutex pagesInTurn;

} // namespace

void prepareScriptRuntime()
{
    const std::lock_guard turn(pagesInTurn);
    v8::Isolate *isolate = PageRuntime::sharedIsolate();
    const v8::Locker locker(isolate);
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handles(isolate);
    const v8::Local<v8::Context> context = v8::Context::New(isolate);
    v8::Context::Scope contextScope(context);
    // Dates and their time zone, and the locale's formats, read their data now.
    const char warmUp[] = "new Date(0).toString() + new Date(0).toLocaleString()"
                          " + (1.5).toLocaleString() + 'a'.localeCompare('b')";
    v8::Local<v8::Script> script;
    if (v8::Script::Compile(context, v8::String::NewFromUtf8Literal(isolate, warmUp))
            .ToLocal(&script))
        script->Run(context).IsEmpty();
}

namespace {

// Scripts walk comments too; what they write goes into the page's input by its places.
constexpr Dom::ParseOptions scriptParse{true, true};

struct Attempt
{
    std::optional<BrowserReason> reason;
    std::vector<ScriptRunner::Rewrite> rewrites;
    std::optional<Dom> treeAsParsed;
};

Attempt runScriptsOnce(Dom &dom, const DocumentWrites &writes, const PageScriptContext &context,
                       const PageResourceReader &read)
{
    const std::lock_guard turn(pagesInTurn);
    v8::Isolate *isolate = PageRuntime::sharedIsolate();
    const v8::Locker locker(isolate);
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handles(isolate);
    PageRuntime runtime{RuntimeBounds{}};
    InterfaceTemplates &templates = sharedTemplates(isolate);
    templates.startPage();
    runtime.createContext();
    v8::Context::Scope contextScope(runtime.context());
    ScriptDocument document(dom);
    ScriptPage page(runtime, document, templates, context);
    PageCascade cascade(document, context, read);
    page.cascade = &cascade;
    ScriptRunner runner(page, read, writes);
    page.treeChanged = [&runner] { runner.takeInsertedScripts(); };
    runtime.setErrorsHeard([&page] {
        return page.events.listensFor(QStringLiteral("error"), EventTargets::windowTarget);
    });
    page.documentWrite = [&runner](const QString &markup) { runner.write(markup); };
    Attempt attempt;
    attempt.reason = runner.run();
    memberNotModelled = runtime.memberNotModelled();
    // An offset read for a scroll position that went elsewhere; a scroll some listener hears.
    if (!attempt.reason
        && (page.pendingScroll
            || (page.scrolled && page.events.listensFor(QStringLiteral("scroll"))))) {
        attempt.reason = BrowserReason::ScriptNotModelled;
        memberNotModelled = "HTMLElement.offsetTop";
    }
    // The runtime tells no page of a promise left rejected (a failed fetch(), a script's own):
    // only a page that listens for that could see it.
    if (!attempt.reason
        && (page.events.listensFor(QStringLiteral("unhandledrejection"))
            || page.events.listensFor(QStringLiteral("rejectionhandled")))) {
        attempt.reason = BrowserReason::ScriptNotModelled;
        memberNotModelled = "Window.onunhandledrejection";
    }
    // An error after a write may come of the written nodes not being there yet.
    if (!runtime.stopped() || runtime.reason() == BrowserReason::ScriptError) {
        attempt.rewrites = runner.rewrites();
        attempt.treeAsParsed = runner.takeTreeAsParsed();
    }
    return attempt;
}

// The parser's script whose end tag ends at `scriptEnd`, and the last node in it.
std::optional<std::pair<int, int>> scriptEndingAt(const Dom &dom, qsizetype scriptEnd)
{
    for (int script = 0; script < dom.size(); ++script) {
        if (!dom.node(script).isElement("script") || dom.sourceSpan(script).end != scriptEnd)
            continue;
        int last = script;
        for (int inside = dom.next(script, script); inside != -1; inside = dom.next(inside, script))
            last = std::max(last, inside);
        return std::pair{script, last};
    }
    return std::nullopt;
}

// The page parsed again with what its scripts wrote after them, one script at a time: false
// when the parser would not have made the nodes before a script as it made them without what
// the script wrote.
bool parseWithWrites(Dom &dom, DocumentWrites &writes, Attempt attempt, int &parsesLeft)
{
    const std::vector<ScriptRunner::Rewrite> &rewrites = attempt.rewrites;
    parsesLeft -= int(std::min(rewrites.size(), std::size_t(DocumentWrites::maxParses))) + 1;
    if (parsesLeft < 0)
        return false;
    Dom parsed = attempt.treeAsParsed ? std::move(*attempt.treeAsParsed)
                                      : Dom::parseInput(writes.input(), scriptParse);
    // The scripts by their place in the page's own input, which writes before them leave.
    std::vector<std::pair<qsizetype, QString>> places;
    for (const ScriptRunner::Rewrite &rewrite : rewrites) {
        const qsizetype end = parsed.sourceSpan(rewrite.script).end;
        const std::optional<qsizetype> place = end < 0 ? std::nullopt : writes.pageOffset(end);
        if (!place)
            return false;
        places.emplace_back(*place, rewrite.markup);
    }
    for (const auto &[place, markup] : places) {
        const qsizetype end = writes.inputOffset(place);
        const std::optional<std::pair<int, int>> script = scriptEndingAt(parsed, end);
        if (!script || !writes.setWrittenAfter(end, markup))
            return false;
        Dom next = Dom::parseInput(writes.input(), scriptParse);
        if (!sameParseUpTo(parsed, next, script->second))
            return false;
        parsed = std::move(next);
    }
    dom = std::move(parsed);
    return true;
}

} // namespace

Dom parsePageForScripts(const QByteArray &utf8)
{
    return Dom::parse(utf8, scriptParse);
}

std::optional<BrowserReason> runPageScripts(Dom &dom, const QByteArray &utf8,
                                            const PageScriptContext &context,
                                            const PageResourceReader &read)
{
    DocumentWrites writes(utf8);
    int parsesLeft = DocumentWrites::maxParses;
    for (int rewrites = 0;; ++rewrites) {
        Attempt attempt = runScriptsOnce(dom, writes, context, read);
        if (attempt.rewrites.empty()) {
            dom.finishEditing();
            return attempt.reason;
        }
        if (rewrites == DocumentWrites::maxRewrites
            || !parseWithWrites(dom, writes, std::move(attempt), parsesLeft)) {
            memberNotModelled = "document.write of markup not parsed as the browser parses it";
            return BrowserReason::ScriptNotModelled;
        }
    }
}
