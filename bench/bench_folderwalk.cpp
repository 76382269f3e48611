// Times "Add All HTML Files In Folder" on a large tree: the walk, the listing and the append
// into the file list, once with events processed as in the program and once without, and
// the listing of one flat folder. Prints the figures; it checks nothing.

#include "convert/FolderWalk.h"
#include "filelist/FileListModel.h"
#include "platform/QtMessagePump.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct CountingPump : MessagePump
{
    MessagePump *real = nullptr; // null: events are not processed
    long pumps = 0;

    void processPending() override
    {
        ++pumps;
        if (real)
            real->processPending();
    }
    void processPendingOrWait(int) override { processPending(); }
    void wakeUp() override {}
};

void touch(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
}

// topFolders folders below root, each with subfolders folders below it, and in every one of
// them filesPerFolder files: all but one named as HTML, the last a .txt.
void buildTree(const QString &root, int topFolders, int subfolders, int filesPerFolder)
{
    const auto fill = [filesPerFolder](const QString &folder) {
        QDir().mkpath(folder);
        for (int i = 1; i < filesPerFolder; ++i)
            touch(folder + QStringLiteral("/page%1.htm").arg(i));
        touch(folder + QStringLiteral("/notes.txt"));
    };
    for (int top = 0; top < topFolders; ++top) {
        const QString topFolder = root + QStringLiteral("/part%1").arg(top);
        fill(topFolder);
        for (int sub = 0; sub < subfolders; ++sub)
            fill(topFolder + QStringLiteral("/section%1").arg(sub));
    }
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void timeTree(int topFolders, int subfolders, int filesPerFolder, MessagePump *realPump)
{
    QTemporaryDir tree;
    buildTree(tree.path(), topFolders, subfolders, filesPerFolder);
    const int folders = topFolders * (subfolders + 1);
    const int files = folders * filesPerFolder;

    for (MessagePump *real : {static_cast<MessagePump *>(nullptr), realPump}) {
        CountingPump collectPump;
        collectPump.real = real;
        QElapsedTimer timer;
        timer.start();
        QStringList collected{tree.path() + QDir::separator()};
        collectSubfolders(collected, collectPump);
        const double collectMs = millisecondsSince(timer);

        CountingPump walkPump;
        walkPump.real = real;
        timer.restart();
        const QStringList paths = htmlFilesInTree(tree.path(), walkPump);
        const double walkMs = millisecondsSince(timer);
        FileListModel list;
        timer.restart();
        list.append(paths);
        const double appendMs = millisecondsSince(timer);

        std::printf("%6d files in %4d folders, %-16s: folders only %6.1f ms | whole walk "
                    "%6.1f ms (%.2f ms per 1000 files, %ld pumps) | append %d items %4.1f ms\n",
                    files, folders + 1, real ? "events processed" : "no events", collectMs, walkMs,
                    walkMs * 1000.0 / files, walkPump.pumps, list.count(), appendMs);
    }
}

void timeFlatFolder(int files)
{
    QTemporaryDir folder;
    for (int i = 0; i < files; ++i)
        touch(folder.path() + QStringLiteral("/page%1.htm").arg(i));
    QElapsedTimer timer;
    timer.start();
    const QStringList names = listFiles(folder.path());
    std::printf("%6lld files in one folder: listed in %.1f ms\n", qlonglong(names.size()),
                millisecondsSince(timer));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QtMessagePump realPump;

    // A quarter of the tree first: the time per file should not grow with the tree's size.
    timeTree(50, 24, 20, &realPump);
    timeTree(50, 99, 20, &realPump);
    timeFlatFolder(100000);
    return 0;
}
