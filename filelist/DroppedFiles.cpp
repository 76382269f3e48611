#include "filelist/DroppedFiles.h"

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
        paths << QDir::toNativeSeparators(url.toLocalFile());
    }
    return paths;
}
