#include "engine/browser/OwnNavigationRule.h"

#include "engine/PageType.h"
#include "engine/browser/LocalFileSchemeHandler.h"
#include "platform/FileNames.h"
#include "platform/KernelFileSystem.h"

#include <QDir>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opening does not wait even for a pipe; what was opened is what is looked at.
bool isRegularFileOutsideTheKernel(const QString &path)
{
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat info;
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && !isOnKernelFileSystem(fd);
}

} // namespace

void OwnNavigationRule::setRequestedPage(const QString &absolutePath)
{
    m_folder = absolutePath.left(absolutePath.lastIndexOf(u'/') + 1);
}

QString OwnNavigationRule::whyNotFollowed(const QUrl &url) const
{
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("file")
        && scheme != QLatin1String(LocalFileSchemeHandler::schemeName))
        return tr("it is not a local file");
    const QString path = QDir::cleanPath(LocalFileSchemeHandler::fileForUrl(url));
    // A file's name holds no NUL (%00): the system would read the name only up to it.
    if (path.contains(QChar(0)))
        return tr("it names no file");
    if (!path.startsWith(m_folder))
        return tr("it is outside the page's folder");
    if (!isRegularFileOutsideTheKernel(path) || !fileTypeOfFile(path).isPage())
        return tr("it is not a page");
    return {};
}
