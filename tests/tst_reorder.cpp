#include "FakePlatform.h"

#include "app/MainWindow.h"
#include "filelist/DragReorder.h"
#include "filelist/FileListView.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Positions that are not items: inside the list below its last item, and just beyond its edges.
constexpr int belowTheItems = 0;
constexpr int aboveTheList = -1;
constexpr int belowTheList = -2;

// A shown window whose list holds one-letter paths and is driven with mouse events on its
// viewport, as the window system delivers them.
struct LetterList
{
    explicit LetterList(const QString &letters, const QString &programFolder = QDir::tempPath())
        : window(fakes.platform(), programFolder)
    {
        model.append(letters.split(QString(), Qt::SkipEmptyParts));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QString letters() const
    {
        QString order;
        for (int position = 1; position <= model.count(); ++position)
            order += model.text(position);
        return order;
    }

    QPoint on(int position) const
    {
        switch (position) {
        case belowTheItems: return {5, viewport->height() - 5};
        case aboveTheList: return {5, -3};
        case belowTheList: return {5, viewport->height() + 3};
        }
        return view.visualRect(model.index(position - 1)).center();
    }

    // Presses on the gesture's first position, moves over the others with the button held and
    // lets go on the last.
    void drag(const QList<int> &gesture, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(viewport, button, {}, on(gesture.first()));
        for (int position : gesture)
            QTest::mouseMove(viewport, on(position));
        QTest::mouseRelease(viewport, button, {}, on(gesture.last()));
    }

    // QTest::mouseMove() without a held button only sets the cursor, which does nothing when it
    // is there already.
    void hover(int position)
    {
        QMouseEvent move(QEvent::MouseMove, on(position), viewport->mapToGlobal(on(position)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
    }

    FakePlatform fakes;
    MainWindow window;
    FileListModel &model = window.fileList();
    FileListView &view = *window.listView();
    QWidget *viewport = view.viewport();
};

} // namespace

class TestReorder : public QObject
{
    Q_OBJECT

private slots:
    void edgeScrollingScreenRows();
    void oneDrag_data();
    void oneDrag();
    void laterGesturesDragTheSameItemUntilItIsRemoved();
    void rowsOutOfSightAndEdgeScrolling();
    void hourglassStaysOverTheList();
    void dragPointerComesFromTheIconFile();
};

void TestReorder::edgeScrollingScreenRows()
{
    QCOMPARE(edgeScrollNeighbour(304, 5, 10), 4);
    QCOMPARE(edgeScrollNeighbour(305, 5, 10), 0);
    QCOMPARE(edgeScrollNeighbour(364, 5, 10), 0);
    QCOMPARE(edgeScrollNeighbour(304, 1, 10), 0); // nothing above the first
    QCOMPARE(edgeScrollNeighbour(365, 9, 10), 10);
    QCOMPARE(edgeScrollNeighbour(365, 10, 10), 0); // nothing below the last
}

void TestReorder::oneDrag_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QList<int>>("gesture");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("selected");

    QTest::newRow("B over C then D") << "ABCD" << QList<int>{2, 3, 4} << "ACDB" << 4;
    QTest::newRow("A straight to D") << "ABCD" << QList<int>{1, 4} << "DBCA" << 4;
    QTest::newRow("equal texts stay") << "XXY" << QList<int>{1, 1, 2, 3} << "YXX" << 3;
    QTest::newRow("before any item click")
        << "ABCD" << QList<int>{belowTheItems, 1, 2, 3, 4, belowTheItems} << "ABCD" << 0;
}

void TestReorder::oneDrag()
{
    QFETCH(QString, before);
    QFETCH(QList<int>, gesture);
    LetterList list(before);
    list.drag(gesture);

    QTEST(list.letters(), "after");
    QTEST(FileListView::positionOf(list.view.selectedItem()), "selected");
}

void TestReorder::laterGesturesDragTheSameItemUntilItIsRemoved()
{
    LetterList list("ABC");
    list.drag({2, 3});
    list.hover(1);
    QCOMPARE(list.letters(), QStringLiteral("ACB"));

    // A press on no item, with either button, goes on with the item dragged last.
    list.drag({belowTheItems, 1}, Qt::RightButton);
    QCOMPARE(list.letters(), QStringLiteral("BCA"));

    // Once a double-click has removed it, nothing moves until an item click picks another.
    QTest::mouseDClick(list.viewport, Qt::LeftButton, {}, list.on(1));
    list.drag({belowTheItems, 1, 2});
    QCOMPARE(list.letters(), QStringLiteral("CA"));
    list.drag({2, 1});
    QCOMPARE(list.letters(), QStringLiteral("AC"));
}

void TestReorder::rowsOutOfSightAndEdgeScrolling()
{
    LetterList list("ABCDEFGHIJKLMNOPQRST");
    list.view.scrollTo(list.model.index(9), QAbstractItemView::PositionAtBottom);
    const int scrolledTo = list.view.verticalScrollBar()->value();
    list.fakes.cursor.pos = {5000, 365}; // the screen's row, not the window's, counts

    // Beyond the list's edges lie rows scrolled out of sight; they are not under the pointer.
    list.drag({9, aboveTheList, belowTheList, 10});

    QCOMPARE(list.letters(), QStringLiteral("ABCDEFGHJIKLMNOPQRST"));
    QVERIFY(list.view.verticalScrollBar()->value() > scrolledTo); // the next item brought into view
}

void TestReorder::hourglassStaysOverTheList()
{
    LetterList list("A");
    list.window.setMousePointer(HourglassPointer);
    list.hover(1);
    QCOMPARE(list.window.mousePointer(), int(HourglassPointer));

    list.window.setMousePointer(CustomPointer);
    list.hover(belowTheItems);
    QCOMPARE(list.window.mousePointer(), int(DefaultPointer));
}

void TestReorder::dragPointerComesFromTheIconFile()
{
    QTemporaryDir programFolder;
    const QString icon = programFolder.filePath(QStringLiteral("drag.ico"));
    LetterList list("AB", programFolder.path());

    QTest::mousePress(list.viewport, Qt::LeftButton, {}, list.on(1));
    QCOMPARE(list.view.mousePointer(), int(CustomPointer));
    QCOMPARE(list.viewport->cursor().shape(), Qt::ArrowCursor); // no icon file: still usable
    QTest::mouseRelease(list.viewport, Qt::LeftButton, {}, list.on(1));
    QCOMPARE(list.view.mousePointer(), int(ArrowPointer));

    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(icon, "ico"));
    list.drag({1});
    QFile(icon).open(QIODevice::WriteOnly | QIODevice::Truncate); // spoilt: the last picture stays
    list.drag({1});
    list.drag({1, 2});
    QCOMPARE(list.letters(), QStringLiteral("BA"));
    QCOMPARE(list.view.mouseIcon().shape(), Qt::BitmapCursor);
}

QTEST_MAIN(TestReorder)
#include "tst_reorder.moc"
