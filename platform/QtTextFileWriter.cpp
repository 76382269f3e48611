#include "platform/QtTextFileWriter.h"

#include "platform/FileDescriptor.h"
#include "platform/FileNames.h"
#include "platform/TemporaryFiles.h"

#include <cerrno>
#include <memory>
#include <map>
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
    const QByteArray name = target.sliced(slash + 1);

    FileDescriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isValid()) {
        error = lastError();
        return false;
    }
    struct stat existing;
    const bool exists = ::fstatat(folder.get(), name.constData(), &existing,
                                  AT_SYMLINK_NOFOLLOW) == 0;
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
            failures.emplace_back(QStringLiteral("its text could not be put on disk: %1").arg(lastError()));
    }
    return failures;
}
