#include "platform/FolderEntries.h"

#include "platform/FileNames.h"

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

EntryKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return EntryKind::Other;
}

// The entry's own type when the directory tells it; only links and file systems that do not
// tell cost a look at the entry itself.
EntryKind kindOf(DIR *dir, const dirent &entry)
{
    switch (entry.d_type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat target;
        if (fstatat(dirfd(dir), entry.d_name, &target, 0) != 0)
            return EntryKind::Other;
        return kindOf(target.st_mode);
    }
    default:
        return EntryKind::Other;
    }
}

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

void sortByCaseInsensitiveName(std::vector<FolderEntry> &entries)
{
    struct Keyed
    {
        QString key;
        FolderEntry entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (FolderEntry &entry : entries)
        keyed.push_back({entry.name.toUpper(), std::move(entry)});
    // Names that differ only in case keep a fixed order too.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return a.key != b.key ? a.key < b.key : a.entry.name < b.entry.name;
    });
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = std::move(keyed[i].entry);
}

} // namespace

std::vector<FolderEntry> readFolder(const QString &folder)
{
    std::vector<FolderEntry> entries;
    const DirHandle dir(opendir(encodeFileName(folder).constData()));
    if (!dir)
        return entries;
    while (const dirent *entry = readdir(dir.get())) {
        if (!isDotOrDotDot(entry->d_name))
            entries.push_back({decodeFileName(entry->d_name), kindOf(dir.get(), *entry)});
    }
    sortByCaseInsensitiveName(entries);
    return entries;
}

std::optional<FolderIdentity> folderIdentity(const QString &path)
{
    struct stat info;
    if (stat(encodeFileName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return FolderIdentity{info.st_dev, info.st_ino};
}
