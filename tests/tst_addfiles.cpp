#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "filelist/AddFilesDialog.h"
#include "filelist/FileListView.h"
#include "filelist/FolderTree.h"
#include "platform/PointerCode.h"
#include "platform/SelectionString.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

namespace {

QString joined(const QStringList &parts)
{
    return parts.join(QChar(u'\0'));
}

std::unique_ptr<QMimeData> dragOf(const QStringList &localFilesOrWebLinks)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &item : localFilesOrWebLinks)
        urls << QUrl::fromUserInput(item);
    data->setUrls(urls);
    return data;
}

// Sends what the window system sends for a drag that enters the list, moves over it and is
// dropped (the drop even after a refusal). Returns the drop's action when the list took every
// step, otherwise Qt::IgnoreAction.
Qt::DropAction dragOnto(FileListView &list, const QMimeData &data,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QDragEnterEvent enter({10, 10}, offered, &data, Qt::LeftButton, modifiers);
    QDragMoveEvent move({10, 10}, offered, &data, Qt::LeftButton, modifiers);
    QDropEvent drop({10, 10}, offered, &data, Qt::LeftButton, modifiers);
    for (QDropEvent *event : std::initializer_list<QDropEvent *>{&enter, &move, &drop})
        QCoreApplication::sendEvent(list.viewport(), event);
    const bool tookAll = enter.isAccepted() && move.isAccepted() && drop.isAccepted();
    return tookAll ? drop.dropAction() : Qt::IgnoreAction;
}

// Builds entries below root: a path ending in "/" is a folder, any other an empty file.
void build(const QString &root, const QStringList &paths)
{
    for (const QString &path : paths) {
        QVERIFY(QDir(root).mkpath(QFileInfo(path).path()));
        if (!path.endsWith(u'/'))
            QVERIFY(QFile(root + u'/' + path).open(QIODevice::WriteOnly));
    }
}

// The items of a walk from root, with root left off the front.
QStringList foundBelow(const QString &root, MessagePump &pump)
{
    QStringList found = htmlFilesInTree(root, pump);
    for (QString &path : found)
        path = path.startsWith(root) ? path.mid(root.size()) : "outside the tree: " + path;
    return found;
}

} // namespace

class TestAddFiles : public QObject
{
    Q_OBJECT

private slots:
    void selectionStrings_data();
    void selectionStrings();
    void dialogAppendsPickedFiles();
    void dropsTakeOnlyLocalFilesUntilTheFirstItemClick();
    void foldersAreWalkedLevelByLevel();
    void whichFilesAFolderWalkLists();
    void folderButtonAppendsTheTree();
};

void TestAddFiles::selectionStrings_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("none") << QString() << QStringList();
    QTest::newRow("one file, unaltered") << "/web//a.htm" << QStringList{"/web//a.htm"};
    QTest::newRow("several, in the dialog's order")
        << joined({"/web", "b.htm", "a.htm"}) << QStringList{"/web/b.htm", "/web/a.htm"};
    QTest::newRow("root") << joined({"/", "a.htm", "b.txt"}) << QStringList{"/a.htm", "/b.txt"};
    QTest::newRow("folders whose names start alike")
        << joined({"/", "web/a.htm", "webpages/b.htm"})
        << QStringList{"/web/a.htm", "/webpages/b.htm"};
}

// The dialog's adapter and the handler's parsing together give back exactly what was picked.
void TestAddFiles::selectionStrings()
{
    QFETCH(QString, selection);
    QFETCH(QStringList, paths);
    QCOMPARE(pathsFromSelection(selection), paths);
    QCOMPARE(selectionStringFromPaths(paths), selection);
}

void TestAddFiles::dialogAppendsPickedFiles()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.fileList().append(QStringLiteral("/web/a.htm"));
    window.setMousePointer(CustomPointer);
    window.addFilesButton()->click(); // cancelled
    QCOMPARE(window.fileList().count(), 1);
    QCOMPARE(window.mousePointer(), int(DefaultPointer));

    window.setMousePointer(CustomPointer);
    fakes.fileDialog.selection = joined({"/web", "b.htm", "a.htm"});
    window.addFilesButton()->click();

    QCOMPARE(window.fileList().count(), 3); // the duplicate stays
    QCOMPARE(window.fileList().text(2), QStringLiteral("/web/b.htm"));
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
}

void TestAddFiles::dropsTakeOnlyLocalFilesUntilTheFirstItemClick()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.show();
    FileListView &list = *window.listView();
    QMimeData text;
    text.setText(QStringLiteral("/web/a.htm"));
    const QString webLink = QStringLiteral("https://example.org/b.htm");
    QCOMPARE(dragOnto(list, text), Qt::IgnoreAction);
    QCOMPARE(dragOnto(list, *dragOf({webLink})), Qt::IgnoreAction);
    QCOMPARE(dragOnto(list, *dragOf({"/web/a.htm", webLink})), Qt::IgnoreAction);
    QCOMPARE(dragOnto(list, *dragOf({"/web/a.htm"}), Qt::MoveAction), Qt::IgnoreAction);
    QCOMPARE(window.fileList().count(), 0);

    // Shift asks for a move; reporting one would let the program the files came from delete
    // its originals.
    const QStringList paths{"/web/c.htm", "/web/notes.txt", QDir::tempPath(), "/web/c.htm"};
    QCOMPARE(dragOnto(list, *dragOf(paths), Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier),
             Qt::CopyAction);
    QVERIFY(list.viewport()->acceptDrops()); // where the system delivers drags
    for (int position = 1; position <= 4; ++position)
        QCOMPARE(window.fileList().text(position), paths.at(position - 1));

    // A press below the items is no item click.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, {5, list.viewport()->height() - 5});
    QCOMPARE(dragOnto(list, *dragOf({"/web/d.htm"})), Qt::CopyAction);
    const QPoint item = list.visualRect(window.fileList().index(0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, item);
    QCOMPARE(dragOnto(list, *dragOf({"/web/e.htm"})), Qt::IgnoreAction);
    QCOMPARE(window.fileList().count(), 5);
}

void TestAddFiles::foldersAreWalkedLevelByLevel()
{
    QTemporaryDir tree;
    const QString root = tree.path() + u'/';
    // Name order ignores case and compares as upper case, where "B" comes before "_".
    build(tree.path(), {"b/B1/", "A/A1/", "a_x/", "ax/", ".hidden/H1/", "~old/"});
    FakePump pump;

    QStringList folders{root};
    CollectSubfolders(folders, pump);

    QCOMPARE(folders, (QStringList{root, root + "A/", root + "ax/", root + "a_x/", root + "b/",
                                   root + "~old/", root + "A/A1/", root + "b/B1/"}));
}

void TestAddFiles::whichFilesAFolderWalkLists()
{
    QTemporaryDir tree;
    const QString root = tree.path();
    build(root, {"a.htm", "b.HTML", "c.txt", "~d.htm", ".seen.htm", ".cache/hidden.htm",
                 "x.shtml", "x.htm.bak", "htmlpages/notes.txt", "~old/walked.htm",
                 "pages/p.htm", "gone/g.htm", "empty/"});
    QVERIFY(QFile::link(root + "/a.htm", root + "/linked.htm"));
    QVERIFY(QFile::link(root + "/missing.htm", root + "/dangling.htm"));
    QVERIFY(QFile::link(root + "/pages", root + "/pages-link")); // a second way to pages
    QVERIFY(QFile::link(root, root + "/pages/up"));               // and a way back up
    QCOMPARE(mkfifo(QFile::encodeName(root + "/pipe.htm").constData(), 0600), 0);
    FakePump pump;
    // A folder that vanishes while other handlers run is passed over.
    pump.onPump = [&] { QDir(root + "/gone").removeRecursively(); };

    // Hidden files count, hidden folders are not walked, a link counts as what it leads to,
    // and a pipe (which would never finish loading) or a link to nothing is no file. Below a
    // root given with its closing separator the separator stays doubled.
    QCOMPARE(foundBelow(root + u'/', pump),
             (QStringList{"/.seen.htm", "/a.htm", "/b.HTML", "/linked.htm", "/x.htm.bak",
                          "/x.shtml", "/htmlpages/notes.txt", "/pages/p.htm",
                          "/~old/walked.htm"}));
    QCOMPARE(foundBelow(root + "/empty", pump), QStringList());
}

void TestAddFiles::folderButtonAppendsTheTree()
{
    QTemporaryDir tree;
    build(tree.path(), {"a.htm", "S/b.htm"});
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.fileList().append(QStringLiteral("/first.htm"));
    window.setMousePointer(CustomPointer);
    window.addFolderButton()->click(); // cancelled
    QCOMPARE(window.fileList().count(), 1);
    QCOMPARE(window.mousePointer(), int(CustomPointer));

    fakes.folderBrowser.folder = tree.path();
    fakes.pump.onPump = [&] { QCOMPARE(window.mousePointer(), int(HourglassPointer)); };
    window.addFolderButton()->click();
    window.addFolderButton()->click(); // the same paths once more

    const QStringList walked{tree.path() + "/a.htm", tree.path() + "/S/b.htm"};
    QCOMPARE(window.fileList().count(), 5);
    for (int position = 2; position <= 5; ++position)
        QCOMPARE(window.fileList().text(position), walked.at(position % 2));
    QVERIFY(fakes.pump.pumps > 0);
    QCOMPARE(fakes.pump.waitingPumps, 0); // a walk never waits for events
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
}

QTEST_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
