#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "convert/FolderWalk.h"
#include "filelist/AddFilesDialog.h"
#include "filelist/DroppedFiles.h"
#include "filelist/FileListView.h"
#include "platform/FileNames.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction)
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

} // namespace

class TestAddFiles : public QObject
{
    Q_OBJECT

private slots:
    // The dialog, the folder button and drops each append behind what is listed, duplicates and
    // all. A cancelled choice or a refused drop appends nothing.
    void everyWayOfAddingAppends()
    {
        QTemporaryDir tree;
        build(tree.path(), {"a.htm", "S/b.htm"});
        FakePlatform fakes;
        MainWindow window(fakes.platform(), QDir::tempPath());
        window.show();
        FileListView &list = *window.listView();
        window.addFolderButton()->click(); // cancelled
        window.addFilesButton()->click();  // cancelled
        QMimeData text;
        text.setText(QStringLiteral("/web/a.htm"));
        QCOMPARE(dragOnto(list, text), Qt::IgnoreAction);
        QCOMPARE(dragOnto(list, *dragOf({"/web/a.htm", "https://x.org/b"})), Qt::IgnoreAction);
        QCOMPARE(dragOnto(list, *dragOf({"/web/a.htm"}), {}, Qt::MoveAction), Qt::IgnoreAction);

        // Shift asks for a move; reporting one would let the program the files came from delete
        // its originals.
        const QStringList dropped{"/web/c.htm", "/web/notes.txt", QDir::tempPath(), "/web/c.htm"};
        QCOMPARE(dragOnto(list, *dragOf(dropped), Qt::ShiftModifier), Qt::CopyAction);
        QVERIFY(list.viewport()->acceptDrops()); // where the system delivers drags

        // Drops are refused once an item has been clicked; a press below the items is no item
        // click.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, {5, list.viewport()->height() - 5});
        QCOMPARE(dragOnto(list, *dragOf({"/web/d.htm"})), Qt::CopyAction);
        const QPoint item = list.visualRect(window.fileList().index(0)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, item);
        QCOMPARE(dragOnto(list, *dragOf({"/web/e.htm"})), Qt::IgnoreAction);

        window.setMousePointer(CustomPointer);
        fakes.fileDialog.picked = {"/web/b.htm", "/web/a.htm"}; // in the dialog's order
        window.addFilesButton()->click();
        QCOMPARE(window.mousePointer(), int(DefaultPointer));
        fakes.folderBrowser.folder = tree.path();
        fakes.pump.onPump = [&] { QCOMPARE(window.mousePointer(), int(HourglassPointer)); };
        window.addFolderButton()->click();
        window.addFolderButton()->click();
        QVERIFY(fakes.pump.pumps > 0);
        QCOMPARE(fakes.pump.waitingPumps, 0); // a walk never waits for events
        QCOMPARE(window.mousePointer(), int(DefaultPointer));

        const QStringList walked{tree.path() + "/a.htm", tree.path() + "/S/b.htm"};
        QStringList expected = dropped;
        expected << "/web/d.htm"
                 << "/web/b.htm"
                 << "/web/a.htm" << walked << walked;
        QCOMPARE(window.fileList().count(), expected.size());
        for (int position = 1; position <= expected.size(); ++position) {
            QCOMPARE(window.fileList().text(position), expected.at(position - 1));
            const bool isWalked = position > expected.size() - 2 * walked.size();
            QCOMPARE(window.fileList().listedFolder(position), isWalked ? tree.path() : QString());
        }
    }

    // Folders are walked level by level, each in name order, which ignores case and compares as
    // upper case, where "X" comes before "_". Hidden files count, hidden folders are not walked,
    // a link counts as what it leads to, and a pipe (which would never finish loading) or a link
    // to nothing is no file. Below a root given with its closing separator the separator stays
    // doubled.
    void whatAFolderWalkFindsInWhichOrder()
    {
        QTemporaryDir tree;
        const QString root = tree.path();
        build(root,
              {"a.htm", "b.HTML", "c.txt", "~d.htm", ".seen.htm", ".cache/hidden.htm", "x.shtml",
               "x.htm.bak", "htmlpages/notes.txt", "~old/walked.htm", "A/A1/a1.htm", "b/B1/b1.htm",
               "ax/x.htm", "a_x/u.htm", "gone/g.htm", "empty/"});
        QVERIFY(QFile::link(root + "/a.htm", root + "/linked.htm"));
        QVERIFY(QFile::link(root + "/missing.htm", root + "/dangling.htm"));
        QVERIFY(QFile::link(root + "/A", root + "/A-link")); // a second way to A
        QVERIFY(QFile::link(root, root + "/A/A1/up"));       // and a way back up
        QCOMPARE(mkfifo(QFile::encodeName(root + "/pipe.htm").constData(), 0600), 0);
        FakePump pump;
        // A folder that vanishes while other handlers run is passed over.
        pump.onPump = [&] { QDir(root + "/gone").removeRecursively(); };

        QStringList expected;
        for (const char *below :
             {".seen.htm", "a.htm", "b.HTML", "linked.htm", "x.htm.bak", "x.shtml", "ax/x.htm",
              "a_x/u.htm", "htmlpages/notes.txt", "~old/walked.htm", "A/A1/a1.htm", "b/B1/b1.htm"})
            expected << root + "//" + below;
        QCOMPARE(htmlFilesInTree(root + u'/', pump), expected);
        QCOMPARE(htmlFilesInTree(root + "/empty", pump), QStringList());
    }

    // A name is bytes. Whatever they are, the walk and the drop hand the run a name that turns
    // back into those very bytes; valid UTF-8 reads as text.
    void namesKeepTheirBytes()
    {
        for (const QByteArray &bytes : {"caf\xe9.htm"_ba, "\xed\xb2\x80"_ba, "\xc0\xaf"_ba,
                                        "x\xf0\x9f\x98"_ba, "\xff\xfe"_ba, "naïve ☃ 😀"_ba})
            QCOMPARE(encodeFileName(decodeFileName(bytes)), bytes);
        QCOMPARE(decodeFileName("naïve ☃ 😀"_ba), u"naïve ☃ 😀"_s);

        QTemporaryDir tree;
        const QByteArray name = QFile::encodeName(tree.path()) + "/caf\xe9.htm";
        QVERIFY(QFile().open(::creat(name.constData(), 0600), QIODevice::WriteOnly,
                             QFileDevice::AutoCloseHandle));
        FakePump pump;
        const QStringList walked = htmlFilesInTree(tree.path(), pump);
        ::unlink(name.constData()); // QTemporaryDir cannot remove what Qt cannot name
        QCOMPARE(walked.size(), 1);
        QCOMPARE(encodeFileName(walked[0]), name);

        QMimeData drop;
        drop.setUrls({QUrl::fromEncoded("file:///web/caf%E9%20x.htm")});
        QCOMPARE(encodeFileName(droppedLocalFiles(drop).value(0)), "/web/caf\xe9 x.htm");
    }
};

QTEST_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
