#include "FakePlatform.h"

#include "app/FileUtilities.h"
#include "app/HomePage.h"
#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "filelist/FileListView.h"
#include "platform/PointerCode.h"
#include "platform/PointerCursor.h"
#include "platform/QtDesktop.h"

#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

// Runs in a child process: closes the window from inside a nested event loop, the way a
// conversion run waiting for a page would see it, and says so if anything runs afterwards.
int closeInsideNestedLoop(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FakePlatform fakes;
    QtDesktop realDesktop;
    Platform platform = fakes.platform();
    Platform withRealEnd{platform.engine,     platform.pump,          platform.clock,
                         platform.random,     platform.messages,      realDesktop,
                         platform.fileDialog, platform.folderBrowser, platform.cursor,
                         platform.fileWriter};
    MainWindow window(withRealEnd, QDir::tempPath());
    window.show();
    QTimer::singleShot(0, &window, &QWidget::close);
    QEventLoop nested;
    nested.exec();
    std::puts("still running after close");
    return 3;
}

void hover(QWidget *widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpStateAndLayout();
    void homePageOpensOnlyOnSeven();
    void fileExistsAndCentring();
    void onePressDoesItsWorkOnce();
    void eachRunLogsItsOwnPagesByEngine();
    void pointerFeedback();
    void pointerPictures();
    void doubleClickRemovesTheSelectedItem();
    void closingEndsTheProcessAtOnce();
};

void TestMainWindow::startUpStateAndLayout()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());

    QCOMPARE(window.windowTitle(), QStringLiteral("Quillmere"));
    QCOMPARE(window.fileList().count(), 0);
    QCOMPARE(window.listView()->header()->count(), 1);
    QCOMPARE(window.fileList().headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("HTML File(s)"));
    QCOMPARE(window.listView()->header()->sectionSize(0), 6000 / 15);
    QCOMPARE(window.progressBar()->percent(), 0.0f);
    QCOMPARE(window.progressBar()->palette().color(QPalette::Base), QColor(Qt::white));
    // The engine's pages are ready before the first run, and load nothing yet.
    QCOMPARE(fakes.engine.loadersMade, ConversionRun::defaultJobs());
    QVERIFY(fakes.engine.loads.isEmpty());
    QCOMPARE(window.mousePointer(), int(DefaultPointer));

    QCOMPARE(window.size(), QSize(490, 233));
    QCOMPARE(window.listView()->geometry(), QRect(8, 8, 473, 105));
    QCOMPARE(window.addFilesButton()->geometry(), QRect(8, 120, 153, 73));
    QCOMPARE(window.addFolderButton()->geometry(), QRect(168, 120, 153, 73));
    QCOMPARE(window.saveAsTextButton()->geometry(), QRect(328, 120, 153, 73));
    QCOMPARE(window.progressBar()->geometry(), QRect(8, 200, 473, 25));
    QCOMPARE(window.addFolderButton()->text(), QStringLiteral("Add All HTML Files In Folder"));
    QVERIFY(window.listView()->toolTip().startsWith(QStringLiteral("Drag and drop files here.")));

    const QList<QWidget *> tabOrder{window.listView(), window.addFilesButton(),
                                    window.addFolderButton(), window.progressBar(),
                                    window.saveAsTextButton()};
    QList<QWidget *> chain;
    for (QWidget *w = window.listView(); chain.size() < tabOrder.size();
         w = w->nextInFocusChain()) {
        if (tabOrder.contains(w))
            chain << w;
    }
    QCOMPARE(chain, tabOrder);
}

void TestMainWindow::homePageOpensOnlyOnSeven()
{
    FakeDesktop desktop;
    FakeRandom random;
    for (double draw : {0.059999, 0.06, 0.0699999, 0.07}) {
        random.value = draw;
        QCOMPARE(maybeOpenHomePage(random, desktop), draw >= 0.06 && draw < 0.07);
    }
    QCOMPARE(desktop.openedUrls, QStringList(2, QString::fromLatin1(homePageUrl)));

    FakePlatform sevenAtStart;
    sevenAtStart.random.value = 0.065;
    MainWindow window(sevenAtStart.platform(), QDir::tempPath());
    QCOMPARE(sevenAtStart.desktop.openedUrls.size(), 1);
}

void TestMainWindow::fileExistsAndCentring()
{
    QTemporaryDir folder;
    QVERIFY(fileExists(folder.path()));
    QVERIFY(!fileExists(folder.filePath(QStringLiteral("missing.cur"))));
    QVERIFY(!fileExists(QString()));

    QCOMPARE(centredPosition(QSize(100, 50), QSize(800, 600)), QPoint(350, 275));
    QCOMPARE(centredPosition(QSize(1000, 700), QSize(800, 600)), QPoint(-100, -50));

    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    centerForm(window);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = window.frameGeometry();
    QVERIFY(qAbs(frame.left() - screen.left() - (screen.right() - frame.right())) <= 1);
    QVERIFY(qAbs(frame.top() - screen.top() - (screen.bottom() - frame.bottom())) <= 1);
}

void TestMainWindow::onePressDoesItsWorkOnce()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());

    QTest::mouseClick(window.addFilesButton(), Qt::LeftButton);
    QCOMPARE(fakes.fileDialog.opened, 1);
    QVERIFY(!window.addFilesButton()->isChecked());

    // An event that finds the button up does nothing.
    emit window.addFilesButton()->toggled(false);
    QCOMPARE(fakes.fileDialog.opened, 1);

    QTest::mouseClick(window.saveAsTextButton(), Qt::LeftButton);
    QCOMPARE(fakes.messages.shown, QStringList{QStringLiteral("No files added.")});
}

static QStringList loggedLines;

static void keepLoggedLine(QtMsgType, const QMessageLogContext &, const QString &message)
{
    loggedLines << message;
}

void TestMainWindow::eachRunLogsItsOwnPagesByEngine()
{
    QTemporaryDir folder;
    FakePlatform fakes;
    fakes.clock.stepPerRead = 0.001; // so that the pause after a run ends
    fakes.engine.pagesTaken = PagesByEngine{};
    QStringList pages;
    for (const QString name : {"a.html", "b.html"}) {
        pages << folder.filePath(name);
        QFile file(pages.last());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<p>x") == 4);
        fakes.engine.pages.insert(pages.last(), QStringLiteral("x"));
    }
    MainWindow window(fakes.platform(), QDir::tempPath());

    loggedLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepLoggedLine);
    window.fileList().append(pages);
    window.saveAsTextButton()->click();
    window.fileList().remove(1);
    window.saveAsTextButton()->click();
    qInstallMessageHandler(previous);

    QCOMPARE(loggedLines,
             (QStringList{"Saved as text: 2 pages by the fast engine, 0 by the browser engine.",
                          "Saved as text: 1 page by the fast engine, 0 by the browser engine."}));
}

void TestMainWindow::pointerFeedback()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.show();

    hover(window.saveAsTextButton());
    QCOMPARE(window.mousePointer(), int(CustomPointer));
    hover(&window);
    QCOMPARE(window.mousePointer(), int(DefaultPointer));

    window.setMousePointer(HourglassPointer);
    QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    hover(window.addFolderButton());
    QCOMPARE(window.mousePointer(), int(HourglassPointer));
    hover(&window);
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
}

void TestMainWindow::pointerPictures()
{
    QTemporaryDir programFolder;
    QVERIFY(QProcess::execute(QStringLiteral(MAKE_POINTER_FILES), {programFolder.path()}) == 0);

    QCursor hand;
    QVERIFY(loadPointerPicture(programFolder.filePath(QStringLiteral("HAND-M.CUR")), hand));
    QCOMPARE(hand.shape(), Qt::BitmapCursor);
    QCOMPARE(hand.pixmap().size(), QSize(32, 32));
    QVERIFY(hand.hotSpot().y() == 0 && hand.hotSpot().x() > 0);
    QVERIFY(loadPointerPicture(programFolder.filePath(QStringLiteral("drag.ico")), hand));

    FakePlatform fakes;
    MainWindow withHand(fakes.platform(), programFolder.path());
    withHand.setMousePointer(CustomPointer);
    QCOMPARE(withHand.cursor().shape(), Qt::BitmapCursor);
}

void TestMainWindow::doubleClickRemovesTheSelectedItem()
{
    FakePlatform fakes;
    MainWindow window(fakes.platform(), QDir::tempPath());
    window.show();
    FileListView *list = window.listView();

    const QPoint emptySpace(5, list->viewport()->height() - 5);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, emptySpace);
    QCOMPARE(window.fileList().count(), 0);

    window.fileList().append(QStringList{"/p/a.htm", "/p/b.htm", "/p/c.htm"});
    const QPoint second = list->visualRect(window.fileList().index(1)).center();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QCOMPARE(window.fileList().count(), 2);
    QCOMPARE(window.fileList().text(2), QStringLiteral("/p/c.htm"));
    QVERIFY(fakes.messages.shown.isEmpty());
}

void TestMainWindow::closingEndsTheProcessAtOnce()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--close-inside-nested-loop")});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(!child.readAllStandardOutput().contains("still running"));
}

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--close-inside-nested-loop") == 0)
        return closeInsideNestedLoop(argc, argv);
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
