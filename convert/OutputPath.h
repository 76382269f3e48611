#pragma once

#include <QString>

#include <compare>
#include <optional>

#include <sys/types.h>

// The path without the extension of its file name: the name's last "." and everything after
// it are cut. A "." in a folder name never counts, so a name without one comes back whole.
QString stripExtension(const QString &path);

// Where the text of an input file goes: into the input's own folder, under the input's name
// with ".txt" for its extension ("report.final.htm" gives "report.final.txt", "README" gives
// "README.txt").
QString outputPathFor(const QString &inputPath);

// True when both paths lead to one and the same existing file, whether through a link, a
// case-insensitive file system or plain equality.
bool isSameFile(const QString &path, const QString &otherPath);

// The same for every path that leads to one file, however it is spelled.
struct FileIdentity
{
    dev_t device;
    ino_t inode;

    auto operator<=>(const FileIdentity &) const = default;
};

// Empty when nothing is at path.
std::optional<FileIdentity> fileIdentity(const QString &path);

// Why an output must not be written at path: something other than a regular file is there
// already (a link, which the text would replace, a folder, a device). Empty when the path is free
// or holds a regular file.
std::optional<QString> whyOutputIsLeftAlone(const QString &path);
