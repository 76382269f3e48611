#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    void keepsPathsAsAddedInOrderWithDuplicates();
    void removalMovesLaterItemsUp();
    void selectionHitTestAndScrolling();
    void wideColumnScrollsSideways();
};

void TestFileList::keepsPathsAsAddedInOrderWithDuplicates()
{
    FileListModel list;
    list.append(QStringLiteral("/web//a.HTM "));
    list.append(QStringList{QStringLiteral("/web/b.htm"), QStringLiteral("/web//a.HTM ")});

    QCOMPARE(list.count(), 3);
    QCOMPARE(list.text(1), QStringLiteral("/web//a.HTM "));
    QCOMPARE(list.text(3), list.text(1));
    QCOMPARE(list.text(4), QString());

    QSignalSpy changed(&list, &FileListModel::dataChanged);
    list.setText(2, QStringLiteral("/web/c.htm"));
    QCOMPARE(list.text(2), QStringLiteral("/web/c.htm"));
    QCOMPARE(changed.size(), 1);
}

void TestFileList::removalMovesLaterItemsUp()
{
    FileListModel list;
    list.append(QStringList{"a", "b", "c"});
    const QPersistentModelIndex third(list.index(2));

    list.remove(2);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.text(2), QStringLiteral("c"));
    QCOMPARE(FileListView::positionOf(third), 2);

    list.remove(0);
    list.remove(3);
    QCOMPARE(list.count(), 2);
}

void TestFileList::selectionHitTestAndScrolling()
{
    FileListModel list;
    for (int i = 1; i <= 100; ++i)
        list.append(QStringLiteral("/pages/%1.htm").arg(i));
    FileListView view;
    view.setFileList(&list);
    view.resize(300, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QVERIFY(!view.selectedItem().isValid());
    const QRect firstRow = view.visualRect(list.index(0));
    QCOMPARE(view.hitTest(firstRow.center()), 1);
    QCOMPARE(view.hitTest(firstRow.center() + QPoint(0, firstRow.height())), 2);

    view.select(100);
    QCOMPARE(FileListView::positionOf(view.selectedItem()), 100);
    QCOMPARE(view.verticalScrollBar()->value(), 0);
    view.ensureVisible(100);
    QVERIFY(view.verticalScrollBar()->value() > 0);
    QVERIFY(view.viewport()->rect().contains(view.visualRect(list.index(99))));

    list.remove(1);
    QCOMPARE(FileListView::positionOf(view.selectedItem()), 99);
}

void TestFileList::wideColumnScrollsSideways()
{
    FileListModel list;
    list.append(QStringLiteral("/a/very/long/path/that/needs/room/to/show/in/full/page.html"));
    FileListView view;
    view.setFileList(&list);
    view.resize(300, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    view.header()->resizeSection(0, 900);
    QTRY_VERIFY(view.horizontalScrollBar()->maximum() > 0);
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
