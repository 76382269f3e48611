#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "convert/ConversionRun.h"
#include "convert/FailureReport.h"
#include "convert/OutputPath.h"
#include "convert/RunView.h"
#include "convert/WaitSeconds.h"
#include "filelist/FileListModel.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class RecordingView : public RunView
{
public:
    int pointer = -1;
    QList<float> progress;

    void setMousePointer(int code) override { pointer = code; }
    void setProgress(float percent) override { progress << percent; }
};

// A folder of input files, the fakes and a run over a list that starts empty. The clock moves a
// millisecond at every reading, so waits end.
struct RunFixture
{
    QTemporaryDir folder;
    FakePlatform fakes;
    FileListModel list;
    RecordingView view;
    ConversionRun run{list, view, fakes.platform()};

    RunFixture() { fakes.clock.stepPerRead = 0.001; }

    QString path(const QString &name) const { return folder.filePath(name); }

    // An input file on disk whose page text the engine knows.
    QString page(const QString &name, const QString &text = QStringLiteral("text"))
    {
        writeFile(path(name), "<p>" + text.toUtf8());
        fakes.engine.pages.insert(path(name), text);
        return path(name);
    }

    QString listPage(const QString &name, const QString &text = QStringLiteral("text"))
    {
        list.append(page(name, text));
        return path(name);
    }
};

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void outputNames_data();
    void outputNames();
    void doneMessageListsAtMostTwentyFailures();
    void waitSecondsUsesTheMonotonicClock();

    void emptyListIsRefused();
    void threeItemsFillTheBar();
    void existingOutputIsReplaced();
    void inputIsNeverOverwritten();
    void failedItemsAreReportedAndTheRunGoesOn();
    void hangingPagesAreGivenUpAfterTheTimeLimit();
    void pollBoundEndsTheWaitOnAFrozenClock();
    void itemsAddedDuringTheRunAreNotVisited();
    void itemsRemovedDuringTheRunEndItEarly();
    void fortyThousandItemsConvertCompletely();

    void onePressOneRun();
    void pressDuringARunStartsNothing();
    void closingDuringAPageWaitKeepsEarlierOutputs();
};

void TestConversion::outputNames_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("extension") << "/pages/index.html" << "/pages/index.txt";
    QTest::newRow("two dots") << "/pages/report.final.htm" << "/pages/report.final.txt";
    QTest::newRow("upper case") << "/pages/PAGE.HTM" << "/pages/PAGE.txt";
    QTest::newRow("no dot") << "/pages/README" << "/pages/README.txt";
    QTest::newRow("dot in folder") << "/pages/v1.2/README" << "/pages/v1.2/README.txt";
    QTest::newRow("bare name") << "README" << "README.txt";
}

void TestConversion::outputNames()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(outputPathFor(input), output);
}

void TestConversion::doneMessageListsAtMostTwentyFailures()
{
    QList<ItemFailure> many;
    for (int i = 1; i <= 25; ++i)
        many.append({QStringLiteral("/p/%1.html").arg(i), "why"});
    const QStringList lines = doneMessage(many).split('\n');
    QCOMPARE(lines.size(), 2 + 1 + 20 + 1);
    QCOMPARE(lines[2], "25 files could not be converted:");
    QCOMPARE(lines[3], "/p/1.html: why");
    QCOMPARE(lines[22], "/p/20.html: why");
    QCOMPARE(lines.last(), "and 5 more");
}

void TestConversion::waitSecondsUsesTheMonotonicClock()
{
    FakeClock clock;
    FakePump pump;
    clock.stepPerRead = 0.25;
    clock.midnightSeconds = 86399;
    pump.onPump = [&] { clock.midnightSeconds = 0; }; // midnight passes during the wait
    WaitSeconds(1, clock, pump);
    QCOMPARE(pump.pumps, 3); // readings at +0.25, +0.5, +0.75 go on; +1.0 returns
}

void TestConversion::emptyListIsRefused()
{
    RunFixture f;
    f.run.run();
    QCOMPARE(f.fakes.messages.shown, QStringList{"No files added."});
    QCOMPARE(f.view.pointer, -1);
    QVERIFY(f.view.progress.isEmpty());
    QVERIFY(f.fakes.engine.navigations.isEmpty());
}

void TestConversion::threeItemsFillTheBar()
{
    RunFixture f;
    const QString text = QStringLiteral("Grüße – ☃\nzweite Zeile");
    const QStringList inputs{f.listPage("a.html", text), f.listPage("b.htm"), f.listPage("c.HTML")};
    // A mouse move over the window during a wait sets the default pointer; the run sets it back.
    f.fakes.pump.onPump = [&] { f.view.pointer = DefaultPointer; };
    int pointerAtDone = -1;
    float barAtDone = -1;
    f.fakes.messages.onShow = [&](const QString &) {
        pointerAtDone = f.view.pointer;
        barAtDone = f.view.progress.last();
    };
    f.run.run();

    QCOMPARE(f.fakes.engine.navigations, inputs);
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
    QCOMPARE(f.view.progress, (QList<float>{33.333332f, 66.666664f, 100.0f, 0.0f}));
    QCOMPARE(pointerAtDone, int(HourglassPointer));
    QCOMPARE(barAtDone, 100.0f);
    QCOMPARE(f.view.pointer, int(DefaultPointer));
    QCOMPARE(contents(f.path("a.txt")), text.toUtf8()); // UTF-8, no byte-order mark, nothing added
    QCOMPARE(contents(f.path("b.txt")), "text");
    QCOMPARE(contents(f.path("c.txt")), "text");
}

void TestConversion::existingOutputIsReplaced()
{
    RunFixture f;
    writeFile(f.path("index.txt"), "an older and much longer text");
    f.listPage("index.html", "new");
    f.run.run();
    QCOMPARE(contents(f.path("index.txt")), "new");
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
}

void TestConversion::inputIsNeverOverwritten()
{
    RunFixture f;
    const QString notes = f.listPage("notes.txt", "would replace itself");
    const QString linked = f.listPage("linked.html", "would replace itself through a link");
    QVERIFY(QFile::link(linked, f.path("linked.txt")));
    const QString hardLinked = f.listPage("hard.html", "would replace itself through a hard link");
    QCOMPARE(::link(QFile::encodeName(hardLinked), QFile::encodeName(f.path("hard.txt"))), 0);
    f.listPage("fine.html");
    f.run.run();

    QCOMPARE(contents(notes), "<p>would replace itself");
    QCOMPARE(contents(linked), "<p>would replace itself through a link");
    QCOMPARE(contents(hardLinked), "<p>would replace itself through a hard link");
    QCOMPARE(f.fakes.engine.navigations, QStringList{f.path("fine.html")});
    QCOMPARE(contents(f.path("fine.txt")), "text");
    const QString reason = ": its text file would replace the file itself";
    QCOMPARE(f.fakes.messages.shown.last(), "Done.\n\n3 files could not be converted:\n" + notes
                                                + reason + "\n" + linked + reason + "\n"
                                                + hardLinked + reason);
}

void TestConversion::failedItemsAreReportedAndTheRunGoesOn()
{
    RunFixture f;
    const QString missing = f.path("missing.html");
    f.list.append(missing);
    const QString folder = f.path("folder.html");
    QVERIFY(QDir().mkdir(folder));
    const QString pipe = f.path("pipe.html");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe), 0600), 0); // opening it would wait for a writer
    f.list.append(QStringList{folder, pipe});
    const QString broken = f.listPage("broken.html");
    f.fakes.engine.pages.remove(broken);
    const QString blocked = f.listPage("blocked.html");
    QVERIFY(QDir().mkdir(f.path("blocked.txt"))); // the output's name is taken by a folder
    const QString full = f.listPage("full.html", "new");
    writeFile(f.path("full.txt"), "previous output");
    f.fakes.fileWriter.failures.insert(f.path("full.txt"), "No space left on device");
    f.listPage("last.html");
    f.run.run();

    QCOMPARE(contents(f.path("last.txt")), "text");
    QCOMPARE(contents(f.path("full.txt")), "previous output");
    QVERIFY(!QFile::exists(f.path("broken.txt")));
    QCOMPARE(f.view.progress.at(f.view.progress.size() - 2), 100.0f);
    const QStringList lines = f.fakes.messages.shown.last().split('\n');
    QCOMPARE(lines.size(), 3 + 6);
    QCOMPARE(lines[2], "6 files could not be converted:");
    QCOMPARE(lines[3], missing + ": the file cannot be read (No such file or directory)");
    QCOMPARE(lines[4], folder + ": it is not a file");
    QCOMPARE(lines[5], pipe + ": it is not a file");
    QCOMPARE(lines[6], broken + ": the page could not be loaded (not found)");
    QVERIFY(lines[7].startsWith(blocked + ": " + f.path("blocked.txt")
                                + " could not be written ("));
    QCOMPARE(lines[8], full + ": " + f.path("full.txt")
                           + " could not be written (No space left on device)");
}

void TestConversion::hangingPagesAreGivenUpAfterTheTimeLimit()
{
    RunFixture f;
    f.run.setPageTimeLimit(5);
    f.fakes.clock.stepPerRead = 0.5;
    const QString partial = f.listPage("partial.html", "what loaded so far");
    f.fakes.engine.hangingPages << partial;
    const QString blank = f.listPage("blank.html");
    f.fakes.engine.pages.remove(blank); // no text at all yet
    f.fakes.engine.hangingPages << blank;
    f.listPage("next.html");
    f.run.run();

    QCOMPARE(contents(f.path("partial.txt")), "what loaded so far");
    QVERIFY(!QFile::exists(f.path("blank.txt")));
    QCOMPARE(contents(f.path("next.txt")), "text");
    QCOMPARE(f.fakes.engine.abandonedPages, 2);
    QCOMPARE(f.fakes.messages.shown.last(), "Done.\n\n1 file could not be converted:\n" + blank
                                                + ": the page did not finish loading in time");
    QVERIFY(f.fakes.pump.waitingPumps < 30);
    QCOMPARE(f.fakes.pump.longestWaitMs, 1); // a poll never keeps a core busy, nor waits long
}

void TestConversion::pollBoundEndsTheWaitOnAFrozenClock()
{
    RunFixture f;
    f.fakes.clock.stepPerRead = 0;
    f.fakes.messages.onShow = [&](const QString &) { f.fakes.clock.stepPerRead = 0.5; };
    f.fakes.engine.hangingPages << f.listPage("endless.html", "still loading");
    f.run.run();
    QCOMPARE(f.fakes.pump.waitingPumps, 10'000'000);
    QCOMPARE(contents(f.path("endless.txt")), "still loading");
}

void TestConversion::itemsAddedDuringTheRunAreNotVisited()
{
    RunFixture f;
    const QStringList inputs{f.listPage("a.html"), f.listPage("b.html")};
    f.fakes.pump.onPump = [&] {
        if (f.list.count() == 2)
            f.list.append(QStringList{f.path("c.html"), f.path("d.html")});
    };
    f.run.run();
    QCOMPARE(f.fakes.engine.navigations, inputs);
    QCOMPARE(f.view.progress, (QList<float>{25.0f, 50.0f, 0.0f}));
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
}

void TestConversion::itemsRemovedDuringTheRunEndItEarly()
{
    RunFixture f;
    const QString first = f.listPage("a.html");
    f.listPage("b.html");
    f.listPage("c.html");
    f.fakes.pump.onPump = [&] {
        while (f.list.count() > 0)
            f.list.remove(1);
    };
    f.run.run();
    QCOMPARE(f.fakes.engine.navigations, QStringList{first});
    QCOMPARE(contents(f.path("a.txt")), "text"); // its path was taken before it left the list
    QCOMPARE(f.view.progress, (QList<float>{100.0f, 0.0f}));
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
}

void TestConversion::fortyThousandItemsConvertCompletely()
{
    RunFixture f;
    f.fakes.engine.pollsUntilComplete = 0;
    f.fakes.fileWriter.offDisk = true;
    const QString page = f.listPage("page.html");
    f.list.append(QStringList(39'999, page));
    f.run.run();
    QCOMPARE(f.fakes.engine.navigations.size(), 40'000);
    QCOMPARE(f.fakes.fileWriter.writes, 40'000);
    QCOMPARE(f.view.progress.at(39'999), 100.0f);
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
}

void TestConversion::onePressOneRun()
{
    RunFixture f;
    MainWindow window(f.fakes.platform(), f.folder.path());
    window.fileList().append(f.page("a.html"));
    f.fakes.engine.navigations.clear(); // the start-up page
    float barAtDone = -1;
    f.fakes.messages.onShow = [&](const QString &) { barAtDone = window.progressBar()->percent(); };

    window.saveAsTextButton()->click();
    QVERIFY(!window.saveAsTextButton()->isChecked());
    QCOMPARE(f.fakes.engine.navigations, QStringList{f.path("a.html")});
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
    QCOMPARE(barAtDone, 100.0f);
    QCOMPARE(window.progressBar()->percent(), 0.0f);
    QCOMPARE(window.mousePointer(), int(DefaultPointer));
}

void TestConversion::pressDuringARunStartsNothing()
{
    RunFixture f;
    MainWindow window(f.fakes.platform(), f.folder.path());
    window.fileList().append(QStringList{f.page("a.html"), f.page("b.html")});
    f.fakes.engine.navigations.clear();
    f.fakes.pump.onPump = [&] { window.saveAsTextButton()->click(); };

    window.saveAsTextButton()->click();
    QCOMPARE(f.fakes.engine.navigations, (QStringList{f.path("a.html"), f.path("b.html")}));
    QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
    QVERIFY(!window.saveAsTextButton()->isChecked());
}

void TestConversion::closingDuringAPageWaitKeepsEarlierOutputs()
{
    RunFixture f;
    MainWindow window(f.fakes.platform(), f.folder.path());
    const QString second = f.page("b.html");
    window.fileList().append(QStringList{f.page("a.html", "first"), second, f.page("c.html")});
    f.fakes.engine.pollsUntilComplete = 5;
    int pumpsOnSecond = 0;
    f.fakes.pump.onPump = [&] {
        if (f.fakes.engine.location() == second && ++pumpsOnSecond == 3)
            window.close();
    };

    QVERIFY_THROWS_EXCEPTION(ProcessEnded, window.saveAsTextButton()->click());
    QCOMPARE(contents(f.path("a.txt")), "first");
    QVERIFY(!QFile::exists(f.path("b.txt")));
    QVERIFY(!QFile::exists(f.path("c.txt")));
    QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files).size(), 4); // no temporary file left
}

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
