#include "platform/RegularFile.h"

#include "platform/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

FileStamp stampOf(const struct stat &info)
{
    constexpr qint64 nanoseconds = 1'000'000'000;
    return {info.st_dev, info.st_ino, qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * nanoseconds + info.st_mtim.tv_nsec,
            qint64(info.st_ctim.tv_sec) * nanoseconds + info.st_ctim.tv_nsec};
}

// Reads until `bytes` holds `wanted` bytes or the file ends; false on an error.
bool readInto(int descriptor, QByteArray &bytes, qint64 wanted)
{
    char chunk[64 * 1024];
    while (bytes.size() < wanted) {
        const size_t ask = size_t(std::min<qint64>(qint64(sizeof chunk), wanted - bytes.size()));
        const ssize_t got = ::read(descriptor, chunk, ask);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        bytes.append(chunk, got);
    }
    return true;
}

} // namespace

std::optional<FileStamp> regularFileStamp(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(encodeFileName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return stampOf(info);
}

RegularFile::RegularFile(const QString &path)
{
    const QByteArray name = encodeFileName(path);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) != 0) {
        m_failure = RegularFileRead::Status::CannotOpen;
        m_errorNumber = errno;
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        m_failure = RegularFileRead::Status::NotAFile;
        return;
    }
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        m_failure = RegularFileRead::Status::CannotOpen;
        m_errorNumber = errno;
        return;
    }
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        m_failure = RegularFileRead::Status::NotAFile;
        return;
    }
    m_descriptor = descriptor;
    m_stamp = stampOf(info);
}

RegularFile::~RegularFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

QString RegularFile::error() const
{
    return m_errorNumber == 0 ? QString() : qt_error_string(m_errorNumber);
}

bool RegularFile::isOnKernelFileSystem() const
{
    struct statfs system
    {
    };
    if (::fstatfs(m_descriptor, &system) != 0)
        return true;
    switch (system.f_type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

RegularFileRead RegularFile::readAll(qint64 maxBytes)
{
    using Status = RegularFileRead::Status;
    if (!isOpen())
        return {m_failure, {}, error()};
    QByteArray bytes;
    bytes.reserve(qsizetype(std::clamp<qint64>(m_stamp.size, 0, maxBytes + 1)));
    if (!readInto(m_descriptor, bytes, maxBytes + 1))
        return {Status::ReadFailed, {}, qt_error_string(errno)};
    if (bytes.size() > maxBytes)
        return {Status::TooLarge, {}, {}};
    return {Status::Read, bytes, {}};
}

QByteArray RegularFile::readStart(qsizetype count)
{
    QByteArray bytes;
    return isOpen() && readInto(m_descriptor, bytes, count) ? bytes : QByteArray();
}

int RegularFile::release()
{
    return std::exchange(m_descriptor, -1);
}

RegularFileRead readRegularFile(const QString &path, qint64 maxBytes)
{
    return RegularFile(path).readAll(maxBytes);
}
