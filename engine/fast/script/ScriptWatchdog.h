#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace v8 {
class Isolate;
}

// Stops a page's scripts that run too long: one task (a script, a timer, an event's listeners)
// past its own bound, or all of a page's tasks together past theirs. The only thread of the
// runtime besides the one running the scripts, made once for the isolate and kept from page to
// page; it does nothing but wait and, at most once a page, ask V8 to end what runs.
class ScriptWatchdog
{
public:
    using Clock = std::chrono::steady_clock;

    explicit ScriptWatchdog(v8::Isolate *isolate);
    ~ScriptWatchdog();
    ScriptWatchdog(const ScriptWatchdog &) = delete;
    ScriptWatchdog &operator=(const ScriptWatchdog &) = delete;

    // A page's scripts begin, each of its tasks bound to `taskBound`, all of them to `pageBound`.
    void startPage(Clock::duration taskBound, Clock::duration pageBound);
    // After this, nothing is ended until the next page starts.
    void endPage();
    void taskStarted();
    void taskEnded();
    // Whether it has ended the page's scripts; once true, it stays so for the page.
    bool fired() const;

private:
    void watch();

    v8::Isolate *const m_isolate;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Clock::duration m_taskBound{};
    Clock::duration m_pageTimeLeft{};
    Clock::time_point m_deadline = Clock::time_point::max();
    Clock::time_point m_taskStart;
    bool m_pageRunning = false;
    bool m_fired = false;
    bool m_stopping = false;
    std::thread m_thread;
};
