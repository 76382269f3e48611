#include "convert/WritingThread.h"

#include <iterator>
#include <utility>

WritingThread::WritingThread(std::function<void()> wakeOwner, Turn finishPending)
    : m_wakeOwner(std::move(wakeOwner))
    , m_finishPending(std::move(finishPending))
    , m_thread([this] { takeTurns(); })
{
}

WritingThread::~WritingThread()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_turns.clear();
    }
    m_turnHanded.notify_one();
    m_thread.join();
}

void WritingThread::hand(Turn turn)
{
    {
        const std::lock_guard lock(m_mutex);
        m_turns.push_back(std::move(turn));
        ++m_turnsUnderWay;
    }
    m_turnHanded.notify_one();
}

std::optional<ItemOutcome> WritingThread::takeOutcome()
{
    const std::lock_guard lock(m_mutex);
    if (m_outcomes.empty())
        return std::nullopt;
    ItemOutcome outcome = std::move(m_outcomes.front());
    m_outcomes.pop_front();
    return outcome;
}

bool WritingThread::isBusy() const
{
    const std::lock_guard lock(m_mutex);
    return m_turnsUnderWay > 0 || !m_outcomes.empty();
}

void WritingThread::takeTurns()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_turnHanded.wait(lock, [this] { return m_stopping || !m_turns.empty(); });
        if (m_stopping)
            return;
        const Turn turn = std::move(m_turns.front());
        m_turns.pop_front();
        lock.unlock();
        std::vector<ItemOutcome> outcomes = turn();
        lock.lock();
        if (m_turns.empty()) {
            lock.unlock();
            std::vector<ItemOutcome> finished = m_finishPending();
            outcomes.insert(outcomes.end(), std::make_move_iterator(finished.begin()),
                            std::make_move_iterator(finished.end()));
            lock.lock();
        }
        if (outcomes.empty())
            continue;
        for (ItemOutcome &outcome : outcomes)
            m_outcomes.push_back(std::move(outcome));
        m_turnsUnderWay -= int(outcomes.size());
        lock.unlock();
        m_wakeOwner();
        lock.lock();
    }
}
