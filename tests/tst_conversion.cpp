#include "FakePlatform.h"
#include "TestFiles.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "convert/ConversionRun.h"
#include "convert/OutputPath.h"
#include "convert/RunItems.h"
#include "convert/RunProgress.h"
#include "convert/TextFilesBesideInputs.h"
#include "convert/WaitSeconds.h"
#include "platform/FileNames.h"
#include "platform/PointerCode.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <semaphore>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

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
        return writeTestFile(path(name), "<p>" + text.toUtf8());
    }

    ConversionReport convert(const QStringList &paths)
    {
        return run.run(FixedItems(paths), observer);
    }
};

QStringList reportLines(const ConversionReport &report)
{
    return doneMessage(report.failures(), report.count(ItemOutcome::Result::Skipped),
                       report.count(ItemOutcome::Result::NotAPage))
        .split('\n');
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

    std::unique_ptr<RunFixture> f; // made afresh for every test

private slots:
    void init() { f = std::make_unique<RunFixture>(); }

    // A file a browser shows no page for (an image, a script, a style sheet, an SVG document)
    // is not loaded and gets no text file; the window's closing message counts such files on
    // one line, apart from failures. A page is known by its content when its name does not tell.
    void filesThatAreNoPagesAreLeftOut()
    {
        auto file = [this](const QString &name, const QByteArray &bytes) {
            return writeTestFile(f->path(name), bytes);
        };
        const QStringList notPages{file("py.png", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)),
                                   file("py.svg", "<svg xmlns='http://www.w3.org/2000/svg'/>"),
                                   file("jquery.js", "<!-- -->"), file("basic.css", "<p>"),
                                   file("searchindex", "Search.setIndex({})")};
        const QString page = f->page("page.html"), noName = f->page("index", "index");
        const QString chapter = file("chapter.xhtml",
                                     "<html xmlns='http://www.w3.org/1999/xhtml'/>");
        f->fakes.engine.pages.insert(chapter, "chapter");
        const ConversionReport report = f->convert(QStringList{page} + notPages
                                                   + QStringList{noName, chapter});

        QCOMPARE(f->fakes.engine.loads, (QStringList{page, noName, chapter}));
        QCOMPARE(fileContents(f->path("index.txt")), "index");
        QCOMPARE(QDir(f->folder.path()).entryList({"py*", "jquery*", "basic*", "search*"}),
                 (QStringList{"basic.css", "jquery.js", "py.png", "py.svg", "searchindex"}));
        QCOMPARE(report.count(ItemOutcome::Result::NotAPage), 5);
        QCOMPARE(report.items[1].reason, "not a web page (image/png)");
        QCOMPARE(report.items[5].reason, "not a web page (text/plain)");
        QCOMPARE(reportLines(report),
                 (QStringList{"Done.", "", "5 files were left out: they are not web pages."}));
        // The window's closing message, in the singular for one.
        MainWindow window(f->fakes.platform(), f->folder.path());
        window.fileList().append(QStringList{notPages[0], page});
        window.saveAsTextButton()->click();
        QCOMPARE(f->fakes.messages.shown,
                 QStringList{"Done.\n\n1 file was left out: it is not a web page."});
    }

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
        QCOMPARE(::link(QFile::encodeName(linked), QFile::encodeName(f->path("linked.txt"))), 0);
        f->fakes.engine.pages.remove(broken);
        f->page("README.txt", "an older and much longer text");
        QStringList items{f->page("report.final.htm", "Grüße – ☃\nzweite Zeile"),
                          f->page("README", "new"),
                          missing,
                          pipe,
                          notes,
                          linked,
                          broken,
                          big};
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
        QCOMPARE(fileContents(f->path("report.final.txt")), "Grüße – ☃\nzweite Zeile");
        QCOMPARE(fileContents(f->path("README.txt")), "new");
        QCOMPARE(fileContents(notes), "<p>text");
        QCOMPARE(fileContents(linked), "<p>text");
        QCOMPARE(fileContents(bigText), "<p>old output");
        QCOMPARE(QDir(f->folder.path()).entryList({"big*"}, QDir::Files | QDir::Hidden),
                 (QStringList{"big.html", "big.txt"})); // no temporary file left behind
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 2);
        QCOMPARE(report.count(ItemOutcome::Result::Skipped), 2);
        QCOMPARE(report.count(ItemOutcome::Result::Failed), 24);
        const QString unreadable = ": the file cannot be read (No such file or directory)";
        // Files that are their own text file are counted on one line, not called failures.
        QStringList message{"Done.",
                            "",
                            "2 files were left out: each is its own text file.",
                            "",
                            "24 files could not be converted:",
                            missing + unreadable,
                            pipe + ": it is not a file",
                            broken + ": the page could not be loaded (not found)",
                            big + ": " + bigText + " could not be written (File too large)"};
        // Twenty failures are listed, the rest counted.
        message << QStringList(20 - 4, missing + unreadable) << "and 4 more";
        QCOMPARE(reportLines(report), message);
    }

    // What stands at an output's name and is not a regular file is left alone, and nothing
    // outside the input's folder changes; of two items that share an output, the first keeps it,
    // even when the page of the second is done first, and a page listed twice is converted
    // once without complaint.
    void outputsAreNeitherFollowedNorSharedThroughARun()
    {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("target");
        QFile(target).open(QIODevice::WriteOnly);
        QVERIFY(QFile::link(target, f->path("link.txt")));
        QVERIFY(QFile::link(f->path("nowhere"), f->path("dangling.txt")));
        QVERIFY(QDir(f->folder.path()).mkdir("folder.txt"));
        QCOMPARE(::mkfifo(QFile::encodeName(f->path("pipe.txt")), 0600), 0);
        const QString first = f->page("a.htm", "first"), second = f->page("a.html", "second");
        const QString link = f->page("link.html"), dangling = f->page("dangling.html"),
                      folder = f->page("folder.html"), pipe = f->page("pipe.html");
        const QString b = f->page("b.html");
        f->fakes.engine.roundsToLoad[first] = 20;
        f->fakes.engine.roundsToLoad[b] = 30;
        f->run.setJobs(8);
        const ConversionReport report = f->convert(
            {first, link, dangling, folder, pipe, b, b, second});

        QCOMPARE(fileContents(f->path("a.txt")), "first");
        QCOMPARE(fileContents(f->path("b.txt")), "text");
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 3);
        QCOMPARE(QFileInfo(f->path("link.txt")).symLinkTarget(), target);
        QCOMPARE(QFileInfo(target).size(), 0);
        QVERIFY(!QFile::exists(f->path("nowhere")));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"target"});
        QCOMPARE(reportLines(report).sliced(3),
                 (QStringList{link + ": link.txt is a link; it was left alone",
                              dangling + ": dangling.txt is a link; it was left alone",
                              folder + ": folder.txt is not a file; it was left alone",
                              pipe + ": pipe.txt is not a file; it was left alone",
                              second
                                  + ": its text file was already written for an earlier item"
                                    " in this run"}));
        // The next run refreshes the output again.
        f->convert({second});
        QCOMPARE(fileContents(f->path("a.txt")), "second");
    }

    // Another run in the same folder replaces this run's text file, freeing its inode, and the
    // inode comes back under a name this run has yet to write: that name is still free for it.
    void anotherRunsRenamesMakeNoFalseFailures()
    {
        const QString a = f->page("a.html"), b = f->page("b.html");
        f->fakes.engine.hangingPages << b; // until the other run has done its work
        // However long the disk takes with a's text, b must not reach the time bound meanwhile
        // and give its text so far before the other run has written.
        f->fakes.clock.stepPerRead = 0;
        const QByteArray aText = QFile::encodeName(f->path("a.txt")),
                         bText = QFile::encodeName(f->path("b.txt"));
        bool inodeReused = false;
        f->fakes.pump.onPump = [&] {
            struct stat written;
            if (!f->fakes.engine.hangingPages.contains(b) || f->observer.itemsDone.isEmpty()
                || ::stat(aText.constData(), &written) != 0)
                return;
            f->fakes.engine.hangingPages.remove(b);
            QFile::copy(a, f->path("other.tmp"));
            ::rename(QFile::encodeName(f->path("other.tmp")).constData(), aText.constData());
            for (int attempt = 0; attempt < 50 && !inodeReused; ++attempt) {
                QFile::copy(a, f->path("other.tmp"));
                ::rename(QFile::encodeName(f->path("other.tmp")).constData(), bText.constData());
                struct stat other;
                inodeReused = ::stat(bText.constData(), &other) == 0
                    && other.st_ino == written.st_ino && other.st_dev == written.st_dev;
            }
        };
        const ConversionReport report = f->convert({a, b, a});
        if (!inodeReused)
            QSKIP("this file system did not reuse the freed inode");
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 3);
        QCOMPARE(fileContents(f->path("b.txt")), "text");
    }

    // Names at the file system's limit of 255 bytes and names that are not UTF-8 convert every
    // time; a name whose text file cannot be named, or whose bytes were lost before the list got
    // it, gets a reason that says so.
    void oddNamesConvertEveryTime()
    {
        const QString longest = f->page(QString(250, u'x') + ".html"); // 255 bytes
        const QByteArray latin1Name = "caf\xe9.html";                  // "café" in ISO 8859-1
        const QString notUtf8 = f->path(decodeFileName(latin1Name));
        f->fakes.engine.pages.insert(notUtf8, "text");
        QFile file(f->path("placeholder"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(::rename(QFile::encodeName(file.fileName()),
                          QFile::encodeName(f->folder.path()) + '/' + latin1Name),
                 0);
        const QString tooLong = f->page(QString(253, u'y') + ".h"); // its text file would not fit
        const QString lost = f->path(QString::fromUtf8("caf\xe9.html"));
        for (int run = 0; run < 2; ++run) {
            const ConversionReport report = f->convert({longest, notUtf8, tooLong, lost});
            QCOMPARE(reportLines(report).sliced(3),
                     (QStringList{tooLong + ": " + stripExtension(tooLong)
                                      + ".txt could not be"
                                        " written (its name is longer than the file system allows)",
                                  lost
                                      + ": its name cannot be read: it holds bytes that are not"
                                        " text"}));
        }
        QCOMPARE(fileContents(f->path(QString(250, u'x') + ".txt")), "text");
        const QByteArray latin1Text = QFile::encodeName(f->folder.path()) + "/caf\xe9.txt";
        QCOMPARE(::access(latin1Text.constData(), F_OK), 0);
        // QTemporaryDir cannot remove what Qt cannot name.
        ::unlink(latin1Text.constData());
        ::unlink(encodeFileName(notUtf8).constData());
    }

    // A name made to forge a line of the closing message shows on one line of it, its control
    // characters visible.
    void aForgedNameStaysOnItsLineInTheClosingMessage()
    {
        const QString forged = f->page("evil\nx.html: forged failure line\033[2K\033[1A.html");
        f->fakes.engine.pages.remove(forged);
        QCOMPARE(reportLines(f->convert({forged})).sliced(3),
                 QStringList{f->folder.path()
                             + "/evil\\nx.html: forged failure line\\033[2K"
                               "\\033[1A.html: the page could not be loaded "
                               "(not found)"});
    }

    // Pages finish in another order than they started; the texts are written, the observer
    // told and the report ordered as the list is, and a failed page among them keeps its place.
    // Of two items with one output the first keeps it, as in a run of one page at a time, even
    // when the page of the second is done first.
    void pagesFinishOutOfOrderButAreReportedInListOrder()
    {
        const QStringList items{f->page("a.html", "a"),       f->page("b.htm", "b"),
                                f->page("b.html", "later b"), f->page("c.html"),
                                f->page("failing.html"),      f->page("d.html")};
        f->fakes.engine.roundsToLoad = {{items[0], 9}, {items[1], 6}, {items[2], 1}, {items[4], 1}};
        f->fakes.engine.pages.remove(items[4]);
        const ConversionReport report = f->convert(items);

        QCOMPARE(f->fakes.engine.mostPagesInFlight, 3);
        QCOMPARE(f->fakes.engine.loads, items);
        QCOMPARE(f->observer.itemsDone, (QList<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(report.items.size(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(report.items[i].path, items[i]);
        QCOMPARE(report.count(ItemOutcome::Result::Failed), 2);
        QCOMPARE(report.items[2].reason,
                 "its text file was already written for an earlier item in this run");
        QCOMPARE(report.items[4].reason, "the page could not be loaded (not found)");
        QCOMPARE(fileContents(f->path("a.txt")), "a");
        QCOMPARE(fileContents(f->path("b.txt")), "b");
    }

    // The wait for the disk holds up no page: while the first text waits, the later pages load;
    // the texts are still written, and the items reported, in list order.
    void pagesLoadWhileTextsWaitForTheDisk()
    {
        QStringList items, outputs;
        for (int i = 0; i < 6; ++i) {
            items << f->page(QString("p%1.html").arg(i));
            outputs << f->path(QString("p%1.txt").arg(i));
        }
        std::binary_semaphore diskReady{0};
        QStringList written; // by the writing thread, read once the run is over
        f->fakes.fileWriter.onWrite = [&](const QString &path) {
            if (written.isEmpty())
                diskReady.try_acquire_for(std::chrono::seconds(10)); // a disk that is slow
            written << path;
        };
        int reportedWhenAllLoaded = -1;
        f->fakes.pump.onPump = [&] {
            if (reportedWhenAllLoaded < 0 && f->fakes.engine.loads.size() == items.size()
                && f->fakes.engine.pagesInFlight() == 0) {
                reportedWhenAllLoaded = int(f->observer.itemsDone.size());
                diskReady.release();
            }
        };
        const ConversionReport report = f->convert(items);

        QCOMPARE(reportedWhenAllLoaded, 0);
        QCOMPARE(written, outputs);
        QCOMPARE(f->observer.itemsDone, (QList<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 6);
    }

    // Texts that wait for the disk together are put in place together, in list order, each one
    // whole before its item is reported. One that cannot be written fails alone, and an item
    // whose output an earlier one of them would take still sees what that one left.
    void textsThatWaitTogetherAreWrittenTogether()
    {
        QStringList items;
        for (int i = 0; i < 6; ++i)
            items << f->page(QString("p%1.html").arg(i), QString("text %1").arg(i));
        items << items[2] << f->page("p1.htm", "other");
        std::binary_semaphore diskReady{0};
        bool first = true;
        f->fakes.fileWriter.onWrite = [&](const QString &) {
            if (!std::exchange(first, false))
                return;
            diskReady.try_acquire_for(std::chrono::seconds(10));
            QDir(f->folder.path()).mkdir("p4.txt"); // after the item's check before loading
        };
        int pumpsSinceAllLoaded = 0; // the next pump comes once every item is handed over
        f->fakes.pump.onPump = [&] {
            if (f->fakes.engine.loads.size() == items.size() && f->fakes.engine.pagesInFlight() == 0
                && ++pumpsSinceAllLoaded == 2)
                diskReady.release();
        };
        struct : RunObserver
        {
            QList<int> done;
            QStringList texts; // of the items' outputs when they were reported
            QString folder;
            void itemDone(int itemNumber, const ItemOutcome &) override
            {
                done << itemNumber;
                texts << fileContents(QString("%1/p%2.txt").arg(folder).arg(itemNumber - 1));
            }
        } observer;
        observer.folder = f->folder.path();
        const ConversionReport report = f->run.run(FixedItems(items), observer);

        QCOMPARE(observer.done, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(observer.texts.first(6),
                 (QStringList{"text 0", "text 1", "text 2", "text 3", "", "text 5"}));
        QCOMPARE(f->fakes.fileWriter.commits, 2); // one before the item that needs its output
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 6);
        QCOMPARE(report.items[4].reason,
                 f->path("p4.txt")
                     + " could not be written (it is not a regular file; it was left alone)");
        QCOMPARE(report.items[7].reason,
                 "its text file was already written for an earlier item in this run");
        QCOMPARE(fileContents(f->path("p1.txt")), "text 1");
        QCOMPARE(QDir(f->folder.path()).entryList({".quillmere-*"}, QDir::Files | QDir::Hidden),
                 QStringList());
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
        QCOMPARE(fileContents(f->path("partial.txt")), "what loaded so far");
        QCOMPARE(fileContents(f->path("page9.txt")), "text");
        QCOMPARE(reportLines(report).mid(2),
                 (QStringList{"1 file could not be converted:",
                              blank + ": the page did not finish loading in time"}));
        QCOMPARE(f->observer.itemsDone.size(), 12);
        QVERIFY(f->fakes.pump.longestWaitMs
                <= 100); // a wait never keeps a core busy, nor lasts long
    }

    void waitSecondsLastsAcrossMidnight()
    {
        f->fakes.clock.stepPerRead = 0.25;
        f->fakes.clock.midnightSeconds = 86399;
        f->fakes.pump.onPump = [&] { f->fakes.clock.midnightSeconds = 0; };
        waitSeconds(1, f->fakes.clock, f->fakes.pump);
        QCOMPARE(f->fakes.pump.pumps, 3); // readings at +0.25, +0.5, +0.75 go on; +1.0 returns
        QCOMPARE(f->fakes.pump.waitingPumps, 3); // each sleeps until an event or the time is up
        QCOMPARE(f->fakes.pump.longestWaitMs, 750);
    }

    // However many pages in flight are asked for, a run makes loaders only as pages need them,
    // never more than its ceiling, and the items refused beforehand need none.
    void loadersAreMadeOnlyAsPagesNeedThem()
    {
        f->run.setJobs(2'147'483'647);
        f->convert({f->path("missing.html"), f->page("one.html")});
        QCOMPARE(f->fakes.engine.loadersMade, 1);
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << f->page(QString("p%1.html").arg(i));
        f->convert(many);
        QCOMPARE(f->fakes.engine.loadersMade, ConversionRun::maxJobs);
        QCOMPARE(f->fakes.engine.mostPagesInFlight, ConversionRun::maxJobs);
        QVERIFY(ConversionRun::defaultJobs() <= ConversionRun::maxJobs);
    }

    void fortyThousandItemsConvertCompletely()
    {
        f->fakes.fileWriter.offDisk = true;
        const ConversionReport report = f->convert(QStringList(40'000, f->page("page.html")));
        QCOMPARE(f->fakes.fileWriter.writes, 1); // a page listed again has its text already
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
        QCOMPARE(fileContents(f->path(QString("p%1.txt").arg(jobs - 1))), "text");
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
        f->fakes.engine.hangingPages << f->path("d.html");
        f->fakes.pump.onPump = [&] {
            if (f->fakes.engine.loads.contains(f->path("d.html"))
                && QFile::exists(f->path("c.txt")))
                window.close();
        };
        QVERIFY_THROWS_EXCEPTION(ProcessEnded, window.saveAsTextButton()->click());
        QCOMPARE(fileContents(f->path("c.txt")), "text");
        // The four pages and the texts of the first three.
        QCOMPARE(QDir(f->folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 7);
    }
};

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
