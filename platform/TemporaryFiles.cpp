#include "platform/TemporaryFiles.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include <fcntl.h>
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

// Short and of fixed length, so that a target name that fits also leaves room for this one.
QByteArray temporaryName()
{
    return ".quillmere-" + QByteArray::number(QRandomGenerator::system()->generate(), 16) + ".tmp";
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

// The thread making a file may itself be the one interrupted, so the wait is bounded.
void waitWhileMaking(const Row &row)
{
    const timespec millisecond{0, 1'000'000};
    for (int waited = 0; row.state.load() == Making && waited < 100; ++waited)
        ::nanosleep(&millisecond, nullptr);
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

TemporaryFile::TemporaryFile(int folderFd, mode_t mode)
    : m_folderFd(folderFd)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        m_name = temporaryName();
        m_entry = claimRow();
        if (m_entry >= 0) {
            Row &row = rows[m_entry];
            row.folderFd = folderFd;
            std::strncpy(row.name, m_name.constData(), sizeof row.name - 1);
        }
        // Checked after claiming: a handler either sees the claim or has already said "ending".
        if (ending.load()) {
            release();
            errno = EINTR;
            return;
        }
        m_fd = ::openat(folderFd, m_name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        mode);
        if (m_fd >= 0) {
            if (m_entry >= 0)
                rows[m_entry].state.store(Made);
            return;
        }
        const int error = errno;
        release();
        errno = error;
        if (error != EEXIST)
            return;
    }
}

TemporaryFile::~TemporaryFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlinkat(m_folderFd, m_name.constData(), 0);
    }
    release();
}

bool TemporaryFile::closeAndRenameTo(const QByteArray &name)
{
    const bool closed = ::close(std::exchange(m_fd, -1)) == 0;
    if (!closed || ::renameat(m_folderFd, m_name.constData(), m_folderFd, name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(m_folderFd, m_name.constData(), 0);
        release();
        errno = error;
        return false;
    }
    release();
    return true;
}

void TemporaryFile::release()
{
    if (m_entry >= 0)
        rows[m_entry].state.store(Free);
    m_entry = -1;
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
    for (Row &row : rows) {
        waitWhileMaking(row);
        if (row.state.load() == Made)
            ::unlinkat(row.folderFd, row.name, 0);
    }
}
