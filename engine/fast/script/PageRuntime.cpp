#include "PageRuntime.h"

#include "ScriptSources.h"
#include "ScriptWatchdog.h"
#include "V8Strings.h"
#include "WindowSnapshot.h"

#include <v8-exception.h>
#include <v8-microtask-queue.h>
#include <v8-script.h>

#include <functional>
#include <string_view>
#include <vector>

namespace {

// The room V8 is given past its heap's limit to reach the point where it can stop the script.
constexpr size_t heapLimitHeadroom = 64u << 20;

} // namespace

namespace {

// The process's isolate, given back at its end with what holds handles into it.
struct SharedIsolate
{
    ArrayBufferAllocatorPointer allocator;
    std::unique_ptr<WindowSnapshot> window;
    v8::Isolate *isolate = nullptr;
    std::vector<std::function<void()>> beforeDisposal;

    ~SharedIsolate()
    {
        for (const auto &release : beforeDisposal)
            release();
        if (isolate)
            isolate->Dispose();
    }
};

SharedIsolate &shared()
{
    static SharedIsolate isolate;
    return isolate;
}

// One watchdog thread serves every page of the isolate: a thread a page would cost more than a
// small page's scripts.
ScriptWatchdog &sharedWatchdog(v8::Isolate *isolate)
{
    static ScriptWatchdog *const watchdog = [isolate] {
        auto *made = new ScriptWatchdog(isolate);
        PageRuntime::beforeIsolateEnds([made] { delete made; });
        return made;
    }();
    return *watchdog;
}

v8::Isolate *makeIsolate(v8::ArrayBuffer::Allocator *allocator, WindowSnapshot &window)
{
    v8::Isolate::CreateParams params;
    params.array_buffer_allocator = allocator;
    window.configure(params);
    params.constraints.ConfigureDefaultsFromHeapSize(0, RuntimeBounds{}.heapBytes);
    v8::Isolate *isolate = v8::Isolate::New(params);
    isolate->SetMicrotasksPolicy(v8::MicrotasksPolicy::kExplicit);
    // What no TryCatch of ours sees: an exception thrown by a microtask's callback.
    isolate->AddMessageListenerWithErrorLevel(
        [](v8::Local<v8::Message> message, v8::Local<v8::Value>) {
        v8::Isolate *current = v8::Isolate::GetCurrent();
        if (current->GetData(0))
            PageRuntime::of(current).uncaught(message->Get(), message);
        },
        v8::Isolate::kMessageError);
    return isolate;
}

} // namespace

v8::Isolate *PageRuntime::sharedIsolate()
{
    // V8's platform, made first, goes after the isolate at the process's end.
    initialiseV8();
    SharedIsolate &held = shared();
    if (!held.isolate) {
        held.allocator = newBoundedArrayBufferAllocator(RuntimeBounds{}.arrayBufferBytes);
        held.window = std::make_unique<WindowSnapshot>();
        held.isolate = makeIsolate(held.allocator.get(), *held.window);
    }
    return held.isolate;
}

const WindowSnapshot &PageRuntime::windowSnapshot()
{
    sharedIsolate();
    return *shared().window;
}

void PageRuntime::beforeIsolateEnds(std::function<void()> release)
{
    // The platform must outlive the isolate's holder, which this may be the first to make.
    initialiseV8();
    shared().beforeDisposal.push_back(std::move(release));
}

PageRuntime::PageRuntime(const RuntimeBounds &bounds)
    : m_isolate(sharedIsolate())
    , m_microtasks(v8::MicrotaskQueue::New(m_isolate, v8::MicrotasksPolicy::kExplicit))
    , m_loop(bounds.loop)
{
    m_isolate->SetData(0, this);
    m_isolate->AddNearHeapLimitCallback(&PageRuntime::nearHeapLimit, this);
    m_watchdog = &sharedWatchdog(m_isolate);
    m_watchdog->startPage(bounds.taskTime, bounds.pageTime);
    m_loop.setAfterTask([this] { runMicrotasks(); });
}

void PageRuntime::createContext()
{
    m_context.Reset(m_isolate, WindowSnapshot::newWindow(m_isolate, m_microtasks.get()));
}

PageRuntime::~PageRuntime()
{
    m_watchdog->endPage();
    m_loop.clear();
    m_context.Reset();
    m_microtasks.reset();
    // The next page starts afresh: not ended, with the heap's own limit and, after a page that
    // ran away, without its garbage. A page that merely threw leaves garbage as any other does,
    // for the collector's own time: a full collection here would cost more than the page itself,
    // and would throw away the code compiled for the scripts the next page loads again.
    m_isolate->CancelTerminateExecution();
    m_isolate->RemoveNearHeapLimitCallback(&PageRuntime::nearHeapLimit, m_initialHeapLimit);
    if (m_reason == BrowserReason::ScriptNotSettled)
        m_isolate->LowMemoryNotification();
    m_isolate->SetData(0, nullptr);
}

PageRuntime &PageRuntime::of(v8::Isolate *isolate)
{
    return *static_cast<PageRuntime *>(isolate->GetData(0));
}

size_t PageRuntime::nearHeapLimit(void *data, size_t currentLimit, size_t initialLimit)
{
    auto *runtime = static_cast<PageRuntime *>(data);
    runtime->m_initialHeapLimit = initialLimit;
    runtime->fail(BrowserReason::ScriptNotSettled);
    return currentLimit + heapLimitHeadroom;
}

void PageRuntime::fail(BrowserReason reason)
{
    if (!m_reason)
        m_reason = reason;
    m_isolate->TerminateExecution();
}

void PageRuntime::notModelled(const std::string &member)
{
    if (!m_reason)
        m_memberNotModelled = member;

    fail(BrowserReason::ScriptNotModelled);
}

void PageRuntime::uncaught(v8::Local<v8::Value> exception, v8::Local<v8::Message> message)
{
    if (!m_reason) {
        const v8::String::Utf8Value text(m_isolate, exception);
        m_memberNotModelled = *text ? *text : "";
        if (!message.IsEmpty()) {
            const v8::String::Utf8Value script(m_isolate, message->GetScriptResourceName());
            m_memberNotModelled += " (" + std::string(*script ? *script : "") + ':'
                + std::to_string(message->GetLineNumber(context()).FromMaybe(0)) + ')';
        }
    }
    fail(BrowserReason::ScriptError);
}

bool PageRuntime::failedOn(const v8::TryCatch &tryCatch)
{
    if (m_watchdog->fired())
        fail(BrowserReason::ScriptNotSettled);
    if (stopped())
        return true;
    if (tryCatch.HasTerminated()) {
        fail(BrowserReason::ScriptNotSettled);
        return true;
    }
    if (tryCatch.HasCaught()) {
        if (m_taskDepth == 0 && endsItsTaskOnly(tryCatch.Exception()))
            return false;
        uncaught(tryCatch.Exception(), tryCatch.Message());
        return true;
    }
    return false;
}

// An error nothing caught ends its task and no more, as in the browser, where the page does not
// listen for such errors. Not modelled: one inside a call the page's own code made (an event it
// dispatched); a task in which one of our members threw, since that error may be ours alone; and
// a RangeError, which may come of a bound of ours the browser's differ from (the stack's depth,
// an array buffer's size).
bool PageRuntime::endsItsTaskOnly(v8::Local<v8::Value> exception) const
{
    if (!m_errorsHeard || m_errorsHeard() || m_memberThrewInTask)
        return false;
    if (!exception->IsObject())
        return true;
    const v8::String::Utf8Value constructor(m_isolate,
                                            exception.As<v8::Object>()->GetConstructorName());
    return std::string_view(*constructor ? *constructor : "") != "RangeError";
}

// A task begun inside another (an event or a script the page itself dispatches or inserts) is
// part of the outer task, already timed: timing it anew would leave the outer task's rest
// without a deadline.
void PageRuntime::enterTask()
{
    if (m_taskDepth++ == 0) {
        m_memberThrewInTask = false;
        m_watchdog->taskStarted();
    }
}

void PageRuntime::leaveTask()
{
    if (--m_taskDepth == 0)
        m_watchdog->taskEnded();
}

void PageRuntime::runScript(const QString &source, const QString &url)
{
    if (stopped())
        return;
    v8::HandleScope handles(m_isolate);
    v8::TryCatch tryCatch(m_isolate);
    const v8::Local<v8::Context> context = this->context();
    v8::ScriptOrigin origin(m_isolate, toV8(m_isolate, url));
    v8::Local<v8::Script> script;
    enterTask();
    if (v8::Script::Compile(context, ScriptSources::v8Source(m_isolate, source), &origin)
            .ToLocal(&script))
        script->Run(context).IsEmpty();
    leaveTask();
    failedOn(tryCatch);
}

v8::MaybeLocal<v8::Value> PageRuntime::call(v8::Local<v8::Function> function,
                                            v8::Local<v8::Value> receiver, int argc,
                                            v8::Local<v8::Value> argv[])
{
    if (stopped())
        return {};
    v8::EscapableHandleScope handles(m_isolate);
    v8::TryCatch tryCatch(m_isolate);
    enterTask();
    v8::MaybeLocal<v8::Value> result = function->Call(context(), receiver, argc, argv);
    leaveTask();
    if (failedOn(tryCatch))
        return {};
    return handles.EscapeMaybe(result);
}

void PageRuntime::runMicrotasks()
{
    if (stopped())
        return;
    v8::HandleScope handles(m_isolate);
    v8::TryCatch tryCatch(m_isolate);
    enterTask();
    m_microtasks->PerformCheckpoint(m_isolate);
    leaveTask();
    failedOn(tryCatch);
}
