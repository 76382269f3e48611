#include "FakePlatform.h"

#include "app/MainWindow.h"
#include "filelist/DragReorder.h"
#include "filelist/FileListView.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A position that is no item: inside the list, below its last item.
constexpr int belowTheItems = 0;

// A shown window whose list holds one-letter paths and is driven with mouse events on its
// viewport, as the window system delivers them.
struct LetterList
{
    explicit LetterList(const QString &letters, const QString &programFolder = QDir::tempPath())
        : window(fakes.platform(), programFolder)
    {
        window.fileList().append(letters.split(QString(), Qt::SkipEmptyParts));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QString letters() const
    {
        QString order;
        for (int row = 0; row < view.model()->rowCount(); ++row)
            order += view.model()->index(row, 0).data().toString();
        return order;
    }

    // Where an item is drawn, whether in sight or scrolled out of it.
    QPoint on(int position) const
    {
        if (position == belowTheItems)
            return {5, viewport->height() - 5};
        return view.visualRect(view.model()->index(position - 1, 0)).center();
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
    FileListView &view = *window.listView();
    QWidget *viewport = view.viewport();
};

} // namespace

class TestReorder : public QObject
{
    Q_OBJECT

private slots:
    void oneDrag_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("gesture");
        QTest::addColumn<QString>("after");

        QTest::newRow("B over C then D") << "ABCD" << QList<int>{2, 3, 4} << "ACDB";
        QTest::newRow("A straight to D") << "ABCD" << QList<int>{1, 4} << "DBCA";
        QTest::newRow("equal texts stay") << "XXY" << QList<int>{1, 1, 2, 3} << "YXX";
        QTest::newRow("no item clicked yet") << "ABCD" << QList<int>{belowTheItems, 1, 4} << "ABCD";
    }

    void oneDrag()
    {
        QFETCH(QString, before);
        QFETCH(QList<int>, gesture);
        LetterList list(before);
        list.drag(gesture);
        QTEST(list.letters(), "after");
    }

    void laterGesturesDragTheSameItemUntilItIsRemoved()
    {
        LetterList list("ABC");
        list.drag({2, 3});
        list.hover(1);
        QCOMPARE(list.letters(), "ACB");

        // A press on no item, with either button, goes on with the item dragged last.
        list.drag({belowTheItems, 1}, Qt::RightButton);
        QCOMPARE(list.letters(), "BCA");

        // Once a double-click has removed it, nothing moves until an item click picks another:
        // the first drag leaves "CA" as it is, the second moves A.
        QTest::mouseDClick(list.viewport, Qt::LeftButton, {}, list.on(1));
        list.drag({belowTheItems, 1, 2});
        list.drag({2, 1});
        QCOMPARE(list.letters(), "AC");
    }

    // After an exchange, a pointer on screen row 304 or above brings the item before the dragged
    // one into view, and on row 365 or below the item after it.
    void rowsOutOfSightAndEdgeScrolling()
    {
        QCOMPARE(edgeScrollNeighbour(304, 5, 10), 4);
        QCOMPARE(edgeScrollNeighbour(305, 5, 10), 0);
        QCOMPARE(edgeScrollNeighbour(364, 5, 10), 0);

        LetterList list("ABCDEFGHIJKLMNOPQRST");
        list.view.scrollTo(list.window.fileList().index(9), QAbstractItemView::PositionAtBottom);
        list.fakes.cursor.pos = {5000, 365}; // the screen's row, not the window's, counts

        // Beyond the list's edges lie rows scrolled out of sight; they are not under the pointer.
        list.drag({9, 1, 20, 10});

        QCOMPARE(list.letters(), "ABCDEFGHJIKLMNOPQRST");
        QVERIFY(list.viewport->rect().contains(list.on(11))); // the next item brought into view
    }

    // An hourglass stays over the list, any other pointer becomes the default. A press on an
    // item shows the picture in "drag.ico" beside the program: the plain arrow while there is
    // none, the last good one when the file is spoilt. Letting go shows the arrow.
    void pointerOverTheList()
    {
        QTemporaryDir programFolder;
        const QString icon = programFolder.filePath(QStringLiteral("drag.ico"));
        LetterList list("AB", programFolder.path());
        list.window.setMousePointer(HourglassPointer);
        list.hover(1);
        QCOMPARE(list.window.mousePointer(), int(HourglassPointer));
        list.window.setMousePointer(CustomPointer);
        list.hover(belowTheItems);
        QCOMPARE(list.window.mousePointer(), int(DefaultPointer));

        QTest::mousePress(list.viewport, Qt::LeftButton, {}, list.on(1));
        QCOMPARE(list.view.mousePointer(), int(CustomPointer));
        QCOMPARE(list.viewport->cursor().shape(), Qt::ArrowCursor); // no icon file: still usable
        QTest::mouseRelease(list.viewport, Qt::LeftButton, {}, list.on(1));
        QCOMPARE(list.view.mousePointer(), int(ArrowPointer));

        QVERIFY(list.view.style()->standardIcon(QStyle::SP_FileIcon).pixmap(32).save(icon, "ico"));
        list.drag({1});
        QFile(icon).open(QIODevice::WriteOnly | QIODevice::Truncate); // spoilt
        list.drag({1, 2});
        QCOMPARE(list.letters(), "BA");
        QCOMPARE(list.view.mouseIcon().shape(), Qt::BitmapCursor);
    }
};

QTEST_MAIN(TestReorder)
#include "tst_reorder.moc"
