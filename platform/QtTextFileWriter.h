#pragma once

#include "platform/FileDescriptor.h"
#include "platform/TextFileWriter.h"

#include <memory>
#include <vector>

// Writes each content to a temporary file in the target's own folder; a commit makes every
// staged file durable with one sync for each file system they are on, then renames each over
// its target. The rename replaces a link at the target's name rather than following it, so no
// write ever lands outside the target's folder, whatever appears there meanwhile. An existing
// entry that is not a regular file (a link, a folder, a device) and an existing file that is
// read-only are left alone; a replaced file keeps its permissions. Below a given folder, the
// folders on the way are opened one by one without following links.
class QtTextFileWriter : public TextFileWriter
{
public:
    QtTextFileWriter();
    // Staged files not committed are removed.
    ~QtTextFileWriter() override;

    bool stageFile(const QString &path, const QByteArray &content, QString &error) override;
    bool stageFileBelow(const QString &folder, const QString &pathBelow, const QByteArray &content,
                        QString &error) override;
    std::vector<std::optional<QString>> commitStaged() override;

private:
    static bool openFolderBelow(FileDescriptor &at, const QByteArray &name, const QString &path,
                                QString &error);
    bool stageIn(FileDescriptor &folder, const QByteArray &name, const QByteArray &content,
                 QString &error);
    // For each staged file, nothing once its data is on disk, or why it is not.
    std::vector<std::optional<QString>> syncStaged() const;

    struct StagedFile;
    std::vector<std::unique_ptr<StagedFile>> m_staged;
};
