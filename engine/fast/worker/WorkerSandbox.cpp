#include "engine/fast/worker/WorkerSandbox.h"

#include "engine/fast/worker/ScriptWorker.h"

#include <seccomp.h>

#include <cerrno>
#include <memory>

#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// V8 reserves address space far beyond what it uses (its heap cage); a page whose scripts
// need more than this is the browser's.
constexpr rlim_t maxAddressSpace = rlim_t(1) << 30;

// The converter kills a worker whose page outlives its time, and replaces it after its pages:
// this bound, all of its pages' time on two threads, ends one the converter is no longer there
// to kill.
rlim_t processorSeconds()
{
    const ScriptWorker::Limits limits;
    const auto pageSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(limits.pageTime).count() + 1;
    return rlim_t(2 * pageSeconds * limits.pagesPerProcess);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

bool setLimit(int resource, rlim_t value)
{
    const rlimit limit{value, value};
    return ::setrlimit(resource, &limit) == 0;
}

// What the worker does once sandboxed, found by tracing it over pages with V8 set up (jitless)
// and a watchdog thread: its socket, memory, threads and their locks, time, signals, ending.
constexpr int allowedCalls[] = {
    SCMP_SYS(read),         SCMP_SYS(write),           SCMP_SYS(close),
    SCMP_SYS(mmap),         SCMP_SYS(munmap),          SCMP_SYS(mremap),
    SCMP_SYS(mprotect),     SCMP_SYS(madvise),         SCMP_SYS(brk),
    SCMP_SYS(futex),        SCMP_SYS(clock_gettime),   SCMP_SYS(clock_getres),
    SCMP_SYS(nanosleep),    SCMP_SYS(clock_nanosleep), SCMP_SYS(gettimeofday),
    SCMP_SYS(getpid),       SCMP_SYS(gettid),          SCMP_SYS(uname),
    SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask),  SCMP_SYS(rt_sigreturn),
    SCMP_SYS(sigaltstack),  SCMP_SYS(sched_yield),     SCMP_SYS(sched_getaffinity),
    SCMP_SYS(getrandom),    SCMP_SYS(set_robust_list), SCMP_SYS(rseq),
    SCMP_SYS(exit),         SCMP_SYS(exit_group),
};

// Asked for by V8 and the C library, which do without when they fail: protection keys for
// memory, and clone3, whose flags lie where the filter cannot read them (the C library falls
// back on clone).
constexpr int refusedCalls[] = {SCMP_SYS(pkey_alloc), SCMP_SYS(clone3)};

using FilterContext = std::unique_ptr<void, decltype(&seccomp_release)>;

} // namespace

bool limitWorkerProcess()
{
    if (::close_range(STDERR_FILENO + 1, ~0U, 0) != 0)
        return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    // The sanitizers reserve terabytes of shadow memory up front.
    if (!sanitized && !setLimit(RLIMIT_AS, maxAddressSpace))
        return false;
    return setLimit(RLIMIT_CPU, processorSeconds());
}

bool enterSyscallFilter()
{
    FilterContext filter(seccomp_init(SCMP_ACT_KILL_PROCESS), &seccomp_release);
    if (!filter)
        return false;
    for (const int call : allowedCalls) {
        if (seccomp_rule_add(filter.get(), SCMP_ACT_ALLOW, call, 0) != 0)
            return false;
    }
    for (const int call : refusedCalls) {
        if (seccomp_rule_add(filter.get(), SCMP_ACT_ERRNO(ENOSYS), call, 0) != 0)
            return false;
    }
    // The sanitizers' runtime, as a thread starts, tells whether memory is readable by writing
    // it to a pipe of its own.
    if (sanitized && seccomp_rule_add(filter.get(), SCMP_ACT_ALLOW, SCMP_SYS(pipe2), 0) != 0)
        return false;
    // Signals to its own threads only (an abort is one), never to another process.
    if (seccomp_rule_add(filter.get(), SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1,
                         SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(::getpid())))
        != 0)
        return false;
    // Threads (V8's, and a watchdog over the scripts), never a process.
    return seccomp_rule_add(filter.get(), SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                            SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD))
        == 0
        && seccomp_load(filter.get()) == 0;
}
