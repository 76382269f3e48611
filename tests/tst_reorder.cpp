#include "FakePlatform.h"

#include "app/MainWindow.h"
#include "filelist/DragReorder.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"
#include "platform/PointerCode.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

QStringList numberedPaths(int count)
{
    QStringList paths;
    for (int n = 1; n <= count; ++n)
        paths << QStringLiteral("/pages/%1.html").arg(n);
    return paths;
}

// A shown window whose list is driven with mouse events on its viewport, as the window system
// delivers them. Moves carry the buttons still held since the last press.
class ListGestures
{
public:
    explicit ListGestures(const QStringList &paths)
    {
        window.fileList().append(paths);
        window.show();
    }

    bool shown() { return QTest::qWaitForWindowExposed(&window); }

    FileListView *list() const { return window.listView(); }
    QWidget *viewport() const { return list()->viewport(); }
    QStringList paths()
    {
        QStringList texts;
        for (int position = 1; position <= window.fileList().count(); ++position)
            texts << window.fileList().text(position);
        return texts;
    }
    int selectedPosition() const { return FileListView::positionOf(list()->selectedItem()); }
    QString dragIconPath() const { return programFolder.filePath(QStringLiteral("drag.ico")); }

    QRect rowRect(int position) const
    {
        return list()->visualRect(list()->model()->index(position - 1, 0));
    }
    bool fullyVisible(int position) const
    {
        return viewport()->rect().contains(rowRect(position));
    }
    // Right of the only column: inside the list, over no item.
    QPoint emptySpace() const { return {viewport()->width() - 5, 5}; }

    void pressOn(int position, Qt::MouseButton button = Qt::LeftButton)
    {
        pressAt(rowRect(position).center(), button);
    }
    void pressAt(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        m_held = button;
        m_last = at;
        QTest::mousePress(viewport(), button, {}, at);
    }
    void moveOver(int position) { moveTo(rowRect(position).center()); }
    void moveTo(QPoint at)
    {
        m_last = at;
        QMouseEvent move(QEvent::MouseMove, at, viewport()->mapToGlobal(at), Qt::NoButton,
                         m_held, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &move);
    }
    void release()
    {
        QTest::mouseRelease(viewport(), m_held, {}, m_last);
        m_held = Qt::NoButton;
    }
    void clickOn(int position)
    {
        pressOn(position);
        release();
    }

    // Drags local files over the list and drops them; true when the list took the drop.
    bool dropFiles(const QStringList &files)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &file : files)
            urls << QUrl::fromLocalFile(file);
        data.setUrls(urls);
        const QPoint at = emptySpace();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    }

    FakePlatform fakes;
    QTemporaryDir programFolder;
    MainWindow window{fakes.platform(), programFolder.path()};

private:
    Qt::MouseButton m_held = Qt::NoButton;
    QPoint m_last;
};

bool writeIcon(const QString &path, QColor colour)
{
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(colour);
    return picture.save(path, "ico");
}

} // namespace

class TestReorder : public QObject
{
    Q_OBJECT

private slots:
    void edgeScrollNeighbour_data();
    void edgeScrollNeighbour();

    void draggedItemTravelsWithThePointer();
    void quickMoveSkipsTheItemsBetween();
    void equalTextsAreNotExchanged();
    void nothingMovesWithoutAClickedItemOrAHeldButton();
    void pointerBeyondTheListExchangesNothing();
    void edgeScrollingAtTheScreenRows_data();
    void edgeScrollingAtTheScreenRows();
    void removedDragItemExchangesNothing();

    void windowPointerIsResetUnlessBusy();
    void dragPointerAndArrow();
    void dropsRefusedFromTheFirstItemClick();
};

void TestReorder::edgeScrollNeighbour_data()
{
    QTest::addColumn<int>("screenY");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("neighbour");

    QTest::newRow("304 shows the item above") << 304 << 5 << 10 << 4;
    QTest::newRow("305 scrolls nothing") << 305 << 5 << 10 << 0;
    QTest::newRow("364 scrolls nothing") << 364 << 5 << 10 << 0;
    QTest::newRow("365 shows the item below") << 365 << 5 << 10 << 6;
    QTest::newRow("304 at the top") << 304 << 1 << 10 << 0;
    QTest::newRow("365 at the bottom") << 365 << 10 << 10 << 0;
    QTest::newRow("365 with exactly one below") << 365 << 5 << 6 << 6;
}

void TestReorder::edgeScrollNeighbour()
{
    QFETCH(int, screenY);
    QFETCH(int, position);
    QFETCH(int, count);
    QTEST(::edgeScrollNeighbour(screenY, position, count), "neighbour");
}

void TestReorder::draggedItemTravelsWithThePointer()
{
    ListGestures gestures({"A", "B", "C", "D"});
    QVERIFY(gestures.shown());

    gestures.pressOn(2);
    gestures.moveOver(3);
    QCOMPARE(gestures.paths(), (QStringList{"A", "C", "B", "D"}));
    gestures.moveOver(4);
    gestures.release();
    QCOMPARE(gestures.paths(), (QStringList{"A", "C", "D", "B"}));
    QCOMPARE(gestures.selectedPosition(), 4);

    // The dragged item is still the one at 4: a press on empty space (no item click) and a
    // move over A exchange it with A. With the right button, which reorders as well.
    gestures.pressAt(gestures.emptySpace(), Qt::RightButton);
    gestures.moveOver(1);
    gestures.release();
    QCOMPARE(gestures.paths(), (QStringList{"B", "C", "D", "A"}));
    QCOMPARE(gestures.selectedPosition(), 1);
}

void TestReorder::quickMoveSkipsTheItemsBetween()
{
    ListGestures gestures({"A", "B", "C", "D"});
    QVERIFY(gestures.shown());

    gestures.pressOn(1);
    gestures.moveOver(4);
    QCOMPARE(gestures.paths(), (QStringList{"D", "B", "C", "A"}));
    QCOMPARE(gestures.selectedPosition(), 4);
}

void TestReorder::equalTextsAreNotExchanged()
{
    ListGestures gestures({"X", "X", "Y"});
    QVERIFY(gestures.shown());

    gestures.pressOn(1);
    gestures.moveOver(1);
    gestures.moveOver(2);
    QCOMPARE(gestures.paths(), (QStringList{"X", "X", "Y"}));
    QCOMPARE(gestures.selectedPosition(), 1);
    gestures.moveOver(3);
    QCOMPARE(gestures.paths(), (QStringList{"Y", "X", "X"}));
    QCOMPARE(gestures.selectedPosition(), 3);
}

void TestReorder::nothingMovesWithoutAClickedItemOrAHeldButton()
{
    const QStringList abcd{"A", "B", "C", "D"};
    ListGestures gestures(abcd);
    QVERIFY(gestures.shown());

    // Held button, but no item has been clicked since start-up.
    gestures.pressAt(gestures.emptySpace());
    for (int position = 1; position <= 4; ++position)
        gestures.moveOver(position);
    gestures.release();
    QCOMPARE(gestures.paths(), abcd);

    // Clicked item, but the button is up again.
    gestures.clickOn(2);
    gestures.moveOver(3);
    gestures.moveOver(4);
    QCOMPARE(gestures.paths(), abcd);
    QCOMPARE(gestures.selectedPosition(), 2);
}

void TestReorder::pointerBeyondTheListExchangesNothing()
{
    const QStringList paths = numberedPaths(20);
    ListGestures gestures(paths);
    QVERIFY(gestures.shown());
    gestures.list()->scrollTo(gestures.list()->model()->index(9, 0),
                              QAbstractItemView::PositionAtTop);

    // Above and below the list lie rows scrolled out of sight; they are not under the pointer.
    gestures.pressOn(11);
    gestures.moveTo({gestures.rowRect(11).center().x(), -3});
    gestures.moveTo({gestures.rowRect(11).center().x(), gestures.viewport()->height() + 3});
    gestures.release();
    QCOMPARE(gestures.paths(), paths);
}

void TestReorder::edgeScrollingAtTheScreenRows_data()
{
    QTest::addColumn<int>("screenY");
    QTest::addColumn<bool>("upwards");
    QTest::addColumn<bool>("scrolls");

    QTest::newRow("304 going up") << 304 << true << true;
    QTest::newRow("305 going up") << 305 << true << false;
    QTest::newRow("364 going down") << 364 << false << false;
    QTest::newRow("365 going down") << 365 << false << true;
}

void TestReorder::edgeScrollingAtTheScreenRows()
{
    QFETCH(int, screenY);
    QFETCH(bool, upwards);
    QFETCH(bool, scrolls);
    ListGestures gestures(numberedPaths(20));
    QVERIFY(gestures.shown());
    gestures.fakes.cursor.pos = {5000, screenY}; // the screen's x plays no part

    // The dragged path arrives at 10; its neighbour on the side it travels to is out of sight.
    const int target = 10;
    const int neighbour = upwards ? target - 1 : target + 1;
    gestures.list()->scrollTo(gestures.list()->model()->index(target - 1, 0),
                              upwards ? QAbstractItemView::PositionAtTop
                                      : QAbstractItemView::PositionAtBottom);
    QVERIFY(!gestures.fullyVisible(neighbour));
    const int scrolledTo = gestures.list()->verticalScrollBar()->value();

    gestures.pressOn(upwards ? target + 1 : target - 1);
    gestures.moveOver(target);
    QCOMPARE(gestures.selectedPosition(), target);

    QCOMPARE(gestures.fullyVisible(neighbour), scrolls);
    if (!scrolls)
        QCOMPARE(gestures.list()->verticalScrollBar()->value(), scrolledTo);
}

void TestReorder::removedDragItemExchangesNothing()
{
    ListGestures gestures({"A", "B", "C"});
    QVERIFY(gestures.shown());

    gestures.clickOn(2);
    QTest::mouseDClick(gestures.viewport(), Qt::LeftButton, {}, gestures.rowRect(2).center());
    QCOMPARE(gestures.paths(), (QStringList{"A", "C"}));

    gestures.pressAt(gestures.emptySpace());
    gestures.moveOver(1);
    gestures.moveOver(2);
    gestures.release();
    QCOMPARE(gestures.paths(), (QStringList{"A", "C"}));

    // The next item click picks a dragged item again.
    gestures.pressOn(2);
    gestures.moveOver(1);
    QCOMPARE(gestures.paths(), (QStringList{"C", "A"}));
}

void TestReorder::windowPointerIsResetUnlessBusy()
{
    ListGestures gestures({"A"});
    QVERIFY(gestures.shown());

    gestures.window.setMousePointer(HourglassPointer);
    gestures.moveOver(1);
    QCOMPARE(gestures.window.mousePointer(), int(HourglassPointer));

    gestures.window.setMousePointer(CustomPointer);
    gestures.moveTo(gestures.emptySpace());
    QCOMPARE(gestures.window.mousePointer(), int(DefaultPointer));
}

void TestReorder::dragPointerAndArrow()
{
    ListGestures gestures({"A", "B"});
    QVERIFY(gestures.shown());
    const auto pictureColour = [&gestures] {
        return gestures.viewport()->cursor().pixmap().toImage().pixelColor(16, 16);
    };

    // No icon file yet: the drag pointer is a plain arrow and reordering works all the same.
    gestures.pressOn(1);
    QCOMPARE(gestures.list()->mousePointer(), int(CustomPointer));
    QCOMPARE(gestures.viewport()->cursor().shape(), Qt::ArrowCursor);
    gestures.moveOver(2);
    gestures.release();
    QCOMPARE(gestures.paths(), (QStringList{"B", "A"}));
    QCOMPARE(gestures.list()->mousePointer(), int(ArrowPointer));

    QVERIFY(writeIcon(gestures.dragIconPath(), Qt::red));
    gestures.pressOn(1);
    QCOMPARE(pictureColour(), QColor(Qt::red));
    gestures.release();
    QCOMPARE(gestures.viewport()->cursor().shape(), Qt::ArrowCursor);

    // Read afresh at every click; a spoilt file leaves the last good picture.
    QVERIFY(writeIcon(gestures.dragIconPath(), Qt::blue));
    gestures.clickOn(2);
    QFile spoilt(gestures.dragIconPath());
    QVERIFY(spoilt.open(QIODevice::WriteOnly | QIODevice::Truncate));
    spoilt.write("not an icon");
    spoilt.close();
    gestures.pressOn(1);
    QCOMPARE(pictureColour(), QColor(Qt::blue));
}

void TestReorder::dropsRefusedFromTheFirstItemClick()
{
    ListGestures gestures({"A"});
    QVERIFY(gestures.shown());
    QVERIFY(gestures.dropFiles({QStringLiteral("/pages/dropped.html")}));
    QCOMPARE(gestures.paths().size(), 2);

    // A press on empty space is no item click.
    gestures.pressAt(gestures.emptySpace());
    gestures.release();
    QVERIFY(gestures.list()->acceptDrops());

    gestures.clickOn(1);
    gestures.pressAt(gestures.emptySpace());
    gestures.release();
    QVERIFY(!gestures.list()->acceptDrops());
    QVERIFY(!gestures.dropFiles({QStringLiteral("/pages/late.html")}));
    QCOMPARE(gestures.paths().size(), 2);
}

QTEST_MAIN(TestReorder)
#include "tst_reorder.moc"
