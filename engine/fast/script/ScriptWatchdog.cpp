#include "ScriptWatchdog.h"

#include <v8-isolate.h>

#include <algorithm>

ScriptWatchdog::ScriptWatchdog(v8::Isolate *isolate, Clock::duration taskBound,
                               Clock::duration pageBound)
    : m_isolate(isolate)
    , m_taskBound(taskBound)
    , m_pageTimeLeft(pageBound)
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

void ScriptWatchdog::taskStarted()
{
    {
        std::lock_guard lock(m_mutex);
        m_taskStart = Clock::now();
        m_deadline = m_taskStart + std::min(m_taskBound, m_pageTimeLeft);
    }
    m_wake.notify_one();
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
        if (m_deadline == Clock::time_point::max()) {
            m_wake.wait(lock);
        } else if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout
                   && Clock::now() >= m_deadline) {
            m_fired = true;
            m_deadline = Clock::time_point::max();
            m_isolate->TerminateExecution();
        }
    }
}
