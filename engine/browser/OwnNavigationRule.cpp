#include "engine/browser/OwnNavigationRule.h"

#include "engine/PageType.h"
#include "engine/browser/LocalFileSchemeHandler.h"
#include "platform/RegularFile.h"

#include <QDir>

namespace {

bool isRegularFileOutsideTheKernel(const QString &path)
{
    const RegularFile file(path);
    return file.isOpen() && !file.isOnKernelFileSystem();
}

} // namespace

void OwnNavigationRule::setRequestedPage(const QString &absolutePath, const QString &listedFolder)
{
    const QString listed = listedFolder.endsWith(u'/') ? listedFolder : listedFolder + u'/';
    m_isListedFolder = !listedFolder.isEmpty() && absolutePath.startsWith(listed);
    m_folder = m_isListedFolder ? listed : absolutePath.left(absolutePath.lastIndexOf(u'/') + 1);
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
        return m_isListedFolder ? tr("it is outside the folder the page was listed in")
                                : tr("it is outside the page's folder");
    if (!isRegularFileOutsideTheKernel(path) || !fileTypeOfFile(path).isPage())
        return tr("it is not a page");
    return {};
}
