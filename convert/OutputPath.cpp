#include "convert/OutputPath.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace {

bool isSeparator(QChar c)
{
    return c == u'/' || c == QDir::separator();
}

std::filesystem::path fileSystemPath(const QString &path)
{
    // The same byte form Qt uses when it opens the file.
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

QString StripExtension(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0 && !isSeparator(path[i]); --i) {
        if (path[i] == u'.')
            return path.left(i);
    }
    return path;
}

QString outputPathFor(const QString &inputPath)
{
    return StripExtension(inputPath) + QStringLiteral(".txt");
}

bool isSameFile(const QString &path, const QString &otherPath)
{
    // Compares device and inode, so links and differently spelled names are seen through.
    std::error_code missingFile;
    return std::filesystem::equivalent(fileSystemPath(path), fileSystemPath(otherPath),
                                       missingFile);
}
