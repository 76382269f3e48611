#include "filelist/DroppedFiles.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

QStringList droppedLocalFiles(const QMimeData &data)
{
    if (!data.hasUrls())
        return {};
    QStringList paths;
    for (const QUrl &url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        // The URL holds the name's exact bytes, percent-encoded; toLocalFile() would read them
        // as UTF-8 and lose those that are not.
        const QByteArray name = QByteArray::fromPercentEncoding(
            url.path(QUrl::FullyEncoded).toLatin1());
        paths << QDir::toNativeSeparators(decodeFileName(name));
    }
    return paths;
}
