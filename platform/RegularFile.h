#pragma once

#include <QByteArray>
#include <QString>

// What reading a file that a page names (or the page itself) found.
struct RegularFileRead
{
    enum class Status { Read, CannotOpen, NotAFile, ReadFailed, TooLarge };

    Status status = Status::Read;
    QByteArray bytes; // all of the file, when Read
    QString error;    // the system's words, when CannotOpen or ReadFailed
};

// Reads the file at `path` through one descriptor opened without blocking, so that a pipe
// never holds the reader: a regular file only (a pipe, a device or a folder is refused, never
// read), to its end but no further than maxBytes, whatever size the file claims.
RegularFileRead readRegularFile(const QString &path, qint64 maxBytes);
