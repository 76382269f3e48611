#include "FakePlatform.h"

#include "app/LatchingButton.h"
#include "app/MainWindow.h"
#include "app/ProgressBar.h"
#include "convert/ConversionRun.h"
#include "convert/WaitSeconds.h"
#include "convert/OutputPath.h"
#include "filelist/FileListModel.h"
#include "platform/FileNames.h"
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

// A folder of input files and a run over a list that starts empty. The folder's name holds a
// ".", which is no extension. The clock moves a millisecond at every reading, so waits end.
struct RunFixture
{
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/v1.2-XXXXXX")};
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

    std::unique_ptr<RunFixture> f; // made afresh for every test

private slots:
    void init() { f = std::make_unique<RunFixture>(); }

    // Every item gets its text file beside it or a line in the closing message, and the run
    // goes on. Nothing is lost: no input is replaced by its own text, and a write that fails
    // part way (here as on a full disk) leaves the old output whole.
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
        f->list.append({f->page("report.final.htm", "Grüße – ☃\nzweite Zeile"),
                        f->page("README", "new"), missing, pipe, notes, linked, broken, big});
        f->list.append(QStringList(20, missing));
        // A write beyond 64 KiB stops part way and does not end the process.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit usual{};
        getrlimit(RLIMIT_FSIZE, &usual);
        const auto restoreLimit = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &usual); });
        const rlimit diskFull{65'536, usual.rlim_max};
        setrlimit(RLIMIT_FSIZE, &diskFull);
        f->run.run();

        // UTF-8 without a byte-order mark.
        QCOMPARE(contents(f->path("report.final.txt")), "Grüße – ☃\nzweite Zeile");
        QCOMPARE(contents(f->path("README.txt")), "new");
        QCOMPARE(contents(notes), "<p>text");
        QCOMPARE(contents(linked), "<p>text");
        QCOMPARE(contents(bigText), "<p>old output");
        QCOMPARE(QDir(f->folder.path()).entryList({"big*"}, QDir::Files | QDir::Hidden),
                 (QStringList{"big.html", "big.txt"})); // no temporary file left behind
        const QString unreadable = ": the file cannot be read (No such file or directory)";
        // Files that are their own text file are counted on one line, not called failures.
        QStringList message{"Done.", "", "2 files were left out: each is its own text file.", "",
                            "24 files could not be converted:", missing + unreadable,
                            pipe + ": it is not a file",
                            broken + ": the page could not be loaded (not found)",
                            big + ": " + bigText + " could not be written (File too large)"};
        // Twenty failures are listed, the rest counted.
        message << QStringList(20 - 4, missing + unreadable) << "and 4 more";
        QCOMPARE(f->fakes.messages.shown.last().split('\n'), message);
    }

    // What stands at an output's name and is not a regular file is left alone, and nothing
    // outside the input's folder changes; of two items that share an output, the first keeps it,
    // and a page listed twice is converted once without complaint.
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
        f->list.append({first, link, dangling, folder, pipe, b, b, second});
        f->run.run();

        QCOMPARE(contents(f->path("a.txt")), "first");
        QCOMPARE(contents(f->path("b.txt")), "text");
        QCOMPARE(QFileInfo(f->path("link.txt")).symLinkTarget(), target);
        QCOMPARE(QFileInfo(target).size(), 0);
        QVERIFY(!QFile::exists(f->path("nowhere")));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"target"});
        QCOMPARE(f->fakes.messages.shown.last().split('\n').sliced(3),
                 (QStringList{link + ": link.txt is a link; it was left alone",
                              dangling + ": dangling.txt is a link; it was left alone",
                              folder + ": folder.txt is not a file; it was left alone",
                              pipe + ": pipe.txt is not a file; it was left alone",
                              second + ": its text file was already written for an earlier item"
                                       " in this run"}));
        // The next run refreshes the output again.
        while (f->list.count() > 1)
            f->list.remove(1);
        f->run.run();
        QCOMPARE(contents(f->path("a.txt")), "second");
    }

    // Names at the file system's limit of 255 bytes and names that are not UTF-8 convert every
    // time; a name whose text file cannot be named, or whose bytes were lost before the list got
    // it, gets a reason that says so.
    void oddNamesConvertEveryTime()
    {
        const QString longest = f->page(QString(250, u'x') + ".html"); // 255 bytes
        const QByteArray latin1Name = "caf\xe9.html"; // "café" in ISO 8859-1
        const QString notUtf8 = f->path(decodeFileName(latin1Name));
        f->fakes.engine.pages.insert(notUtf8, "text");
        QFile file(f->path("placeholder"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(::rename(QFile::encodeName(file.fileName()),
                          QFile::encodeName(f->folder.path()) + '/' + latin1Name), 0);
        const QString tooLong = f->page(QString(253, u'y') + ".h"); // its text file would not fit
        const QString lost = f->path(QString::fromUtf8("caf\xe9.html"));
        f->list.append({longest, notUtf8, tooLong, lost});
        for (int run = 0; run < 2; ++run) {
            f->run.run();
            QCOMPARE(f->fakes.messages.shown.last().split('\n').sliced(3),
                     (QStringList{tooLong + ": " + StripExtension(tooLong) + ".txt could not be"
                                  " written (its name is longer than the file system allows)",
                                  lost + ": its name cannot be read: it holds bytes that are not"
                                  " text"}));
        }
        QCOMPARE(contents(f->path(QString(250, u'x') + ".txt")), "text");
        const QByteArray latin1Text = QFile::encodeName(f->folder.path()) + "/caf\xe9.txt";
        QCOMPARE(::access(latin1Text.constData(), F_OK), 0);
        // QTemporaryDir cannot remove what Qt cannot name.
        ::unlink(latin1Text.constData());
        ::unlink(encodeFileName(notUtf8).constData());
    }

    // The bar shows the share done of the list as it is now, worked out in double precision.
    // Items removed during the run end it early; the item being converted still gets its file.
    void theBarFollowsTheListAsItShrinks()
    {
        f->list.append({f->page("a.html"), f->page("b.html"), f->page("c.html")});
        f->run.run();
        QCOMPARE(f->view.progress, (QList<float>{33.333332f, 66.666664f, 100.0f, 0.0f}));

        f->view.progress.clear();
        f->fakes.pump.onPump = [&] {
            while (f->fakes.engine.location() == f->path("b.html") && f->list.count() > 0)
                f->list.remove(1);
        };
        f->run.run();
        QCOMPARE(contents(f->path("b.txt")), "text");
        QCOMPARE(f->view.progress, (QList<float>{33.333332f, 100.0f, 0.0f}));
    }

    void hangingPagesAreAbandonedAtTheFirstBound()
    {
        const QString partial = f->page("partial.html", "what loaded so far"),
                      blank = f->page("blank.html");
        f->fakes.engine.pages.remove(blank); // no text at all yet
        f->fakes.engine.hangingPages << partial << blank;
        f->list.append({partial, blank, f->page("next.html")});
        // The clock stands still on the first page, so only the poll count ends that wait; on
        // the second it moves a second a poll, and sixty seconds end it.
        f->fakes.pump.onPump = [&] {
            f->fakes.clock.stepPerRead = f->fakes.engine.location() == partial ? 0 : 1;
        };
        f->run.run();

        QCOMPARE(contents(f->path("partial.txt")), "what loaded so far");
        QCOMPARE(f->fakes.engine.abandonedPages, 2);
        const QString late = blank + ": the page did not finish loading in time";
        QCOMPARE(f->fakes.messages.shown[0], "Done.\n\n1 file could not be converted:\n" + late);
        // Sixty seconds for the blank page, then five for its text so far, which never comes.
        QVERIFY(qAbs(f->fakes.pump.waitingPumps - (10'000'000 + 60 + 5)) < 5);
        QCOMPARE(f->fakes.pump.longestWaitMs, 1); // a poll never keeps a core busy, nor waits long
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
        f->list.append(QStringList(40'000, f->page("page.html")));
        f->run.run();
        QCOMPARE(f->fakes.fileWriter.writes, 40'000);
        QCOMPARE(f->fakes.messages.shown, QStringList{"Done."});
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
        QCOMPARE(f->fakes.engine.navigations.sliced(1), inputs); // after the start-up page
        QCOMPARE(barAtDone, 50.0f);
        QCOMPARE(window.mousePointer(), int(DefaultPointer));

        f->fakes.pump.onPump = [&] {
            if (f->fakes.engine.location() == f->path("d.html"))
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
