#include "engine/PageCancellation.h"

namespace {

// A thread-local flag rather than one passed down: the check sits in loops many layers below
// the one place that starts a page's computation.
thread_local const std::atomic_bool *currentFlag = nullptr;

} // namespace

PageCancellationScope::PageCancellationScope(const std::atomic_bool &flag) : m_outer(currentFlag)
{
    currentFlag = &flag;
}

PageCancellationScope::~PageCancellationScope()
{
    currentFlag = m_outer;
}

void checkPageCancelled()
{
    if (currentFlag && currentFlag->load(std::memory_order_relaxed))
        throw PageCancelled{};
}
