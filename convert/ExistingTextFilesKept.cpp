#include "convert/ExistingTextFilesKept.h"

#include "platform/FileNames.h"

#include <sys/stat.h>

std::optional<QString> ExistingTextFilesKept::whyNotWritable(const QString &inputPath) const
{
    return m_destination.whyNotWritable(inputPath);
}

std::optional<QString> ExistingTextFilesKept::whySkipped(const QString &inputPath) const
{
    if (std::optional<QString> why = m_destination.whySkipped(inputPath))
        return why;
    // Only a regular file counts: a link or a folder there stays a failure, as without this.
    const QString outputPath = m_outputPathOf(inputPath);
    struct stat info;
    if (::lstat(encodeFileName(outputPath).constData(), &info) == 0 && S_ISREG(info.st_mode))
        return QStringLiteral("%1 exists already; it was left alone").arg(outputPath);
    return std::nullopt;
}

bool ExistingTextFilesKept::isWrittenAlready(const QString &inputPath) const
{
    return m_destination.isWrittenAlready(inputPath);
}

std::optional<QString> ExistingTextFilesKept::whyNoLongerWritable(const QString &inputPath) const
{
    return m_destination.whyNoLongerWritable(inputPath);
}

bool ExistingTextFilesKept::dependsOnPrepared(const QString &inputPath) const
{
    return m_destination.dependsOnPrepared(inputPath);
}

std::optional<QString> ExistingTextFilesKept::prepare(const QString &inputPath, const QString &text)
{
    return m_destination.prepare(inputPath, text);
}

std::vector<std::optional<QString>> ExistingTextFilesKept::commitPrepared()
{
    return m_destination.commitPrepared();
}
