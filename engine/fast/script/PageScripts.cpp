#include "PageScripts.h"

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

std::optional<BrowserReason> runPageScripts(Dom &dom, const PageScriptContext &context,
                                            const PageResourceReader &read)
{
    std::optional<BrowserReason> reason;
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
        ScriptRunner runner(page, read);
        page.treeChanged = [&runner] { runner.takeInsertedScripts(); };
        runtime.setErrorsHeard([&page] {
            return page.events.listensFor(QStringLiteral("error"), EventTargets::windowTarget);
        });
        reason = runner.run();
        memberNotModelled = runtime.memberNotModelled();
    }
    dom.finishEditing();
    return reason;
}
