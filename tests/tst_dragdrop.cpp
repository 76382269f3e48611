#include "FakePlatform.h"

#include "app/MainWindow.h"
#include "filelist/FileListView.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

const Qt::DropActions allActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

std::unique_ptr<QMimeData> localFiles(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> text(const QString &words)
{
    auto data = std::make_unique<QMimeData>();
    data->setText(words);
    return data;
}

// How the list answered each step of a drag that entered it, moved over it and was dropped.
struct Answers
{
    bool enter = false;
    bool move = false;
    bool drop = false;
    Qt::DropAction dropAction = Qt::IgnoreAction;
};

// Sends the events the windowing system sends for a drag onto the list; the drop is sent even
// when the drag was refused, to see that the list refuses it too.
Answers dragOnto(FileListView &list, const QMimeData &data, Qt::DropActions actions = allActions,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPoint pos(10, 10);
    QDragEnterEvent enter(pos, actions, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    QDragMoveEvent move(pos, actions, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(list.viewport(), &move);
    QDropEvent drop(pos, actions, &data, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    return {enter.isAccepted(), move.isAccepted(), drop.isAccepted(), drop.dropAction()};
}

} // namespace

class TestDragDrop : public QObject
{
    Q_OBJECT

private slots:
    void droppedFilesAreAppendedInOrder();
    void dataWithoutLocalFilesIsRefused_data();
    void dataWithoutLocalFilesIsRefused();
    void aDropNeverMovesTheFiles();
    void dropsEndWithTheFirstItemClick();
};

void TestDragDrop::droppedFilesAreAppendedInOrder()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.fileList().append(QStringLiteral("/web/b.htm"));
    window.setMousePointer(CustomPointer);

    // Not checked for existence, extension or duplicates, and a folder is not opened: every
    // path is taken as it comes.
    const QString folder = QDir::tempPath();
    const auto files = localFiles({"/web/c.htm", "/web/notes.txt", folder, "/web/b.htm"});
    const Answers answers = dragOnto(*window.listView(), *files);

    QVERIFY(answers.enter && answers.move && answers.drop);
    QVERIFY(window.listView()->viewport()->acceptDrops()); // where the system delivers drags
    QCOMPARE(window.fileList().count(), 5);
    QCOMPARE(window.fileList().text(2), QStringLiteral("/web/c.htm"));
    QCOMPARE(window.fileList().text(3), QStringLiteral("/web/notes.txt"));
    QCOMPARE(window.fileList().text(4), folder);
    QCOMPARE(window.fileList().text(5), QStringLiteral("/web/b.htm"));
    QCOMPARE(window.mousePointer(), int(CustomPointer));
}

void TestDragDrop::dataWithoutLocalFilesIsRefused_data()
{
    QTest::addColumn<std::shared_ptr<QMimeData>>("data");

    QTest::newRow("text") << std::shared_ptr<QMimeData>(text("/web/a.htm"));
    auto webLink = std::make_shared<QMimeData>();
    webLink->setUrls({QUrl("https://example.org/a.htm")});
    QTest::newRow("web link") << webLink;
    auto mixed = std::shared_ptr<QMimeData>(localFiles({"/web/a.htm"}));
    mixed->setUrls(mixed->urls() << QUrl("https://example.org/b.htm"));
    QTest::newRow("file and web link") << mixed;
}

void TestDragDrop::dataWithoutLocalFilesIsRefused()
{
    QFETCH(std::shared_ptr<QMimeData>, data);
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());

    const Answers answers = dragOnto(*window.listView(), *data);

    QVERIFY(!answers.enter && !answers.move && !answers.drop);
    QCOMPARE(window.fileList().count(), 0);
}

// A move reported back would let the program the files came from delete its originals.
void TestDragDrop::aDropNeverMovesTheFiles()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    const auto files = localFiles({"/web/a.htm"});

    const Answers shiftHeld = dragOnto(*window.listView(), *files, allActions, Qt::ShiftModifier);
    QVERIFY(shiftHeld.drop);
    QCOMPARE(shiftHeld.dropAction, Qt::CopyAction);

    const Answers moveOnly = dragOnto(*window.listView(), *files, Qt::MoveAction);
    QVERIFY(!moveOnly.enter && !moveOnly.drop);
    QCOMPARE(window.fileList().count(), 1);
}

void TestDragDrop::dropsEndWithTheFirstItemClick()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.show();
    FileListView *list = window.listView();
    const auto files = localFiles({"/web/a.htm"});
    dragOnto(*list, *files);
    QCOMPARE(window.fileList().count(), 1);

    const QPoint item = list->visualRect(window.fileList().index(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item);
    const Answers afterClick = dragOnto(*list, *files);

    QVERIFY(!afterClick.enter && !afterClick.move && !afterClick.drop);
    QCOMPARE(window.fileList().count(), 1);
}

QTEST_MAIN(TestDragDrop)
#include "tst_dragdrop.moc"
