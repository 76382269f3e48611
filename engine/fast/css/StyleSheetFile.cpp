#include "engine/fast/css/StyleSheetFile.h"

#include "engine/fast/dom/PageDecoding.h"

#include <QFile>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

FileStamp stampOf(const struct stat &status)
{
    return {status.st_dev, status.st_ino, qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// File systems whose files are made by the kernel as they are read: /proc/self/pagemap says
// it holds nothing and gives gigabytes.
bool isKernelFileSystem(int descriptor)
{
    struct statfs system {};
    if (fstatfs(descriptor, &system) != 0)
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

class Descriptor
{
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace

std::optional<FileStamp> regularFileStamp(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return stampOf(status);
}

std::optional<QByteArray> readStyleSheetBytes(const QString &path, FileStamp &stamp)
{
    // The path is looked at first so that no device or pipe is ever opened; what counts is
    // what the descriptor then says, since the path may change in between.
    if (!regularFileStamp(path))
        return std::nullopt;
    const Descriptor file(::open(QFile::encodeName(path).constData(),
                                 O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || isKernelFileSystem(file.get()))
        return std::nullopt;
    stamp = stampOf(status);
    QByteArray bytes;
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(std::min<qsizetype>(std::max<qsizetype>(2 * used, 64 * 1024), maxStyleSheetBytes + 1));
        const ssize_t count = ::read(file.get(), bytes.data() + used, size_t(bytes.size() - used));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        used += count;
        if (used > maxStyleSheetBytes)
            return std::nullopt;
    }
    bytes.truncate(used);
    return bytes;
}

QString decodeStyleSheet(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return decodeWithLabel(bytes.mid(2), bytes.startsWith("\xFF\xFE") ? "utf-16le" : "utf-16be");
    static const QRegularExpression charset(QStringLiteral("^@charset \"([^\"]*)\";"));
    const QRegularExpressionMatch match = charset.match(QString::fromLatin1(bytes.left(128)));
    if (match.hasMatch()) {
        const QString decoded = decodeWithLabel(bytes, match.captured(1).toLatin1());
        if (!decoded.isNull())
            return decoded;
    }
    return decodePage(bytes).text;
}
