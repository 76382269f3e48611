#include "engine/ScriptFreePage.h"

#include "engine/fast/ScriptDetection.h"
#include "platform/FileNames.h"

#include <QByteArray>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A page longer than this is taken for one with scripts: the check runs on the window's thread.
constexpr off_t checkedBytesLimit = 2 << 20;

// A script element anywhere (in a comment too: being wrong that way costs only time); tags
// that load another document, whose own scripts the bytes here do not show, or whose contents
// the parsed document alone tells (a template's, or <noscript>'s, which is text while scripts
// run and markup when they do not); and XSLT, which may write scripts of its own.
const char *const runnableMarkers[] = {"<script", "<template", "<noscript", "<iframe", "<frame",
                                       "<object", "<embed",    "<portal",   "<?xml-stylesheet"};

QByteArray readRegularFile(const QString &path)
{
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > checkedBytesLimit)
        return {};
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t read = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (read <= 0)
            return {};
        got += read;
    }
    return bytes;
}

} // namespace

bool isScriptFreePage(const QString &absolutePath)
{
    const QByteArray bytes = readRegularFile(absolutePath);
    // UTF-16 and UTF-32 hide every tag from a scan of bytes, and they carry zero bytes.
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    const QByteArray lowered = bytes.toLower();
    for (const char *marker : runnableMarkers) {
        if (lowered.contains(marker))
            return false;
    }
    return !pageBytesCarryScriptOutsideElements(bytes);
}
