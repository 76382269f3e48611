#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "filelist/FolderTree.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

namespace {

// Builds entries below root: a path ending in "/" is a folder, any other an empty file.
void build(const QString &root, const QStringList &paths)
{
    for (const QString &path : paths) {
        QVERIFY(QDir(root).mkpath(QFileInfo(path).path()));
        if (!path.endsWith(u'/'))
            QVERIFY(QFile(root + u'/' + path).open(QIODevice::WriteOnly));
    }
}

void link(const QString &target, const QString &linkPath)
{
    QVERIFY(QFile::link(target, linkPath));
}

// The items of a walk from root, with root left off the front.
QStringList foundBelow(const QString &root, MessagePump &pump)
{
    QStringList found = htmlFilesInTree(root, pump);
    for (QString &path : found) {
        if (!path.startsWith(root))
            return {QStringLiteral("outside the tree: ") + path};
        path.remove(0, root.size());
    }
    return found;
}

} // namespace

class TestAddFolder : public QObject
{
    Q_OBJECT

private slots:
    void foldersAreWalkedLevelByLevel();
    void filesWhosePathHoldsHtmAreFound();
    void whichEntriesCount();
    void aFolderReachedTwiceIsWalkedOnce();
    void unreadableFoldersAreSkipped();
    void aClosingSeparatorStaysDoubled();
    void buttonAppendsTheTree();
    void cancellingTheBrowserChangesNothing();
};

void TestAddFolder::foldersAreWalkedLevelByLevel()
{
    QTemporaryDir tree;
    const QString root = tree.path() + u'/';
    // Name order ignores case and compares as upper case, where "B" comes before "_".
    build(tree.path(), {"b/B1/", "A/A1/", "a_x/", "ax/", ".hidden/H1/", "~old/"});
    FakePump pump;

    QStringList folders{root};
    CollectSubfolders(folders, pump);

    const QStringList expected{root, root + "A/", root + "ax/", root + "a_x/", root + "b/",
                               root + "~old/", root + "A/A1/", root + "b/B1/"};
    QCOMPARE(folders, expected);
    QVERIFY(pump.pumps >= 8); // at least once per folder and per entry
    QCOMPARE(pump.waitingPumps, 0);
}

void TestAddFolder::filesWhosePathHoldsHtmAreFound()
{
    QTemporaryDir tree;
    build(tree.path(), {"web/a.htm", "web/b.HTML", "web/c.txt", "web/~d.htm", "web/sub/e.htm",
                        "htmlpages/notes.txt", "other/x.shtml", "other/x.htm.bak",
                        "other/x.XHTML", "other/notes.txt", "empty/"});
    FakePump pump;

    QCOMPARE(foundBelow(tree.path() + "/web", pump),
             (QStringList{"/a.htm", "/b.HTML", "/sub/e.htm"}));
    QCOMPARE(foundBelow(tree.path() + "/htmlpages", pump), QStringList{"/notes.txt"});
    QCOMPARE(foundBelow(tree.path() + "/other", pump),
             (QStringList{"/x.htm.bak", "/x.shtml", "/x.XHTML"}));
    QCOMPARE(foundBelow(tree.path() + "/empty", pump), QStringList());
}

void TestAddFolder::whichEntriesCount()
{
    QTemporaryDir tree;
    build(tree.path(), {"a.htm", ".seen.htm", ".cache/hidden.htm", "~old/walked.htm",
                        "pages/p.htm"});
    const QString root = tree.path();
    link(root + "/a.htm", root + "/linked.htm");
    link(root + "/missing.htm", root + "/dangling.htm");
    link(root + "/pages", root + "/pages-link");
    QCOMPARE(mkfifo(QFile::encodeName(root + "/pipe.htm").constData(), 0600), 0);
    FakePump pump;

    // Hidden files count, hidden folders are not walked, a link counts as what it leads to,
    // and a pipe (which would never finish loading) or a link to nothing is no file.
    QCOMPARE(foundBelow(root, pump), (QStringList{"/.seen.htm", "/a.htm", "/linked.htm",
                                                  "/pages/p.htm", "/~old/walked.htm"}));
}

void TestAddFolder::aFolderReachedTwiceIsWalkedOnce()
{
    QTemporaryDir tree;
    const QString root = tree.path();
    build(root, {"A/a.htm"});
    link(root, root + "/A/up");     // back up the tree
    link(root + "/A", root + "/B"); // a second way to A

    FakePump pump;
    QStringList folders{root + u'/'};
    CollectSubfolders(folders, pump);

    QCOMPARE(folders, (QStringList{root + u'/', root + "/A/"}));
    QCOMPARE(foundBelow(root, pump), QStringList{"/A/a.htm"});
}

void TestAddFolder::unreadableFoldersAreSkipped()
{
    QTemporaryDir tree;
    const QString root = tree.path();
    build(root, {"A/a.htm", "B/b.htm", "C/c.htm"});
    FakePump pump;

    QStringList folders{root + "/gone/", root + u'/'};
    CollectSubfolders(folders, pump);
    QCOMPARE(folders.size(), 5);
    QCOMPARE(ListFiles(root + "/gone"), QStringList());

    // A folder removed while the walk lets other handlers run is passed over.
    pump.onPump = [&] { QDir(root + "/B").removeRecursively(); };
    QCOMPARE(foundBelow(root, pump), (QStringList{"/A/a.htm", "/C/c.htm"}));
}

void TestAddFolder::aClosingSeparatorStaysDoubled()
{
    // As for a root folder, which the browser gives with its separator.
    QTemporaryDir tree;
    build(tree.path(), {"x.htm", "S/y.htm"});
    FakePump pump;

    QCOMPARE(foundBelow(tree.path() + u'/', pump), (QStringList{"/x.htm", "/S/y.htm"}));
}

void TestAddFolder::buttonAppendsTheTree()
{
    QTemporaryDir tree;
    build(tree.path(), {"a.htm", "S/b.htm"});
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.fileList().append(QStringLiteral("/first.htm"));
    fakes.folderBrowser.folder = tree.path();
    QList<int> pointersDuringWalk;
    fakes.pump.onPump = [&] { pointersDuringWalk << window.mousePointer(); };

    window.addFolderButton()->click();
    window.addFolderButton()->click(); // the same paths once more

    QCOMPARE(fakes.folderBrowser.opened, 2);
    QCOMPARE(fakes.folderBrowser.lastTitle, QStringLiteral("Please select folder to add:"));
    const QString a = tree.path() + "/a.htm";
    const QString b = tree.path() + "/S/b.htm";
    QCOMPARE(window.fileList().count(), 5);
    for (int position = 2; position <= 5; ++position)
        QCOMPARE(window.fileList().text(position), (QStringList{a, b, a, b}.at(position - 2)));
    QVERIFY(!pointersDuringWalk.isEmpty());
    QVERIFY(std::all_of(pointersDuringWalk.begin(), pointersDuringWalk.end(),
                        [](int code) { return code == HourglassPointer; }));
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
}

void TestAddFolder::cancellingTheBrowserChangesNothing()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.setMousePointer(CustomPointer);

    window.addFolderButton()->click();

    QCOMPARE(fakes.folderBrowser.opened, 1);
    QCOMPARE(window.fileList().count(), 0);
    QCOMPARE(window.mousePointer(), int(CustomPointer));
}

QTEST_MAIN(TestAddFolder)
#include "tst_addfolder.moc"
