#include "cli/OwnStandardError.h"

#include <fcntl.h>
#include <unistd.h>

std::FILE *setOwnStandardErrorApart()
{
    // Closed on exec: no process the engine starts gets hold of the program's standard error.
    const int own = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (own < 0)
        return stderr;
    std::FILE *ownStream = ::fdopen(own, "w");
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (ownStream == nullptr || nothing < 0) {
        if (ownStream != nullptr)
            std::fclose(ownStream);
        else
            ::close(own);
        if (nothing >= 0)
            ::close(nothing);
        return stderr;
    }
    // As unbuffered as stderr, so that a line is out before a crash could lose it.
    std::setvbuf(ownStream, nullptr, _IONBF, 0);
    ::dup2(nothing, STDERR_FILENO);
    ::close(nothing);
    return ownStream;
}
