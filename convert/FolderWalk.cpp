#include "convert/FolderWalk.h"

#include "platform/FolderEntries.h"
#include "platform/MessagePump.h"

#include <QDir>

#include <set>

namespace {

bool isHidden(const QString &name)
{
    return name.startsWith(u'.');
}

// Adds the walkable folders directly in folder to subfolders, skipping any already seen.
void appendSubfolders(const QString &folder, QStringList &subfolders,
                      std::set<FolderIdentity> &seen, MessagePump &pump)
{
    const std::vector<FolderEntry> entries = readFolder(folder);
    pump.processPending();
    for (const FolderEntry &entry : entries) {
        pump.processPending();
        if (entry.kind != EntryKind::Folder || isHidden(entry.name))
            continue;
        const QString subfolder = folder + entry.name + QDir::separator();
        // A folder that vanished since it was read cannot be walked either.
        const std::optional<FolderIdentity> identity = folderIdentity(subfolder);
        if (identity && seen.insert(*identity).second)
            subfolders.append(subfolder);
    }
}

bool isAddedFromFolder(const QString &name, const QString &path)
{
    return !name.startsWith(u'~') && path.contains(QLatin1String("htm"), Qt::CaseInsensitive);
}

} // namespace

void collectSubfolders(QStringList &folders, MessagePump &pump)
{
    std::set<FolderIdentity> seen;
    for (const QString &folder : std::as_const(folders)) {
        if (const std::optional<FolderIdentity> identity = folderIdentity(folder))
            seen.insert(*identity);
    }

    qsizetype levelStart = 0;
    while (levelStart < folders.size()) {
        const qsizetype levelEnd = folders.size();
        QStringList nextLevel;
        for (qsizetype i = levelStart; i < levelEnd; ++i)
            appendSubfolders(folders.at(i), nextLevel, seen, pump);
        for (const QString &subfolder : std::as_const(nextLevel)) {
            pump.processPending();
            folders.append(subfolder);
        }
        levelStart = levelEnd;
    }
}

QStringList listFiles(const QString &folder)
{
    QStringList names;
    for (const FolderEntry &entry : readFolder(folder)) {
        if (entry.kind == EntryKind::File)
            names.append(entry.name);
    }
    return names;
}

QStringList htmlFilesInTree(const QString &chosenFolder, MessagePump &pump)
{
    const QChar separator = QDir::separator();
    QStringList folders{chosenFolder + separator};
    collectSubfolders(folders, pump);

    QStringList paths;
    for (const QString &folder : std::as_const(folders)) {
        const QString listed = folder.chopped(1);
        for (const QString &name : listFiles(listed)) {
            const QString path = listed + separator + name;
            if (isAddedFromFolder(name, path))
                paths.append(path);
        }
    }
    return paths;
}
