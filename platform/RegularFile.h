#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>

// What tells one version of a file from another: a file changed in place gets another size or
// modification time (and another change time even when its modification time is set back), a
// file replaced another inode.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    qint64 modifiedNanoseconds = 0;
    qint64 changedNanoseconds = 0;

    bool operator==(const FileStamp &) const = default;
};

// The stamp of a regular file at `path`, links followed; nothing for anything else.
std::optional<FileStamp> regularFileStamp(const QString &path);

// What reading a file that a page names (or the page itself) found.
struct RegularFileRead
{
    enum class Status { Read, CannotOpen, NotAFile, ReadFailed, TooLarge };

    Status status = Status::Read;
    QByteArray bytes; // all of the file, when Read
    QString error;    // the system's words, when CannotOpen or ReadFailed
};

// A regular file open for reading, and nothing else: a pipe would keep its reader waiting for
// a writer for good, and a device such as /dev/zero never ends. The path is looked at first, so
// that no device or pipe is ever opened; the opening does not wait even for a pipe swapped in
// meanwhile, and what counts is what the descriptor then says. Sizes the file claims are only a
// stamp: reading never trusts them.
class RegularFile
{
public:
    explicit RegularFile(const QString &path);
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    bool isOpen() const { return m_descriptor >= 0; }
    // Why the file is not open: CannotOpen (with errorNumber() and error()) or NotAFile.
    RegularFileRead::Status failure() const { return m_failure; }
    int errorNumber() const { return m_errorNumber; }
    QString error() const;
    FileStamp stamp() const { return m_stamp; }
    // Whether the kernel makes the file's contents as they are read (/proc, /sys and the like),
    // whose sizes are made up: /proc/self/pagemap says it holds nothing and gives gigabytes.
    bool isOnKernelFileSystem() const;

    // The file to its end but no further than maxBytes.
    RegularFileRead readAll(qint64 maxBytes);
    // The first `count` bytes, or all of a shorter file; empty when it cannot be read.
    QByteArray readStart(qsizetype count);
    // The descriptor, from now on the caller's to close.
    int release();

private:
    int m_descriptor = -1;
    RegularFileRead::Status m_failure = RegularFileRead::Status::Read;
    int m_errorNumber = 0;
    FileStamp m_stamp;
};

// Reads the whole regular file at `path`, to its end but no further than maxBytes, whatever
// size the file claims.
RegularFileRead readRegularFile(const QString &path, qint64 maxBytes);
