#include "engine/fast/knownscripts/ScriptFile.h"

#include "platform/FileNames.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The largest known script (jQuery) is under 300 KB; nothing bigger can be one of them.
constexpr qint64 maxScriptBytes = 4 * 1024 * 1024;

} // namespace

std::optional<QByteArray> readScriptFile(const QString &path)
{
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    // What was opened is what is looked at, so a file swapped in between cannot get by.
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxScriptBytes) {
        ::close(fd);
        return std::nullopt;
    }
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    QByteArray bytes = file.read(maxScriptBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxScriptBytes)
        return std::nullopt;
    return bytes;
}
