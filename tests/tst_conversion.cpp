#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "convert/ConversionRun.h"
#include "convert/RunItems.h"
#include "convert/RunProgress.h"
#include "convert/TextFilesBesideInputs.h"
#include "convert/WaitSeconds.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
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

// A folder of input files and a run with three pages in flight. The folder's name holds a ".",
// which is no extension. The clock moves a millisecond at every reading, so waits end.
struct RunFixture
{
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/v1.2-XXXXXX")};
    FakePlatform fakes;
    TextFilesBesideInputs textFiles{fakes.fileWriter};
    ConversionRun run{fakes.engine, textFiles, fakes.pump, fakes.clock};
    FakeObserver observer;

    RunFixture()
    {
        fakes.clock.stepPerRead = 0.001;
        run.setJobs(3);
    }
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

    ConversionReport convert(const QStringList &paths)
    {
        return run.run(FixedItems(paths), observer);
    }
};

QStringList reportLines(const ConversionReport &report)
{
    return doneMessage(report.notConverted()).split('\n');
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

    std::unique_ptr<RunFixture> f; // made afresh for every test

private slots:
    void init() { f = std::make_unique<RunFixture>(); }

    // Every item gets its text file beside it or a line in the report, and the run goes on.
    // Nothing is lost: no input is replaced by its own text, and a write that fails part way
    // (here as on a full disk) leaves the old output whole.
    void eachItemGetsItsTextFileOrAReportLine()
    {
        const QString missing = f->path("missing.html"), pipe = f->path("pipe.html"),
                      notes = f->page("notes.txt"), linked = f->page("linked.html"),
                      broken = f->page("broken.html"), bigText = f->page("big.txt", "old output"),
                      big = f->page("big.html", QString(100'000, u'x'));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe), 0600), 0); // opening it would wait for a writer
        QVERIFY(QFile::link(linked, f->path("linked.txt")));
        f->fakes.engine.pages.remove(broken);
        f->page("README.txt", "an older and much longer text");
        QStringList items{f->page("report.final.htm", "Grüße – ☃\nzweite Zeile"),
                          f->page("README", "new"), missing, pipe, notes, linked, broken, big};
        items += QStringList(20, missing);
        // A write beyond 64 KiB stops part way and does not end the process.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const auto restoreLimit = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &usual); });
        const rlimit diskFull{65'536, usual.rlim_max};
        setrlimit(RLIMIT_FSIZE, &diskFull);
        const ConversionReport report = f->convert(items);

        // UTF-8 without a byte-order mark.
        QCOMPARE(contents(f->path("report.final.txt")), "Grüße – ☃\nzweite Zeile");
        QCOMPARE(contents(f->path("README.txt")), "new");
        QCOMPARE(contents(notes), "<p>text");
        QCOMPARE(contents(linked), "<p>text");
        QCOMPARE(contents(bigText), "<p>old output");
        QCOMPARE(QDir(f->folder.path()).entryList({"big*"}, QDir::Files | QDir::Hidden),
                 (QStringList{"big.html", "big.txt"})); // no temporary file left behind
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 2);
        QCOMPARE(report.count(ItemOutcome::Result::Skipped), 2);
        QCOMPARE(report.count(ItemOutcome::Result::Failed), 24);
        const QString unreadable = ": the file cannot be read (No such file or directory)";
        const QString sameFile = ": its text file would replace the file itself";
        QStringList message{"Done.", "", "26 files could not be converted:", missing + unreadable,
                            pipe + ": it is not a file", notes + sameFile, linked + sameFile,
                            broken + ": the page could not be loaded (not found)",
                            big + ": " + bigText + " could not be written (File too large)"};
        // Twenty failures are listed, the rest counted.
        message << QStringList(20 - 6, missing + unreadable) << "and 6 more";
        QCOMPARE(reportLines(report), message);
    }

    // Pages finish in another order than they started; the texts are written, the observer
    // told and the report ordered as the list is, and a failed page among them keeps its place.
    // Two items with one output leave the text of the later one, as a one-page run would.
    void pagesFinishOutOfOrderButAreReportedInListOrder()
    {
        const QStringList items{f->page("a.html", "a"), f->page("b.htm", "b"),
                                f->page("b.html", "later b"), f->page("c.html"),
                                f->page("failing.html"), f->page("d.html")};
        f->fakes.engine.roundsToLoad = {{items[0], 9}, {items[1], 6}, {items[2], 1},
                                        {items[4], 1}};
        f->fakes.engine.pages.remove(items[4]);
        const ConversionReport report = f->convert(items);

        QCOMPARE(f->fakes.engine.mostPagesInFlight, 3);
        QCOMPARE(f->fakes.engine.loads, items);
        QCOMPARE(f->observer.itemsDone, (QList<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(report.items.size(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(report.items[i].path, items[i]);
        QCOMPARE(report.count(ItemOutcome::Result::Failed), 1);
        QCOMPARE(report.items[4].reason, "the page could not be loaded (not found)");
        QCOMPARE(contents(f->path("a.txt")), "a");
        QCOMPARE(contents(f->path("b.txt")), "later b");
    }

    // A page that never finishes holds up neither the others nor the end of the run: the
    // others are converted meanwhile. At its time limit it gives the text it has by then; one
    // that cannot is abandoned and reported late.
    void aHangingPageIsAbandonedWhileOthersGoOn()
    {
        const QString partial = f->page("partial.html", "what loaded so far"),
                      blank = f->page("blank.html");
        f->fakes.engine.pages.remove(blank); // no text at all yet
        f->fakes.engine.hangingPages << partial << blank;
        QStringList items{partial};
        for (int i = 0; i < 10; ++i)
            items << f->page(QString("page%1.html").arg(i));
        items << blank;
        f->run.setPageTimeLimit(5);
        int pagesLoadedBeforeAbandoning = -1;
        f->fakes.pump.onPump = [&] {
            if (f->fakes.engine.abandonedPages == 0)
                pagesLoadedBeforeAbandoning = int(f->fakes.engine.loads.size());
        };
        const ConversionReport report = f->convert(items);

        QCOMPARE(pagesLoadedBeforeAbandoning, 12);
        QCOMPARE(f->fakes.engine.abandonedPages, 1);
        QCOMPARE(contents(f->path("partial.txt")), "what loaded so far");
        QCOMPARE(contents(f->path("page9.txt")), "text");
        QCOMPARE(reportLines(report).mid(2), (QStringList{
            "1 file could not be converted:",
            blank + ": the page did not finish loading in time"}));
        QCOMPARE(f->observer.itemsDone.size(), 12);
        QVERIFY(f->fakes.pump.longestWaitMs <= 100); // a wait never keeps a core busy, nor lasts
    }

    void waitSecondsLastsAcrossMidnight()
    {
        f->fakes.clock.stepPerRead = 0.25;
        f->fakes.clock.midnightSeconds = 86399;
        f->fakes.pump.onPump = [&] { f->fakes.clock.midnightSeconds = 0; };
        WaitSeconds(1, f->fakes.clock, f->fakes.pump);
        QCOMPARE(f->fakes.pump.pumps, 3); // readings at +0.25, +0.5, +0.75 go on; +1.0 returns
    }

    void fortyThousandItemsConvertCompletely()
    {
        f->fakes.fileWriter.offDisk = true;
        const ConversionReport report = f->convert(QStringList(40'000, f->page("page.html")));
        QCOMPARE(f->fakes.fileWriter.writes, 40'000);
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 40'000);
    }

    // The bar shows the share done of the list as it is now, worked out in double precision.
    // Items removed during the run end it early; the pages in flight still get their files.
    void theBarFollowsTheListAsItShrinks()
    {
        QCOMPARE(progressPercent(1, 3), 33.333332f);
        QCOMPARE(progressPercent(2, 3), 66.666664f);
        QCOMPARE(progressPercent(3, 2), 100.0f);

        MainWindow window(f->fakes.platform(), f->folder.path());
        const int jobs = ConversionRun::defaultJobs();
        QStringList pages;
        for (int i = 0; i < jobs + 3; ++i)
            pages << f->page(QString("p%1.html").arg(i));
        window.fileList().append(pages);
        f->fakes.pump.onPump = [&] {
            // Once the first pages are in flight, every later item goes.
            while (window.fileList().count() > jobs)
                window.fileList().remove(jobs + 1);
        };
        float barAtDone = -1;
        f->fakes.messages.onShow = [&](auto) { barAtDone = window.progressBar()->percent(); };
        QSignalSpy bar(window.progressBar(), &QProgressBar::valueChanged);
        window.saveAsTextButton()->click();

        QCOMPARE(f->fakes.engine.loads, pages.mid(0, jobs));
        QCOMPARE(contents(f->path(QString("p%1.txt").arg(jobs - 1))), "text");
        QVERIFY(!QFile::exists(f->path(QString("p%1.txt").arg(jobs))));
        QCOMPARE(barAtDone, 100.0f);
        QCOMPARE(bar.first().first().toInt(), 100 / jobs);
        QCOMPARE(bar.last().first().toInt(), 0);
    }

    // A press converts the list as it stood: presses and additions during the run are left for
    // the next one. Closing the window during a page wait ends the process with every earlier
    // output whole and none half written.
    void onePressConvertsTheListAsItStood()
    {
        MainWindow window(f->fakes.platform(), f->folder.path());
        const QStringList inputs{f->page("a.html"), f->page("b.html")};
        window.fileList().append(inputs);
        f->fakes.pump.onPump = [&] {
            window.saveAsTextButton()->click();
            if (window.fileList().count() == 2)
                window.fileList().append(QStringList{f->page("c.html"), f->page("d.html")});
        };
        float barAtDone = -1;
        f->fakes.messages.onShow = [&](auto) { barAtDone = window.progressBar()->percent(); };
        window.saveAsTextButton()->click();
        QCOMPARE(f->fakes.engine.loads, inputs);
        QCOMPARE(barAtDone, 50.0f);
        QCOMPARE(window.mousePointer(), int(DefaultPointer));

        f->fakes.engine.loads.clear();
        f->fakes.engine.roundsToLoad[f->path("d.html")] = 100;
        f->fakes.pump.onPump = [&] {
            if (f->fakes.engine.loads.contains(f->path("d.html"))
                && QFile::exists(f->path("c.txt")))
                window.close();
        };
        QVERIFY_THROWS_EXCEPTION(ProcessEnded, window.saveAsTextButton()->click());
        QCOMPARE(contents(f->path("c.txt")), "text");
        // The four pages and the texts of the first three.
        QCOMPARE(QDir(f->folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 7);
    }
};

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
