#include "PageScripts.h"

#include "DocumentWrites.h"
#include "InterfaceTemplates.h"
#include "PageRuntime.h"
#include "ScriptDiagnostics.h"
#include "ScriptPage.h"
#include "ScriptRunner.h"

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

struct Attempt
{
    std::optional<BrowserReason> reason;
    std::optional<ScriptRunner::Rewrite> rewrite;
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
    runtime.createContext(templates.globalTemplate());
    v8::Context::Scope contextScope(runtime.context());
    ScriptDocument document(dom);
    ScriptPage page(runtime, document, templates, context);
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
    // An error after a write may come of the written nodes not being there yet.
    if (runner.rewrite() && (!runtime.stopped() || runtime.reason() == BrowserReason::ScriptError))
        attempt.rewrite = runner.rewrite();
    return attempt;
}

// The page parsed again with what a script wrote after it: false when the parser would not
// have made the nodes before the script as it made them the first time.
bool parseWithWrite(Dom &dom, DocumentWrites &writes, const ScriptRunner::Rewrite &rewrite)
{
    const Dom::ParseOptions options{true, true};
    const Dom before = Dom::parseInput(writes.input(), options);
    const qsizetype scriptEnd = before.sourceSpan(rewrite.script).end;
    if (scriptEnd < 0 || !writes.setWrittenAfter(scriptEnd, rewrite.markup))
        return false;
    int last = rewrite.script;
    for (int inside = before.next(last, rewrite.script); inside != -1;
         inside = before.next(inside, rewrite.script))
        last = std::max(last, inside);
    Dom after = Dom::parseInput(writes.input(), options);
    if (!sameParseUpTo(before, after, last))
        return false;
    dom = std::move(after);
    return true;
}

} // namespace

std::optional<BrowserReason> runPageScripts(Dom &dom, const QByteArray &utf8,
                                            const PageScriptContext &context,
                                            const PageResourceReader &read)
{
    DocumentWrites writes(utf8);
    for (int rewrites = 0;; ++rewrites) {
        const Attempt attempt = runScriptsOnce(dom, writes, context, read);
        if (!attempt.rewrite) {
            dom.finishEditing();
            return attempt.reason;
        }
        if (rewrites == DocumentWrites::maxRewrites
            || !parseWithWrite(dom, writes, *attempt.rewrite)) {
            memberNotModelled = "document.write of markup not parsed as the browser parses it";
            return BrowserReason::ScriptNotModelled;
        }
    }
}
