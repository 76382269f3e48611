#include "engine/fast/worker/ScriptWorker.h"

#include "engine/fast/dom/DomWire.h"
#include "engine/fast/worker/PageResourceFile.h"
#include "engine/fast/worker/WorkerProtocol.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// Files a page's scripts may ask for: more are refused, as if missing.
constexpr int maxFileRequests = 4096;

constexpr char workerName[] = "quillmere-script-worker";

// Describes how a worker ended, for the log: a kill by its sandbox is SIGSYS.
void reportEnd(pid_t pid, int status)
{
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)
        qWarning("Script worker %d ended by signal %d (%s)", int(pid), WTERMSIG(status),
                 strsignal(WTERMSIG(status)));
    else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        qWarning("Script worker %d exited with status %d", int(pid), WEXITSTATUS(status));
}

// The memory a process holds, as the kernel counts it: none when it cannot tell.
std::size_t residentBytes(pid_t pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> pages = statm.readLine().split(' ');
    return pages.size() > 1 ? pages[1].toULongLong() * std::size_t(::sysconf(_SC_PAGESIZE)) : 0;
}

} // namespace

ScriptWorker::ScriptWorker(QString program, Limits limits)
    : m_program(std::move(program))
    , m_limits(limits)
{
}

ScriptWorker::~ScriptWorker()
{
    stop();
}

std::variant<Dom, BrowserReason> ScriptWorker::runPage(const QByteArray &utf8,
                                                       const PageScriptContext &context)
{
    forgetIfEnded();
    if (m_pid < 0 && !start())
        return BrowserReason::ScriptWorkerFailed;
    std::variant<Dom, BrowserReason> result = BrowserReason::ScriptWorkerFailed;
    try {
        result = talk(utf8, context);
    } catch (...) {
        // Given up on halfway: what the worker says next belongs to no page.
        stop();
        throw;
    }
    const auto *reason = std::get_if<BrowserReason>(&result);
    if ((reason && *reason == BrowserReason::ScriptWorkerFailed)
        || ++m_pagesRun >= m_limits.pagesPerProcess
        || residentBytes(m_pid) > m_limits.residentBytes)
        stop();
    return result;
}

std::variant<Dom, BrowserReason> ScriptWorker::talk(const QByteArray &utf8,
                                                    const PageScriptContext &context)
{
    const auto deadline = MessageChannel::Clock::now() + m_limits.pageTime;
    MessageChannel channel(m_socket);
    if (!channel.send(PageToRun{utf8, context}, deadline))
        return BrowserReason::ScriptWorkerFailed;
    for (int requests = 0;; ++requests) {
        std::optional<WorkerMessage> message = channel.receive(deadline);
        if (!message)
            return BrowserReason::ScriptWorkerFailed;
        if (const auto *request = std::get_if<FileRequest>(&*message)) {
            FileReply reply;
            if (requests < maxFileRequests)
                reply.bytes = readPageResource(request->url, request->kind);
            if (!channel.send(reply, deadline))
                return BrowserReason::ScriptWorkerFailed;
            continue;
        }
        const auto *result = std::get_if<PageResult>(&*message);
        if (!result)
            return BrowserReason::ScriptWorkerFailed;
        if (const auto *reason = std::get_if<BrowserReason>(&result->treeOrReason))
            return *reason;
        std::optional<Dom> tree = decodeDom(std::get<QByteArray>(result->treeOrReason));
        if (!tree)
            return BrowserReason::ScriptWorkerFailed;
        return std::move(*tree);
    }
}

bool ScriptWorker::start()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    // The worker holds its end as its standard input, and nothing else: what it or a library
    // writes to its standard output or error goes nowhere.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const QByteArray program = QFile::encodeName(m_program);
    char *const arguments[] = {const_cast<char *>(program.constData()), nullptr};
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.constData(), &actions, nullptr, arguments,
                                   environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (failed != 0) {
        qWarning("Cannot start the script worker %s: %s", program.constData(), strerror(failed));
        ::close(ends[0]);
        return false;
    }
    m_pid = pid;
    m_socket = ends[0];
    m_pagesRun = 0;
    return true;
}

void ScriptWorker::forgetIfEnded()
{
    // A worker that ended between pages (its processor time ran out, say) costs no page.
    int status = 0;
    if (m_pid < 0 || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return;
    reportEnd(m_pid, status);
    ::close(m_socket);
    m_pid = -1;
    m_socket = -1;
}

void ScriptWorker::stop()
{
    if (m_pid < 0)
        return;
    ::close(m_socket);
    ::kill(m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    reportEnd(m_pid, status);
    m_pid = -1;
    m_socket = -1;
}

QString scriptWorkerProgram()
{
    const QByteArray chosen = qgetenv("QUILLMERE_SCRIPT_WORKER");
    if (chosen == "off")
        return {};
    if (!chosen.isEmpty())
        return QFile::decodeName(chosen);
    const QString beside = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    for (const QString &folder :
         {beside, beside + QLatin1String("/" QUILLMERE_WORKER_FROM_PROGRAM)}) {
        const QFileInfo program(folder + u'/' + QLatin1String(workerName));
        if (program.isFile() && program.isExecutable())
            return program.filePath();
    }
    return {};
}
