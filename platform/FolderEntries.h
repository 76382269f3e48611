#pragma once

#include <QString>

#include <compare>
#include <optional>
#include <vector>

#include <sys/types.h>

// What a folder walk needs to know of one directory entry. A link counts as what it leads
// to; a dangling link, a device, a pipe or a socket is Other.
enum class EntryKind { File, Folder, Other };

struct FolderEntry
{
    QString name;
    EntryKind kind;
};

// The entries of folder without "." and "..", ordered by their names compared without regard
// to letter case (as upper case), so that a walk lists a tree the same way on every machine.
// Empty when the folder cannot be read.
std::vector<FolderEntry> readFolder(const QString &folder);

// The same for two paths that lead to one folder, whatever links or mounts lie between.
struct FolderIdentity
{
    dev_t device;
    ino_t inode;

    auto operator<=>(const FolderIdentity &) const = default;
};

// Empty when path does not lead to a folder.
std::optional<FolderIdentity> folderIdentity(const QString &path);
