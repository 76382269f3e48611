#include "cli/OwnStandardError.h"

#include <QScopeGuard>

#include <fcntl.h>
#include <unistd.h>

std::FILE *setOwnStandardErrorApart()
{
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing < 0)
        return stderr;
    const auto closing = qScopeGuard([nothing] { ::close(nothing); });
    // Closed on exec: no process the engine starts gets hold of the program's standard error.
    const int own = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (own < 0)
        return stderr;
    std::FILE *ownStream = ::fdopen(own, "w");
    if (ownStream == nullptr) {
        ::close(own);
        return stderr;
    }
    // As unbuffered as stderr, so that a line is out before a crash could lose it.
    std::setvbuf(ownStream, nullptr, _IONBF, 0);
    ::dup2(nothing, STDERR_FILENO);
    return ownStream;
}
