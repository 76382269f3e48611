#pragma once

#include "EventLoop.h"
#include "V8Setup.h"

#include "engine/BrowserReason.h"

#include <QString>

#include <v8-context.h>
#include <v8-exception.h>
#include <v8-function.h>
#include <v8-isolate.h>
#include <v8-microtask-queue.h>
#include <v8-persistent-handle.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class ScriptWatchdog;
class WindowSnapshot;

// What a page's scripts may take, in time and memory, before the page is left to the browser.
struct RuntimeBounds
{
    std::chrono::milliseconds taskTime{2000};
    std::chrono::milliseconds pageTime{5000};
    std::size_t heapBytes = 256u << 20;
    std::size_t arrayBufferBytes = 64u << 20;
    EventLoop::Bounds loop;
};

// One page's V8: a context of its own in the process's isolate (made once: the sandbox the
// pages run in lets V8 read none of the files it reads as it makes one), with its own queue of
// microtasks, its event loop and the watchdog over its time.
// Every call into the page's code goes through here, so that an error nothing caught, a script
// ended for its time or memory, or a member used that is not modelled, stops all the rest and is
// remembered as the reason the page goes to the browser.
class PageRuntime
{
public:
    explicit PageRuntime(const RuntimeBounds &bounds);
    // The isolate every page of this process runs in, made on first use.
    static v8::Isolate *sharedIsolate();
    // What that isolate's pages' windows are copied from.
    static const WindowSnapshot &windowSnapshot();
    // Releases what holds handles into that isolate before it goes, at the process's end.
    static void beforeIsolateEnds(std::function<void()> release);
    ~PageRuntime();
    PageRuntime(const PageRuntime &) = delete;
    PageRuntime &operator=(const PageRuntime &) = delete;

    // The runtime of the page whose isolate runs the current callback.
    static PageRuntime &of(v8::Isolate *isolate);

    // Makes the page's context, a fresh window, once.
    void createContext();

    v8::Isolate *isolate() const { return m_isolate; }
    v8::Local<v8::Context> context() const { return m_context.Get(m_isolate); }
    EventLoop &loop() { return m_loop; }

    // Runs a classic script as one task.
    void runScript(const QString &source, const QString &url);
    // Calls a function of the page's as (part of) a task; what it returns, unless it threw.
    v8::MaybeLocal<v8::Value> call(v8::Local<v8::Function> function, v8::Local<v8::Value> receiver,
                                   int argc, v8::Local<v8::Value> argv[]);
    void runMicrotasks();

    // Stops every script of the page for good: the page goes to the browser for `reason`, or
    // for the first reason given.
    void fail(BrowserReason reason);
    // Whether the page listens for the errors its tasks leave uncaught. Where it does not, such
    // an error only ends its task, as in the browser, which reports it where no script sees it.
    void setErrorsHeard(std::function<bool()> heard) { m_errorsHeard = std::move(heard); }
    // Told by a member that throws: an error of ours that nothing caught is one the browser may
    // not have thrown, so it sends the page to the browser rather than end its task only.
    void memberThrew() { m_memberThrewInTask = true; }
    // Stops the scripts at an error nothing caught.
    void uncaught(v8::Local<v8::Value> exception, v8::Local<v8::Message> message);
    // Stops the scripts at a member the runtime does not do as the browser does.
    void notModelled(const std::string &member);
    // The first such member used, or the error nothing caught, for the figures of a run:
    // which members matter most.
    const std::string &memberNotModelled() const { return m_memberNotModelled; }
    bool stopped() const { return m_reason.has_value(); }
    std::optional<BrowserReason> reason() const { return m_reason; }

private:
    // Whether `tryCatch` caught what makes the page fail; then it has failed.
    bool failedOn(const v8::TryCatch &tryCatch);
    bool endsItsTaskOnly(v8::Local<v8::Value> exception) const;
    // Counts a task (or a call inside one) begun and ended; the outermost is timed.
    void enterTask();
    void leaveTask();
    static size_t nearHeapLimit(void *data, size_t currentLimit, size_t initialLimit);

    v8::Isolate *m_isolate = nullptr;
    std::unique_ptr<v8::MicrotaskQueue> m_microtasks;
    v8::Global<v8::Context> m_context;
    size_t m_initialHeapLimit = 0; // known once the page reached it
    EventLoop m_loop;
    ScriptWatchdog *m_watchdog = nullptr; // the isolate's, watching this page while it lives
    std::optional<BrowserReason> m_reason;
    int m_taskDepth = 0;
    bool m_memberThrewInTask = false;
    std::string m_memberNotModelled;
    std::function<bool()> m_errorsHeard;
};
