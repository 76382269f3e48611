#include "convert/OutputPath.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace {

bool isSeparator(QChar c)
{
    return c == u'/' || c == QDir::separator();
}

std::filesystem::path fileSystemPath(const QString &path)
{
    return std::filesystem::path(encodeFileName(path).toStdString());
}

} // namespace

QString stripExtension(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0 && !isSeparator(path[i]); --i) {
        if (path[i] == u'.')
            return path.left(i);
    }
    return path;
}

QString outputPathFor(const QString &inputPath)
{
    return stripExtension(inputPath) + QStringLiteral(".txt");
}

bool isSameFile(const QString &path, const QString &otherPath)
{
    // Compares device and inode, so links and differently spelled names are seen through.
    std::error_code missingFile;
    return std::filesystem::equivalent(fileSystemPath(path), fileSystemPath(otherPath),
                                       missingFile);
}

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    struct stat info;
    if (::stat(encodeFileName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

std::optional<QString> whyOutputIsLeftAlone(const QString &path)
{
    struct stat info;
    if (::lstat(encodeFileName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return std::nullopt;
    const QString name = QFileInfo(path).fileName();
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a link; it was left alone").arg(name);
    return QStringLiteral("%1 is not a file; it was left alone").arg(name);
}
