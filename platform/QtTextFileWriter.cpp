#include "platform/QtTextFileWriter.h"

#include "platform/FileNames.h"

#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor &operator=(FileDescriptor &&) = delete;
    ~FileDescriptor() { close(); }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    // Closing reports late write errors (on network file systems, say).
    bool close()
    {
        const bool closed = m_fd < 0 || ::close(m_fd) == 0;
        m_fd = -1;
        return closed;
    }

private:
    int m_fd;
};

QString lastError()
{
    return qt_error_string(errno);
}

// Short and of fixed length, so that a target name that fits also leaves room for this one.
QByteArray temporaryName()
{
    return ".quillmere-" + QByteArray::number(QRandomGenerator::system()->generate(), 16) + ".tmp";
}

// A new file under a free temporary name in folder; name tells which. Until it replaces the
// target, only the owner may read it when private.
FileDescriptor createTemporary(int folder, bool makePrivate, QByteArray &name)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = temporaryName();
        FileDescriptor file(::openat(folder, name.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                     makePrivate ? 0600 : 0666));
        if (file.isValid() || errno != EEXIST)
            return file;
    }
    return FileDescriptor(-1);
}

bool writeAll(int fd, const QByteArray &content)
{
    // A full disk or a file-size limit shows as a short write; the next write says why.
    for (qsizetype written = 0; written < content.size();) {
        const ssize_t chunk = ::write(fd, content.constData() + written, content.size() - written);
        if (chunk < 0 && errno == EINTR)
            continue;
        if (chunk <= 0) {
            if (chunk == 0)
                errno = ENOSPC;
            return false;
        }
        written += chunk;
    }
    return true;
}

} // namespace

bool QtTextFileWriter::writeFile(const QString &path, const QByteArray &content, QString &error)
{
    const QByteArray target = encodeFileName(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? "." : slash == 0 ? "/" : target.first(slash);
    const QByteArray name = target.sliced(slash + 1);

    const FileDescriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isValid()) {
        error = lastError();
        return false;
    }
    struct stat existing;
    const bool exists = ::fstatat(folder.get(), name.constData(), &existing,
                                  AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno == ENAMETOOLONG) {
        error = QStringLiteral("its name is longer than the file system allows");
        return false;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        error = QStringLiteral("it is not a regular file; it was left alone");
        return false;
    }
    if (exists && ::faccessat(folder.get(), name.constData(), W_OK, AT_EACCESS) != 0) {
        error = QStringLiteral("the existing file is read-only");
        return false;
    }

    // A replaced file's mode goes to its successor, which nobody else may read until then.
    QByteArray temporary;
    FileDescriptor file = createTemporary(folder.get(), exists, temporary);
    if (!file.isValid()) {
        error = lastError();
        return false;
    }
    auto removeTemporary =
        qScopeGuard([&] { ::unlinkat(folder.get(), temporary.constData(), 0); });

    if (!writeAll(file.get(), content)) {
        error = lastError();
        return false;
    }
    if (exists)
        ::fchmod(file.get(), existing.st_mode & 07777);
    ::fsync(file.get()); // not every file system can; the rename is what must not fail
    if (!file.close()
        || ::renameat(folder.get(), temporary.constData(), folder.get(), name.constData()) != 0) {
        error = lastError();
        return false;
    }
    removeTemporary.dismiss();
    return true;
}
