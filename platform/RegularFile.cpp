#include "platform/RegularFile.h"

#include "platform/FileNames.h"

#include <QScopeGuard>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFileRead readRegularFile(const QString &path, qint64 maxBytes)
{
    using Status = RegularFileRead::Status;
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {Status::CannotOpen, {}, qt_error_string(errno)};
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    // What was opened is what is looked at, so a file swapped in meanwhile cannot get by.
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return {Status::NotAFile, {}, {}};

    QByteArray bytes;
    bytes.reserve(qsizetype(std::clamp<qint64>(info.st_size, 0, maxBytes + 1)));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {Status::ReadFailed, {}, qt_error_string(errno)};
        if (got == 0)
            return {Status::Read, bytes, {}};
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes)
            return {Status::TooLarge, {}, {}};
    }
}
