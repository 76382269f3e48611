#include "platform/QtTextFileWriter.h"

#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"
#include "platform/TemporaryFiles.h"

#include <QByteArrayList>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

QString lastError()
{
    return qt_error_string(errno);
}

} // namespace

struct QtTextFileWriter::StagedFile
{
    StagedFile(FileDescriptor &folderOpen, mode_t mode, const QByteArray &targetName)
        : folder(folderOpen.release())
        , file(folder.get(), mode)
        , name(targetName)
    {
    }

    FileDescriptor folder; // open while the temporary file is there, which goes first
    TemporaryFile file;
    QByteArray name;
};

QtTextFileWriter::QtTextFileWriter() = default;
QtTextFileWriter::~QtTextFileWriter() = default;

bool QtTextFileWriter::stageFile(const QString &path, const QByteArray &content, QString &error)
{
    const QByteArray target = encodeFileName(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folderPath = slash < 0 ? "." : slash == 0 ? "/" : target.first(slash);

    FileDescriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isValid()) {
        error = lastError();
        return false;
    }
    return stageIn(folder, target.sliced(slash + 1), content, error);
}

bool QtTextFileWriter::stageFileBelow(const QString &folder, const QString &pathBelow,
                                      const QByteArray &content, QString &error)
{
    // The folder itself is the user's to choose, links and all.
    const std::string folderPath = encodeFileName(folder).toStdString();
    std::error_code made;
    std::filesystem::create_directories(folderPath, made);
    if (made) {
        error = QStringLiteral("the folder %1 could not be made (%2)")
                    .arg(folder, QString::fromStdString(made.message()));
        return false;
    }
    FileDescriptor at(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!at.isValid()) {
        error = QStringLiteral("the folder %1 cannot be opened (%2)").arg(folder, lastError());
        return false;
    }
    const QList<QByteArray> parts = encodeFileName(pathBelow).split('/');
    QString walked = folder;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        walked += u'/' + decodeFileName(parts[i]);
        if (!openFolderBelow(at, parts[i], walked, error))
            return false;
    }
    return stageIn(at, parts.back(), content, error);
}

// Steps from the folder open as `at` into its entry `name` (known to the user as `path`),
// made when missing; a link there is never followed.
bool QtTextFileWriter::openFolderBelow(FileDescriptor &at, const QByteArray &name,
                                       const QString &path, QString &error)
{
    if (name.isEmpty() || name == "." || name == "..") {
        error = QStringLiteral("its folder %1 is not below the output folder").arg(path);
        return false;
    }
    if (::mkdirat(at.get(), name.constData(), 0777) != 0 && errno != EEXIST) {
        error = QStringLiteral("the folder %1 could not be made (%2)").arg(path, lastError());
        return false;
    }
    FileDescriptor next(
        ::openat(at.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.isValid()) {
        const int openError = errno;
        struct stat entry;
        if (::fstatat(at.get(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISLNK(entry.st_mode))
            error =
                QStringLiteral("its folder %1 is a link; nothing is written through it").arg(path);
        else if (openError == ENOTDIR)
            error = QStringLiteral("%1 is not a folder").arg(path);
        else
            error = QStringLiteral("the folder %1 cannot be opened (%2)")
                        .arg(path, qt_error_string(openError));
        return false;
    }
    at = std::move(next);
    return true;
}

bool QtTextFileWriter::stageIn(FileDescriptor &folder, const QByteArray &name,
                               const QByteArray &content, QString &error)
{
    struct stat existing;
    const bool exists = ::fstatat(folder.get(), name.constData(), &existing, AT_SYMLINK_NOFOLLOW)
        == 0;
    if (!exists && errno == ENAMETOOLONG) {
        error = QStringLiteral("its name is longer than the file system allows");
        return false;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        error = QStringLiteral("it is not a regular file; it was left alone");
        return false;
    }
    if (exists && ::faccessat(folder.get(), name.constData(), W_OK, AT_EACCESS) != 0) {
        error = QStringLiteral("the existing file is read-only");
        return false;
    }

    // A replaced file's mode goes to its successor, which nobody else may read until then.
    auto staged = std::make_unique<StagedFile>(folder, exists ? 0600 : 0666, name);
    if (!staged->file.isValid() || !writeAll(staged->file.fd(), content)) {
        error = lastError();
        return false;
    }
    if (exists)
        ::fchmod(staged->file.fd(), existing.st_mode & 07777);
    m_staged.push_back(std::move(staged));
    return true;
}

std::vector<std::optional<QString>> QtTextFileWriter::commitStaged()
{
    std::vector<std::optional<QString>> outcomes = syncStaged();
    for (size_t i = 0; i < m_staged.size(); ++i) {
        if (outcomes[i])
            continue; // its temporary file goes with it, and the target stays as it was
        if (!m_staged[i]->file.closeAndRenameTo(m_staged[i]->name))
            outcomes[i] = lastError();
    }
    m_staged.clear();
    return outcomes;
}

std::vector<std::optional<QString>> QtTextFileWriter::syncStaged() const
{
    // One sync a file system puts every staged file's data on disk before any is renamed, so no
    // output is ever replaced by a file whose content is not there yet. Where that sync fails
    // (a file system that cannot, or one that lost a write), each file there is synced alone,
    // and a file that still fails is not put in place: its error is reported instead.
    std::map<dev_t, bool> fileSystemSynced;
    std::vector<std::optional<QString>> failures;
    for (const std::unique_ptr<StagedFile> &staged : m_staged) {
        struct stat folder;
        bool synced = false;
        if (::fstat(staged->folder.get(), &folder) == 0) {
            const auto [fileSystem, first] = fileSystemSynced.try_emplace(folder.st_dev, false);
            if (first)
                fileSystem->second = ::syncfs(staged->folder.get()) == 0;
            synced = fileSystem->second;
        }
        if (synced || ::fsync(staged->file.fd()) == 0)
            failures.emplace_back();
        else
            failures.emplace_back(
                QStringLiteral("its text could not be put on disk: %1").arg(lastError()));
    }
    return failures;
}
