#include "ScriptWatchdog.h"

#include <v8-isolate.h>

#include <algorithm>

namespace {

// While a page runs, the watchdog looks in at least this often, so that a task's start need not
// wake it (a page runs hundreds of tasks, each a switch between threads if it did): a task that
// outruns its bound is ended this much late at most.
constexpr std::chrono::milliseconds lookInterval{25};

} // namespace

ScriptWatchdog::ScriptWatchdog(v8::Isolate *isolate)
    : m_isolate(isolate)
    , m_thread([this] { watch(); })
{
}

ScriptWatchdog::~ScriptWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void ScriptWatchdog::startPage(Clock::duration taskBound, Clock::duration pageBound)
{
    {
        std::lock_guard lock(m_mutex);
        m_taskBound = taskBound;
        m_pageTimeLeft = pageBound;
        m_deadline = Clock::time_point::max();
        m_fired = false;
        m_pageRunning = true;
    }
    m_wake.notify_one();
}

void ScriptWatchdog::endPage()
{
    std::lock_guard lock(m_mutex);
    m_pageRunning = false;
    m_deadline = Clock::time_point::max();
}

void ScriptWatchdog::taskStarted()
{
    std::lock_guard lock(m_mutex);
    m_taskStart = Clock::now();
    m_deadline = m_taskStart + std::min(m_taskBound, m_pageTimeLeft);
}

void ScriptWatchdog::taskEnded()
{
    std::lock_guard lock(m_mutex);
    m_pageTimeLeft -= std::min(m_pageTimeLeft, Clock::now() - m_taskStart);
    m_deadline = Clock::time_point::max();
}

bool ScriptWatchdog::fired() const
{
    std::lock_guard lock(m_mutex);
    return m_fired;
}

void ScriptWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (!m_pageRunning) {
            m_wake.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (now >= m_deadline) {
            m_fired = true;
            m_deadline = Clock::time_point::max();
            m_isolate->TerminateExecution();
        }
        m_wake.wait_until(lock, std::min(m_deadline, now + lookInterval));
    }
}
