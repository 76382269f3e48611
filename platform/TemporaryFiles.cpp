#include "platform/TemporaryFiles.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// A row is claimed while its file is being made, so that a handler that arrives meanwhile
// waits to learn whether there is a file to remove.
enum RowState : int { Free, Making, Made };

struct Row
{
    std::atomic<int> state{Free};
    int folderFd = -1;
    bool isFolder = false; // removed after every file, which may lie in it
    char name[32] = {};
};

// Files are written one or two at a time; beyond this many at once, the later ones go
// unrecorded and could outlive a signal.
constexpr int rowCount = 64;
Row rows[rowCount];
std::atomic<bool> ending{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the table is read from signal handlers");

constexpr int terminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Short, so that a target name that fits also leaves room for a temporary one beside it.
QByteArray temporaryName(QByteArrayView prefix, QByteArrayView suffix)
{
    return prefix.toByteArray() + QByteArray::number(QRandomGenerator::system()->generate(), 16)
        + suffix.toByteArray();
}

int claimRow()
{
    for (int i = 0; i < rowCount; ++i) {
        int free = Free;
        if (rows[i].state.compare_exchange_strong(free, Making))
            return i;
    }
    return -1;
}

void releaseRow(int &entry)
{
    if (entry >= 0)
        rows[entry].state.store(Free);
    entry = -1;
}

// The thread making a file may itself be the one interrupted, so the wait is bounded.
void waitWhileMaking(const Row &row)
{
    const timespec millisecond{0, 1'000'000};
    for (int waited = 0; row.state.load() == Making && waited < 100; ++waited)
        ::nanosleep(&millisecond, nullptr);
}

// While an entry is being made, a termination signal waits on this thread: a handler running
// here could not wait for the making it interrupted. Another thread takes it meanwhile, or this
// one once the entry is in the table.
class TerminationSignalsHeld
{
public:
    TerminationSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : terminationSignals)
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &m_before);
    }
    ~TerminationSignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    TerminationSignalsHeld(const TerminationSignalsHeld &) = delete;
    TerminationSignalsHeld &operator=(const TerminationSignalsHeld &) = delete;

private:
    sigset_t m_before;
};

// Makes an entry under a free name in the folder open as folderFd: `make` creates it by name
// and returns its descriptor, or -1 with errno set. The entry is in the table before it exists,
// so that a signal arriving meanwhile waits for it and removes it. Returns make's descriptor;
// on failure -1 with errno set and entry -1.
template <typename Make>
int makeRecordedEntry(int folderFd, bool isFolder, QByteArrayView prefix, QByteArrayView suffix,
                      QByteArray &name, int &entry, Make make)
{
    const TerminationSignalsHeld held;
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = temporaryName(prefix, suffix);
        entry = claimRow();
        if (entry >= 0) {
            Row &row = rows[entry];
            row.folderFd = folderFd;
            row.isFolder = isFolder;
            std::strncpy(row.name, name.constData(), sizeof row.name - 1);
            row.name[sizeof row.name - 1] = '\0';
        }
        // Checked after claiming: a handler either sees the claim or has already said "ending".
        if (ending.load()) {
            releaseRow(entry);
            errno = EINTR;
            return -1;
        }
        const int fd = make(name);
        if (fd >= 0) {
            if (entry >= 0)
                rows[entry].state.store(Made);
            return fd;
        }
        const int error = errno;
        releaseRow(entry);
        errno = error;
        if (error != EEXIST)
            return -1;
    }
    return -1;
}

extern "C" void endBySignal(int signal)
{
    removeTemporaryFiles();
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(signal, &standard, nullptr);
    // Pending until the handler returns, when the default action ends the process.
    ::raise(signal);
}

} // namespace

TemporaryFile::TemporaryFile(int folderFd, mode_t mode, QByteArrayView prefix,
                             QByteArrayView suffix)
    : m_folderFd(folderFd)
{
    m_fd = makeRecordedEntry(folderFd, false, prefix, suffix, m_name, m_entry,
                             [&](const QByteArray &name) {
        return ::openat(folderFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    });
    m_exists = m_fd >= 0;
}

TemporaryFile::~TemporaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_exists)
        ::unlinkat(m_folderFd, m_name.constData(), 0);
    releaseRow(m_entry);
}

bool TemporaryFile::close()
{
    return m_fd >= 0 && ::close(std::exchange(m_fd, -1)) == 0;
}

bool TemporaryFile::closeAndRenameTo(const QByteArray &name)
{
    if (!close() || ::renameat(m_folderFd, m_name.constData(), m_folderFd, name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(m_folderFd, m_name.constData(), 0);
        m_exists = false;
        releaseRow(m_entry);
        errno = error;
        return false;
    }
    m_exists = false;
    releaseRow(m_entry);
    return true;
}

TemporaryFolder::TemporaryFolder(int parentFd, QByteArrayView prefix) : m_parentFd(parentFd)
{
    m_fd = makeRecordedEntry(parentFd, true, prefix, {}, m_name, m_entry,
                             [parentFd](const QByteArray &name) {
        if (::mkdirat(parentFd, name.constData(), 0700) != 0)
            return -1;
        const int fd = ::openat(parentFd, name.constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            ::unlinkat(parentFd, name.constData(), AT_REMOVEDIR);
            errno = error;
        }
        return fd;
    });
}

TemporaryFolder::~TemporaryFolder()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlinkat(m_parentFd, m_name.constData(), AT_REMOVEDIR);
    }
    releaseRow(m_entry);
}

void removeTemporaryFilesOnTerminationSignals()
{
    for (const int signal : terminationSignals) {
        struct sigaction current = {};
        ::sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN)
            continue;
        struct sigaction handler = {};
        handler.sa_handler = endBySignal;
        sigemptyset(&handler.sa_mask);
        for (const int other : terminationSignals)
            sigaddset(&handler.sa_mask, other);
        ::sigaction(signal, &handler, nullptr);
    }
}

void removeTemporaryFiles()
{
    ending.store(true);
    for (Row &row : rows)
        waitWhileMaking(row);
    for (const bool folders : {false, true}) {
        for (Row &row : rows) {
            if (row.state.load() == Made && row.isFolder == folders)
                ::unlinkat(row.folderFd, row.name, folders ? AT_REMOVEDIR : 0);
        }
    }
}
