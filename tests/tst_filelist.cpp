#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    void keepsPathsAsAddedWithDuplicates();
    void keepsEachRowsFolderWithIt();
    void scrollsOnlyWhenAsked();
};

void TestFileList::keepsPathsAsAddedWithDuplicates()
{
    FileListModel list;
    list.append(QStringLiteral("/web//a.HTM "));
    list.append(QStringList{QStringLiteral("/web/b.htm"), QStringLiteral("/web//a.HTM ")});
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.text(3), QStringLiteral("/web//a.HTM "));

    const QPersistentModelIndex third(list.index(2));
    list.remove(2);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.text(2), QStringLiteral("/web//a.HTM "));
    QCOMPARE(FileListView::positionOf(third), 2);
}

// The folder a file was found in goes where its row goes, and away with it.
void TestFileList::keepsEachRowsFolderWithIt()
{
    FileListModel list;
    list.append(QStringLiteral("/web/a.htm"));
    list.append(QStringList{QStringLiteral("/docs/b.htm"), QStringLiteral("/docs/s/c.htm")},
                QStringLiteral("/docs"));
    list.exchange(1, 3);
    list.remove(2);
    QCOMPARE(list.text(1), QStringLiteral("/docs/s/c.htm"));
    QCOMPARE(list.listedFolder(1), QStringLiteral("/docs"));
    QCOMPARE(list.text(2), QStringLiteral("/web/a.htm"));
    QCOMPARE(list.listedFolder(2), QString());
}

void TestFileList::scrollsOnlyWhenAsked()
{
    FileListModel list;
    for (int i = 1; i <= 100; ++i)
        list.append(QStringLiteral("/pages/a/long/folder/name/to/need/room/%1.htm").arg(i));
    FileListView view;
    view.setFileList(&list);
    view.resize(300, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    view.select(100);
    QCOMPARE(FileListView::positionOf(view.selectedItem()), 100);
    QCOMPARE(view.verticalScrollBar()->value(), 0);
    view.ensureVisible(100);
    QVERIFY(view.viewport()->rect().contains(view.visualRect(list.index(99))));

    view.header()->resizeSection(0, 900);
    QTRY_VERIFY(view.horizontalScrollBar()->maximum() > 0);
}

QTEST_MAIN(TestFileList)
#include "tst_filelist.moc"
