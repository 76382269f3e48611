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
// runtime besides the one running the scripts; it does nothing but wait and, at most once, ask
// V8 to end what runs.
class ScriptWatchdog
{
public:
    using Clock = std::chrono::steady_clock;

    ScriptWatchdog(v8::Isolate *isolate, Clock::duration taskBound, Clock::duration pageBound);
    ~ScriptWatchdog();
    ScriptWatchdog(const ScriptWatchdog &) = delete;
    ScriptWatchdog &operator=(const ScriptWatchdog &) = delete;

    void taskStarted();
    void taskEnded();
    // Whether it has ended the scripts; once true, it stays so.
    bool fired() const;

private:
    void watch();

    v8::Isolate *const m_isolate;
    const Clock::duration m_taskBound;
    Clock::duration m_pageTimeLeft;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Clock::time_point m_deadline = Clock::time_point::max();
    Clock::time_point m_taskStart;
    bool m_fired = false;
    bool m_stopping = false;
    std::thread m_thread;
};
