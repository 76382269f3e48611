#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "filelist/AddFilesDialog.h"
#include "platform/PointerCode.h"
#include "platform/SelectionString.h"

#include <QDir>
#include <QTest>

namespace {

const QChar nul(u'\0');

QString joined(const QStringList &parts)
{
    return parts.join(nul);
}

} // namespace

class TestAddFiles : public QObject
{
    Q_OBJECT

private slots:
    void selectionBecomesPaths_data();
    void selectionBecomesPaths();
    void pickedFilesBecomeASelection_data();
    void pickedFilesBecomeASelection();
    void pickedFilesAreAppended();
    void cancellingAddsNothing();
};

void TestAddFiles::selectionBecomesPaths_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("cancelled") << QString() << QStringList();
    QTest::newRow("one file, unaltered") << "/web//a.htm" << QStringList{"/web//a.htm"};
    QTest::newRow("several, in the dialog's order")
        << joined({"/web", "b.htm", "a.htm"}) << QStringList{"/web/b.htm", "/web/a.htm"};
    QTest::newRow("root folder") << joined({"/", "a.htm", "b.txt"})
                                 << QStringList{"/a.htm", "/b.txt"};
    QTest::newRow("names below the folder")
        << joined({"/", "a/x.htm", "b/y.htm"}) << QStringList{"/a/x.htm", "/b/y.htm"};
    QTest::newRow("doubles collapse in one pass")
        << joined({"/web///deep", "a.htm"}) << QStringList{"/web//deep/a.htm"};
}

void TestAddFiles::selectionBecomesPaths()
{
    QFETCH(QString, selection);
    QFETCH(QStringList, paths);
    QCOMPARE(pathsFromSelection(selection), paths);
}

void TestAddFiles::pickedFilesBecomeASelection_data()
{
    QTest::addColumn<QStringList>("picked");
    QTest::addColumn<QString>("selection");

    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("one") << QStringList{"/web/a.htm"} << "/web/a.htm";
    QTest::newRow("one folder, picked order")
        << QStringList{"/web/b.htm", "/web/a.htm"} << joined({"/web", "b.htm", "a.htm"});
    QTest::newRow("root") << QStringList{"/a.htm", "/b.htm"} << joined({"/", "a.htm", "b.htm"});
    QTest::newRow("several folders")
        << QStringList{"/web/x/1.htm", "/web/y/2.htm", "/web/3.htm"}
        << joined({"/web", "x/1.htm", "y/2.htm", "3.htm"});
    QTest::newRow("a folder name that starts like another")
        << QStringList{"/web/a.htm", "/webpages/b.htm"}
        << joined({"/", "web/a.htm", "webpages/b.htm"});
}

// The dialog's adapter and the handler's parsing together give back exactly what was picked.
void TestAddFiles::pickedFilesBecomeASelection()
{
    QFETCH(QStringList, picked);
    QFETCH(QString, selection);
    QCOMPARE(selectionStringFromPaths(picked), selection);
    QCOMPARE(pathsFromSelection(selection), picked);
}

void TestAddFiles::pickedFilesAreAppended()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.fileList().append(QStringLiteral("/web/a.htm"));
    QList<int> pointers;
    connect(&window.fileList(), &QAbstractItemModel::rowsInserted, this,
            [&] { pointers << window.mousePointer(); });
    fakes.fileDialog.selection = joined({"/web", "b.htm", "a.htm", "c.txt"});

    window.addFilesButton()->click();

    QCOMPARE(fakes.fileDialog.opened, 1); // unchecking the button in its handler opens none
    QCOMPARE(fakes.fileDialog.lastSettings.title,
             QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
    QCOMPARE(fakes.fileDialog.lastSettings.filters,
             (QStringList{"HTML Files (*.htm *.html)", "All Files (*)"}));
    QCOMPARE(window.fileList().count(), 4);
    QCOMPARE(window.fileList().text(2), QStringLiteral("/web/b.htm"));
    QCOMPARE(window.fileList().text(3), QStringLiteral("/web/a.htm")); // a duplicate stays
    QCOMPARE(window.fileList().text(4), QStringLiteral("/web/c.txt"));
    QCOMPARE(pointers, QList<int>{HourglassPointer});
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
    QVERIFY(!window.addFilesButton()->isChecked());
}

void TestAddFiles::cancellingAddsNothing()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.fileList().append(QStringLiteral("/web/a.htm"));
    window.setMousePointer(CustomPointer);

    window.addFilesButton()->click();

    QCOMPARE(fakes.fileDialog.opened, 1);
    QCOMPARE(window.fileList().count(), 1);
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
}

QTEST_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
