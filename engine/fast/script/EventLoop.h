#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// A page's tasks, timers and animation frames on a clock of its own: time moves only when
// nothing is left to do now, straight to the next thing due, so a page's timers run in the order
// and at the times the browser would run them, without waiting for them.
class EventLoop
{
public:
    using Task = std::function<void()>;
    using FrameCallback = std::function<void(double frameTime)>;

    struct Bounds
    {
        // A round of the browser's settling: two frames and three timers. What is due later
        // is not waited for, and a page whose tree has not changed for so long is done.
        double soonMs = 40;
        double quietMs = 40;
        double changingMs = 3000;    // a page still changing after this never settles
        int steps = 20000;           // timers and frames run while settling, at most
        std::size_t pending = 10000; // tasks, timers or frame callbacks waiting, at most
    };

    enum class Outcome { Settled, Unsettled, Stopped };

    explicit EventLoop(Bounds bounds) : m_bounds(bounds) {}

    // Run after each task, before the next: the microtask checkpoint.
    void setAfterTask(Task afterTask) { m_afterTask = std::move(afterTask); }

    double now() const { return m_now; }
    // False once too many things wait: the page asks for more than the loop keeps.
    bool overflowed() const { return m_overflowed; }

    void post(Task task);
    // Returns the timer's id, from 1. Nested timers are held back as the browser holds them.
    int setTimer(double delayMs, bool repeats, Task task);
    void clearTimer(int id);
    // A task that comes from outside the page after `delayMs`, as a network's answer does: timed
    // as a timer is, though the page holds no id of it.
    void postAfter(double delayMs, Task task);
    int requestFrame(FrameCallback callback);
    void cancelFrame(int id);

    // Drops everything waiting, before the page's isolate goes.
    void clear();

    // Runs every task queued, and those they queue, until none is left or `stopped` says so.
    bool runTasks(const std::function<bool()> &stopped);
    // Lets the page's timers and frames run until it settles: nothing due soon, or no change to
    // its tree (as `changes` counts them) for a while.
    Outcome settle(const std::function<bool()> &stopped,
                   const std::function<std::uint64_t()> &changes);

private:
    struct Timer
    {
        int id;
        double delayMs;
        bool repeats;
        int nesting;
        std::shared_ptr<Task> task;
    };
    using TimerKey = std::pair<double, std::uint64_t>; // due time, order of setting

    std::optional<double> nextDue() const;
    double nextFrameTime() const;
    void runTimer();
    void runFrame();
    void runOne(const Task &task);
    bool full();

    const Bounds m_bounds;
    Task m_afterTask;
    double m_now = 0;
    std::uint64_t m_order = 0;
    int m_lastTimerId = 0;
    int m_lastFrameId = 0;
    int m_nesting = 0; // the nesting level of the timer running now
    bool m_overflowed = false;
    std::deque<Task> m_tasks;
    std::map<TimerKey, Timer> m_timers;
    std::unordered_map<int, TimerKey> m_timerKeys;
    std::vector<std::pair<int, FrameCallback>> m_frameCallbacks;
    std::vector<int> m_cancelledInFrame; // during a frame, the callbacks it cancelled
    bool m_inFrame = false;
};
