#include "EventLoop.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// As the browser: timers nested deeper than this wait at least the clamp.
constexpr int nestingBeforeClamp = 5;
constexpr double clampMs = 4;
// The browser runs no timer sooner than a millisecond after it was set.
constexpr double shortestDelayMs = 1;
constexpr double frameIntervalMs = 16;
// Beyond this a delay is as good as never; it also keeps the clock's sums exact.
constexpr double longestDelayMs = 2147483647;

} // namespace

bool EventLoop::full()
{
    if (m_tasks.size() + m_timers.size() + m_frameCallbacks.size() < m_bounds.pending)
        return false;
    m_overflowed = true;
    return true;
}

void EventLoop::post(Task task)
{
    if (!full())
        m_tasks.push_back(std::move(task));
}

int EventLoop::setTimer(double delayMs, bool repeats, Task task)
{
    const int id = ++m_lastTimerId;
    if (full())
        return id;
    if (!(delayMs >= shortestDelayMs) || delayMs > longestDelayMs)
        delayMs = shortestDelayMs;
    const int nesting = m_nesting + 1;
    if (nesting > nestingBeforeClamp)
        delayMs = std::max(delayMs, clampMs);
    const TimerKey key{m_now + delayMs, ++m_order};
    m_timers.emplace(key,
                     Timer{id, delayMs, repeats, nesting, std::make_shared<Task>(std::move(task))});
    m_timerKeys.emplace(id, key);
    return id;
}

void EventLoop::postAfter(double delayMs, Task task)
{
    if (full())
        return;
    const TimerKey key{m_now + delayMs, ++m_order};
    m_timers.emplace(key, Timer{0, delayMs, false, 0, std::make_shared<Task>(std::move(task))});
}

void EventLoop::clearTimer(int id)
{
    const auto key = m_timerKeys.find(id);
    if (key == m_timerKeys.end())
        return;
    m_timers.erase(key->second);
    m_timerKeys.erase(key);
}

int EventLoop::requestFrame(FrameCallback callback)
{
    const int id = ++m_lastFrameId;
    if (!full())
        m_frameCallbacks.emplace_back(id, std::move(callback));
    return id;
}

void EventLoop::cancelFrame(int id)
{
    std::erase_if(m_frameCallbacks, [id](const auto &entry) { return entry.first == id; });
    if (m_inFrame && m_cancelledInFrame.size() < m_bounds.pending)
        m_cancelledInFrame.push_back(id);
}

void EventLoop::clear()
{
    m_tasks.clear();
    m_timers.clear();
    m_timerKeys.clear();
    m_frameCallbacks.clear();
    m_afterTask = nullptr;
}

void EventLoop::runOne(const Task &task)
{
    task();
    if (m_afterTask)
        m_afterTask();
}

bool EventLoop::runTasks(const std::function<bool()> &stopped)
{
    while (!m_tasks.empty()) {
        if (stopped())
            return false;
        const Task task = std::move(m_tasks.front());
        m_tasks.pop_front();
        runOne(task);
    }
    return !stopped();
}

double EventLoop::nextFrameTime() const
{
    return (std::floor(m_now / frameIntervalMs) + 1) * frameIntervalMs;
}

std::optional<double> EventLoop::nextDue() const
{
    std::optional<double> due;
    if (!m_timers.empty())
        due = m_timers.begin()->first.first;
    if (!m_frameCallbacks.empty())
        due = std::min(due.value_or(nextFrameTime()), nextFrameTime());
    return due;
}

void EventLoop::runTimer()
{
    auto first = m_timers.begin();
    Timer timer = std::move(first->second);
    m_now = std::max(m_now, first->first.first);
    m_timers.erase(first);
    if (timer.repeats) {
        // An interval is set again before it runs, so that clearing it from inside works.
        const double delay = timer.nesting >= nestingBeforeClamp ? std::max(timer.delayMs, clampMs)
                                                                 : timer.delayMs;
        const TimerKey key{m_now + delay, ++m_order};
        m_timerKeys[timer.id] = key;
        m_timers.emplace(key, Timer{timer.id, delay, true, timer.nesting + 1, timer.task});
    } else {
        m_timerKeys.erase(timer.id);
    }
    m_nesting = timer.nesting;
    runOne(*timer.task);
    m_nesting = 0;
}

void EventLoop::runFrame()
{
    m_now = nextFrameTime();
    // Callbacks asked for during the frame wait for the next one.
    const auto callbacks = std::exchange(m_frameCallbacks, {});
    const double frameTime = m_now;
    m_inFrame = true;
    runOne([&] {
        for (const auto &[id, callback] : callbacks) {
            // One callback may cancel another of the same frame.
            if (std::find(m_cancelledInFrame.begin(), m_cancelledInFrame.end(), id)
                == m_cancelledInFrame.end())
                callback(frameTime);
        }
    });
    m_inFrame = false;
    m_cancelledInFrame.clear();
}

EventLoop::Outcome EventLoop::settle(const std::function<bool()> &stopped,
                                     const std::function<std::uint64_t()> &changes)
{
    const double start = m_now;
    double lastChange = m_now;
    std::uint64_t changeCount = changes();
    for (int step = 0;; ++step) {
        if (!runTasks(stopped))
            return Outcome::Stopped;
        if (changes() != changeCount) {
            changeCount = changes();
            lastChange = m_now;
        }
        const std::optional<double> due = nextDue();
        if (!due || *due > m_now + m_bounds.soonMs || m_now - lastChange >= m_bounds.quietMs)
            return Outcome::Settled;
        if (m_overflowed || m_now - start > m_bounds.changingMs || step >= m_bounds.steps)
            return Outcome::Unsettled;
        const bool frameFirst = !m_frameCallbacks.empty()
            && (m_timers.empty() || nextFrameTime() <= m_timers.begin()->first.first);
        if (frameFirst)
            runFrame();
        else
            runTimer();
    }
}
