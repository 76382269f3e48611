#include "cli/InputFiles.h"

#include "convert/FolderWalk.h"

#include <QFileInfo>

namespace {

QString withoutClosingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// The walk gives each path as the folder's own followed by one separator or more.
QString pathBelow(const QString &folder, const QString &path)
{
    qsizetype start = folder.size();
    while (start < path.size() && path[start] == u'/')
        ++start;
    return path.mid(start);
}

} // namespace

QList<InputFile> filesToConvert(const QStringList &paths, MessagePump &pump)
{
    QList<InputFile> files;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files += {path, QFileInfo(path).fileName(), QString()};
            continue;
        }
        const QString folder = withoutClosingSeparators(path);
        for (const QString &file : htmlFilesInTree(folder, pump))
            files += {file, pathBelow(folder, file), folder};
    }
    return files;
}
