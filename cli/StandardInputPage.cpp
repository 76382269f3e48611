#include "cli/StandardInputPage.h"

#include "platform/FileNames.h"

#include <QDir>

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr char namePrefix[] = "~quillmere-stdin-";
constexpr char nameSuffix[] = ".html";
constexpr char privateFolderPrefix[] = "quillmere-stdin-";

QString couldNotKeep(const QString &reason)
{
    return QStringLiteral("standard input could not be kept in a file (%1)").arg(reason);
}

} // namespace

StandardInputPage::StandardInputPage(std::FILE *input, QString &error)
{
    if (!keepInCurrentFolder() && !keepInPrivateFolder()) {
        error = couldNotKeep(qt_error_string(errno));
        return;
    }
    m_ready = copyFrom(input, error);
}

bool StandardInputPage::keepInCurrentFolder()
{
    m_folder = FileDescriptor(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat folder;
    if (!m_folder.isValid() || ::fstat(m_folder.get(), &folder) != 0) {
        m_whyNotInCurrentFolder =
            QStringLiteral("the current folder cannot be opened (%1)").arg(qt_error_string(errno));
        return false;
    }
    if (folder.st_mode & S_IWOTH) {
        m_whyNotInCurrentFolder = QStringLiteral("every user may write to the current folder");
        return false;
    }
    m_file.emplace(m_folder.get(), 0600, namePrefix, nameSuffix);
    if (!m_file->isValid()) {
        m_whyNotInCurrentFolder =
            QStringLiteral("the current folder cannot hold it (%1)").arg(qt_error_string(errno));
        m_file.reset();
        return false;
    }
    m_path = QDir::currentPath() + u'/' + decodeFileName(m_file->name());
    return true;
}

bool StandardInputPage::keepInPrivateFolder()
{
    const QString temporary = QDir::tempPath();
    m_folder = FileDescriptor(
        ::open(encodeFileName(temporary).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_folder.isValid())
        return false;
    m_privateFolder.emplace(m_folder.get(), privateFolderPrefix);
    if (!m_privateFolder->isValid())
        return false;
    m_file.emplace(m_privateFolder->fd(), 0600, namePrefix, nameSuffix);
    if (!m_file->isValid())
        return false;
    m_path = temporary + u'/' + decodeFileName(m_privateFolder->name()) + u'/'
        + decodeFileName(m_file->name());
    return true;
}

bool StandardInputPage::copyFrom(std::FILE *input, QString &error)
{
    std::array<char, 65536> buffer;
    size_t read;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), input)) > 0) {
        if (!writeAll(m_file->fd(), QByteArrayView(buffer.data(), qsizetype(read)))) {
            error = couldNotKeep(qt_error_string(errno));
            return false;
        }
    }
    if (std::ferror(input)) {
        error = QStringLiteral("standard input could not be read");
        return false;
    }
    if (!m_file->close()) {
        error = couldNotKeep(qt_error_string(errno));
        return false;
    }
    return true;
}
