#include "PageScripts.h"

#include "InterfaceTemplates.h"
#include "PageRuntime.h"
#include "ScriptDiagnostics.h"
#include "ScriptPage.h"
#include "ScriptRunner.h"

namespace {

thread_local std::string memberNotModelled;

} // namespace

const std::string &lastMemberNotModelled()
{
    return memberNotModelled;
}

std::optional<BrowserReason> runPageScripts(Dom &dom, const PageScriptContext &context,
                                            const PageResourceReader &read)
{
    std::optional<BrowserReason> reason;
    {
        PageRuntime runtime{RuntimeBounds{}};
        v8::Isolate *isolate = runtime.isolate();
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handles(isolate);
        InterfaceTemplates templates(isolate);
        runtime.createContext(templates.globalTemplate());
        v8::Context::Scope contextScope(runtime.context());
        ScriptDocument document(dom);
        ScriptPage page(runtime, document, templates, context);
        ScriptRunner runner(page, read);
        page.treeChanged = [&runner] { runner.takeInsertedScripts(); };
        reason = runner.run();
        memberNotModelled = runtime.memberNotModelled();
    }
    dom.finishEditing();
    return reason;
}
