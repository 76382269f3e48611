#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "convert/ConversionRun.h"
#include "convert/WaitSeconds.h"
#include "filelist/FileListModel.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder of input files and a run over a list that starts empty. The clock moves a
// millisecond at every reading, so waits end.
struct RunFixture
{
    QTemporaryDir folder;
    FakePlatform fakes;
    FileListModel list;
    FakeRunView view;
    ConversionRun run{list, view, fakes.platform()};

    RunFixture() { fakes.clock.stepPerRead = 0.001; }
    QString path(const QString &name) const { return folder.filePath(name); }

    // A file on disk holding a page of the given text, which the engine knows.
    QString page(const QString &name, const QString &text = QStringLiteral("text"))
    {
        fakes.engine.pages.insert(path(name), text);
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write("<p>" + text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return path(name);
    }
};

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void eachItemGetsItsTextFileAndMovesTheBar()
    {
        RunFixture f;
        QVERIFY(QDir(f.folder.path()).mkdir("v1.2")); // a "." in a folder name is no extension
        const QString text = QStringLiteral("Grüße – ☃\nzweite Zeile");
        f.list.append({f.page("v1.2/report.final.htm", text), f.page("v1.2/README", "new"),
                       f.page("v1.2/c.HTML")});
        f.page("v1.2/README.txt", "an older and much longer text");
        f.run.run();

        QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
        QCOMPARE(f.view.progress, (QList<float>{33.333332f, 66.666664f, 100.0f, 0.0f}));
        QCOMPARE(contents(f.path("v1.2/report.final.txt")), text.toUtf8()); // no byte-order mark
        QCOMPARE(contents(f.path("v1.2/README.txt")), "new");
        QCOMPARE(contents(f.path("v1.2/c.txt")), "text");
    }

    void failuresAreReportedAndTheRunGoesOn()
    {
        RunFixture f;
        const QString missing = f.path("missing.html"), pipe = f.path("pipe.html"),
                      broken = f.page("broken.html"),
                      notes = f.page("notes.txt", "would replace itself"),
                      linked = f.page("linked.html", "would replace itself through a link"),
                      blocked = f.page("blocked.html");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe), 0600), 0); // opening it would wait for a writer
        QVERIFY(QFile::link(linked, f.path("linked.txt")));
        f.fakes.engine.pages.remove(broken);
        QVERIFY(QDir().mkdir(f.path("blocked.txt"))); // the output's name is taken by a folder
        f.list.append(QStringList{missing, pipe, notes, linked, broken, blocked});
        f.list.append(QStringList(20, missing) << f.page("last.html"));
        f.run.run();

        QCOMPARE(contents(notes), "<p>would replace itself");
        QCOMPARE(contents(linked), "<p>would replace itself through a link");
        QCOMPARE(contents(f.path("last.txt")), "text");
        const QStringList lines = f.fakes.messages.shown.last().split('\n');
        const QString sameFile = ": its text file would replace the file itself";
        QCOMPARE(lines.mid(0, 8), (QStringList{"Done.", "", "26 files could not be converted:",
                  missing + ": the file cannot be read (No such file or directory)",
                  pipe + ": it is not a file", notes + sameFile, linked + sameFile,
                  broken + ": the page could not be loaded (not found)"}));
        QVERIFY(lines[8].startsWith(blocked + ": " + f.path("blocked.txt") + " could not be"));
        QCOMPARE(lines.size(), 3 + 20 + 1);
        QCOMPARE(lines.last(), "and 6 more");
    }

    void aWriteFailingPartWayLeavesTheOldOutput()
    {
        RunFixture f;
        f.list.append(f.page("big.html", QString(100'000, u'x')));
        f.page("big.txt", "previous output");
        // A write beyond 64 KiB stops part way, as on a full disk (and does not end the process).
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const auto restoreLimit = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &usual); });
        const rlimit diskFull{65'536, usual.rlim_max};
        setrlimit(RLIMIT_FSIZE, &diskFull);
        f.run.run();

        // No temporary file is left behind.
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(contents(f.path("big.txt")), "<p>previous output");
        QVERIFY(f.fakes.messages.shown.last().contains(": " + f.path("big.txt") + " could not be"));
    }

    void hangingPagesAreAbandonedAtTheFirstBound()
    {
        RunFixture f;
        const QString partial = f.page("partial.html", "what loaded so far"),
                      blank = f.page("blank.html");
        f.fakes.engine.pages.remove(blank); // no text at all yet
        f.fakes.engine.hangingPages << partial << blank;
        f.list.append({partial, blank, f.page("next.html")});
        // The clock stands still on the first page, so only the poll count ends that wait; on
        // the second it moves a second a poll, and sixty seconds end it.
        f.fakes.clock.stepPerRead = 0;
        f.fakes.pump.onPump = [&] {
            f.fakes.clock.stepPerRead = f.fakes.engine.location() == partial ? 0 : 1;
        };
        f.run.run();

        QCOMPARE(contents(f.path("partial.txt")), "what loaded so far");
        QCOMPARE(contents(f.path("next.txt")), "text");
        QCOMPARE(f.fakes.engine.abandonedPages, 2);
        QCOMPARE(f.fakes.messages.shown.last(), "Done.\n\n1 file could not be converted:\n" + blank
                                                    + ": the page did not finish loading in time");
        QVERIFY(qAbs(f.fakes.pump.waitingPumps - (10'000'000 + 60)) < 5);
        QCOMPARE(f.fakes.pump.longestWaitMs, 1); // a poll never keeps a core busy, nor waits long
    }

    void waitSecondsLastsAcrossMidnight()
    {
        FakeClock clock;
        FakePump pump;
        clock.stepPerRead = 0.25;
        clock.midnightSeconds = 86399;
        pump.onPump = [&] { clock.midnightSeconds = 0; };
        WaitSeconds(1, clock, pump);
        QCOMPARE(pump.pumps, 3); // readings at +0.25, +0.5, +0.75 go on; +1.0 returns
    }

    void itemsRemovedDuringTheRunEndItEarly()
    {
        RunFixture f;
        f.list.append({f.page("a.html"), f.page("b.html"), f.page("c.html")});
        f.fakes.pump.onPump = [&] {
            while (f.list.count() > 0)
                f.list.remove(1);
        };
        f.run.run();
        QCOMPARE(contents(f.path("a.txt")), "text"); // its path was taken before it left the list
        QCOMPARE(f.view.progress, (QList<float>{100.0f, 0.0f}));
    }

    void fortyThousandItemsConvertCompletely()
    {
        RunFixture f;
        f.fakes.engine.pollsUntilComplete = 0;
        f.fakes.fileWriter.offDisk = true;
        f.list.append(QStringList(40'000, f.page("page.html")));
        f.run.run();
        QCOMPARE(f.fakes.fileWriter.writes, 40'000);
        QCOMPARE(f.view.progress.at(39'999), 100.0f);
        QCOMPARE(f.fakes.messages.shown, QStringList{"Done."});
    }

    void onePressConvertsTheListAsItStood()
    {
        RunFixture f;
        MainWindow window(f.fakes.platform(), f.folder.path());
        window.saveAsTextButton()->click();
        QCOMPARE(f.fakes.messages.shown, QStringList{"No files added."});

        const QStringList inputs{f.page("a.html"), f.page("b.html")};
        window.fileList().append(inputs);
        f.fakes.engine.navigations.clear(); // the start-up page
        // Presses and additions during the run are left for the next one.
        f.fakes.pump.onPump = [&] {
            window.saveAsTextButton()->click();
            if (window.fileList().count() == 2)
                window.fileList().append(QStringList{f.page("c.html"), f.page("d.html")});
        };
        float barAtDone = -1;
        f.fakes.messages.onShow = [&](const QString &) {
            barAtDone = window.progressBar()->percent();
        };
        window.saveAsTextButton()->click();
        QCOMPARE(f.fakes.engine.navigations, inputs);
        QCOMPARE(f.fakes.messages.shown.last(), "Done.");
        QCOMPARE(barAtDone, 50.0f);
        QVERIFY(!window.saveAsTextButton()->isChecked());
        QCOMPARE(window.mousePointer(), int(DefaultPointer));
    }

    void closingDuringAPageWaitKeepsEarlierOutputs()
    {
        RunFixture f;
        MainWindow window(f.fakes.platform(), f.folder.path());
        window.fileList().append({f.page("a.html", "first"), f.page("b.html"), f.page("c.html")});
        f.fakes.pump.onPump = [&] {
            if (f.fakes.engine.location() == f.path("b.html"))
                window.close();
        };
        QVERIFY_THROWS_EXCEPTION(ProcessEnded, window.saveAsTextButton()->click());
        QCOMPARE(contents(f.path("a.txt")), "first");
        // The three pages and a.txt, nothing half written.
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
    }
};

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
