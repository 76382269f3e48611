#pragma once

#include <atomic>

// A page's computation runs on a pool thread and may be given up on from another: each loop
// over elements, rules or text calls checkPageCancelled(), which throws PageCancelled once the
// flag of the page being computed on this thread is set, so that the pool thread is free again
// within moments. RAII holds every resource on the way, so unwinding loses nothing.
struct PageCancelled
{
};

// Makes `flag` the one checkPageCancelled() reads on this thread, for the scope's life.
class PageCancellationScope
{
public:
    explicit PageCancellationScope(const std::atomic_bool &flag);
    ~PageCancellationScope();
    PageCancellationScope(const PageCancellationScope &) = delete;
    PageCancellationScope &operator=(const PageCancellationScope &) = delete;

private:
    const std::atomic_bool *m_outer;
};

void checkPageCancelled();
