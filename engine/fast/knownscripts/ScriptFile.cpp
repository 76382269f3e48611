#include "engine/fast/knownscripts/ScriptFile.h"

#include "platform/FileNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <map>
#include <mutex>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The largest known script (a javadoc search index) is under 5 MB.
constexpr qint64 maxScriptBytes = 16 * 1024 * 1024;
// Digests remembered at most; a run over many documentation sets starts again past it.
constexpr size_t maxRemembered = 4096;

using FileState = std::tuple<dev_t, ino_t, off_t, long, long, long, long>;

FileState stateOf(const struct stat &info)
{
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec,
            info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
}

struct RememberedDigests
{
    std::mutex mutex;
    std::map<FileState, QByteArray> digests;
};

RememberedDigests &remembered()
{
    static RememberedDigests digests;
    return digests;
}

} // namespace

std::optional<QByteArray> scriptFileDigest(const QString &path)
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
    const FileState state = stateOf(info);
    RememberedDigests &cache = remembered();
    {
        const std::lock_guard lock(cache.mutex);
        const auto found = cache.digests.find(state);
        if (found != cache.digests.end())
            return found->second;
    }
    const QByteArray bytes = file.read(maxScriptBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxScriptBytes)
        return std::nullopt;
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    const std::lock_guard lock(cache.mutex);
    if (cache.digests.size() >= maxRemembered)
        cache.digests.clear();
    cache.digests.emplace(state, digest);
    return digest;
}

std::optional<QString> scriptFilePath(const QString &source, const QString &pagePath)
{
    static const QRegularExpression plain(QStringLiteral("^[^:?#\\\\]+$"));
    const QString url = source.trimmed();
    if (!plain.match(url).hasMatch())
        return std::nullopt;
    const QString path = QUrl::fromPercentEncoding(url.toUtf8());
    if (path.contains(QChar(0)))
        return std::nullopt;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QFileInfo(pagePath).path() + u'/' + path);
}
