// quillmere-convert: its arguments and exit statuses with a fake engine, and the real program
// on the sample corpus.

#include "FakePlatform.h"
#include "TestFiles.h"

#include "cli/CommandLine.h"
#include "cli/ConvertCommand.h"
#include "platform/EscapedText.h"
#include "platform/FileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <tuple>

#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// A stream whose text a test can read back.
class CapturedStream
{
public:
    CapturedStream() : m_stream(open_memstream(&m_buffer, &m_size)) {}
    ~CapturedStream()
    {
        std::fclose(m_stream);
        std::free(m_buffer);
    }
    std::FILE *stream() const { return m_stream; }
    QString text() const
    {
        std::fflush(m_stream);
        return QString::fromUtf8(m_buffer, qsizetype(m_size));
    }

private:
    char *m_buffer = nullptr;
    size_t m_size = 0;
    std::FILE *m_stream;
};

// Waits until a file whose name starts with prefix is made in the folder watched by the
// inotify descriptor; false when none comes within the timeout.
bool awaitFileMade(int inotify, const QByteArray &prefix, int timeoutMs)
{
    pollfd ready{inotify, POLLIN, 0};
    alignas(inotify_event) char events[4096];
    while (::poll(&ready, 1, timeoutMs) == 1) {
        const ssize_t size = ::read(inotify, events, sizeof events);
        for (ssize_t at = 0; at < size;) {
            const auto *event = reinterpret_cast<const inotify_event *>(events + at);
            if (event->len > 0 && QByteArray(event->name).startsWith(prefix))
                return true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    return false;
}

// The text files below folder, by their paths relative to it.
QMap<QString, QByteArray> textFilesIn(const QString &folder)
{
    QMap<QString, QByteArray> texts;
    QDirIterator it(folder, {"*.txt"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        texts.insert(QDir(folder).relativeFilePath(path), fileContents(path));
    }
    return texts;
}

// The names of everything below folder, with sizes and times, to tell whether anything changed.
QStringList filesBelow(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        entries << QStringLiteral("%1 %2 %3").arg(entry.filePath()).arg(entry.size())
                       .arg(entry.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

// Every folder below root, root included, without write permission (or with it again).
void setFoldersWritable(const QString &root, bool writable)
{
    QStringList folders{root};
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        folders << it.next();
    for (const QString &folder : folders) {
        const auto write = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup;
        QFile::Permissions permissions = QFile::permissions(folder);
        QFile::setPermissions(folder, writable ? permissions | write : permissions & ~write);
    }
}

void makeReadOnly(const QString &root) { setFoldersWritable(root, false); }
void makeWritable(const QString &root) { setFoldersWritable(root, true); }

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakePlatform m_fakes;
    std::unique_ptr<CapturedStream> m_out;
    std::unique_ptr<CapturedStream> m_err;

    QString page(const QString &name, const QString &text = QStringLiteral("text"))
    {
        const QString path = writeTestFile(m_dir.filePath(name), "<p>" + text.toUtf8());
        m_fakes.engine.pages.insert(path, text);
        return path;
    }

    int convert(const QStringList &arguments, bool terminal = false)
    {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        if (parsed.action != ParsedCommandLine::Action::Convert)
            qFatal("not a conversion: %s", qPrintable(parsed.error));
        return convertFiles(parsed.options, m_fakes.engine, m_fakes.fileWriter, m_fakes.pump,
                            m_fakes.clock, {m_out->stream(), m_err->stream(), terminal});
    }

private slots:
    void init()
    {
        m_fakes.clock.stepPerRead = 0.001;
        m_out = std::make_unique<CapturedStream>();
        m_err = std::make_unique<CapturedStream>();
    }

    void readsItsArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("error");
        using A = ParsedCommandLine::Action;
        QTest::newRow("no PATH") << QStringList{"--jobs", "2"} << int(A::UsageError)
                                 << "No PATH given.";
        QTest::newRow("unknown option") << QStringList{"--fast", "a.html"} << int(A::UsageError)
                                        << "Unknown option 'fast'.";
        QTest::newRow("jobs not a number") << QStringList{"--jobs", "two", "a.html"}
                                           << int(A::UsageError)
                                           << "--jobs takes a whole number of at least 1.";
        QTest::newRow("no jobs") << QStringList{"--jobs=0", "a.html"} << int(A::UsageError)
                                 << "--jobs takes a whole number of at least 1.";
        QTest::newRow("fast engine") << QStringList{"--engine", "fast", "a.html"}
                                     << int(A::Convert) << "";
        QTest::newRow("unknown engine") << QStringList{"--engine", "w3m", "a.html"}
                                        << int(A::UsageError)
                                        << "Unknown engine 'w3m'; use auto, browser or fast.";
        QTest::newRow("browser engine") << QStringList{"--engine=browser", "a.html"}
                                        << int(A::Convert) << "";
        QTest::newRow("two places for the texts")
            << QStringList{"-o", "a.txt", "--output-dir", "text", "a.html"} << int(A::UsageError)
            << "Choose one of --stdout, --output and --output-dir.";
        QTest::newRow("standard input among files")
            << QStringList{"-", "a.html"} << int(A::UsageError)
            << "'-' (standard input) is read alone, without other PATHs.";
        QTest::newRow("standard input into a folder")
            << QStringList{"--output-dir", "text", "-"} << int(A::UsageError)
            << "'-' (standard input) goes to standard output or --output.";
        QTest::newRow("standard input to a file") << QStringList{"-o", "a.txt", "-"}
                                                  << int(A::Convert) << "";
        QTest::newRow("help") << QStringList{"--help"} << int(A::ShowHelp) << "";
        QTest::newRow("short help") << QStringList{"-h"} << int(A::ShowHelp) << "";
        QTest::newRow("version") << QStringList{"--version"} << int(A::ShowVersion) << "";
    }

    void readsItsArguments()
    {
        QFETCH(QStringList, arguments);
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        QTEST(int(parsed.action), "action");
        QTEST(parsed.error, "error");
    }

    // A folder is walked as the window walks it; every failure is named on standard error in
    // list order; one failure makes the status 1.
    void convertsFilesAndFoldersAndNamesFailures()
    {
        const QString first = page("first.html", "one");
        page("site/b.htm", "b");
        page("site/a.html", "a");
        page("site/~skipped.htm");
        page("site/notes.css");
        const QString broken = page("site/sub/broken.html");
        m_fakes.engine.pages.remove(broken);
        const QString missing = m_dir.filePath("missing.html");

        QCOMPARE(convert({first, m_dir.filePath("site/"), missing}), int(SomeFailed));
        QCOMPARE(m_fakes.engine.loads,
                 (QStringList{first, m_dir.filePath("site/a.html"), m_dir.filePath("site/b.htm"),
                              broken}));
        QCOMPARE(fileContents(m_dir.filePath("first.txt")), "one");
        QCOMPARE(fileContents(m_dir.filePath("site/b.txt")), "b");
        QCOMPARE(m_err->text(), broken + ": the page could not be loaded (not found)\n" + missing
                                   + ": the file cannot be read (No such file or directory)\n");
        QVERIFY(m_out->text().isEmpty());

        m_fakes.engine.mostPagesInFlight = 0;
        QCOMPARE(convert({"--jobs", "1", first, m_dir.filePath("site/a.html")}), int(NoneFailed));
        QCOMPARE(m_fakes.engine.mostPagesInFlight, 1);
    }

    // A file that is no page is named on standard error with its type, gets no text file and
    // is no failure, not even two that would share one.
    void namesFilesThatAreNoPages()
    {
        const QString first = page("first.html", "one"), sheet = page("html/basic.css"),
                      drawing = page("html/py.svg");
        const QString picture = m_dir.filePath("html/py.png");
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x89PNG\r\n\x1A\n", 8));
        file.close();

        m_fakes.engine.loads.clear();
        const QString errorsBefore = m_err->text();
        QCOMPARE(convert({first, picture, m_dir.filePath("html")}), int(NoneFailed));
        QCOMPARE(m_fakes.engine.loads, QStringList{first});
        QCOMPARE(m_err->text().mid(errorsBefore.size()), picture + ": not a web page (image/png)\n" + sheet
                                   + ": not a web page (text/css)\n" + picture
                                   + ": not a web page (image/png)\n" + drawing
                                   + ": not a web page (image/svg+xml)\n");
        QCOMPARE(textFilesIn(m_dir.filePath("html")), (QMap<QString, QByteArray>{}));
    }

    // The text alone on standard output, and no file; more than one file is a usage error.
    void writesASingleTextToStandardOutput()
    {
        const QString notes = page("notes", "Grüße");
        QCOMPARE(convert({"--stdout", notes}), int(NoneFailed));
        QCOMPARE(m_out->text(), "Grüße");
        QCOMPARE(fileContents(notes), "<p>Grüße");

        QCOMPARE(convert({"--stdout", notes, notes}), int(UsageError));
        QVERIFY(m_err->text().contains("--stdout takes a single file"));
    }

    // -o: the text of the single file at the name given, never over the file itself; more than
    // one file is a usage error.
    void writesASingleTextToTheFileNamed()
    {
        const QString page = this->page("single/page.html", "one");
        const QString output = m_dir.filePath("single/chosen name");
        QCOMPARE(convert({"-o", output, page}), int(NoneFailed));
        QCOMPARE(fileContents(output), "one");
        QVERIFY(!QFile::exists(m_dir.filePath("single/page.txt")));

        QCOMPARE(convert({"--output", page, page}), int(NoneFailed));
        QCOMPARE(fileContents(page), "<p>one");
        QCOMPARE(m_err->text(), page + ": its text file would replace the file itself\n");

        this->page("single/other.htm");
        QCOMPARE(convert({"-o", output, m_dir.filePath("single")}), int(UsageError));
        QVERIFY(m_err->text().endsWith("--output takes a single file, not 2.\n"));
    }

    // --output-dir mirrors each file's path below the folder it was found in; a file named
    // directly lands in the folder itself. Nothing is written into the input tree, so a source
    // .txt beside its page stays as it was, and a read-only tree converts all the same. Two
    // files that would share a text file are reported as beside the inputs.
    void writesTheTextsBelowAnOutputFolder()
    {
        const QString site = m_dir.filePath("site-tree");
        page("site-tree/git.html", "git page");
        const QString source = m_dir.filePath("site-tree/git.txt");
        QFile sourceFile(source);
        QVERIFY(sourceFile.open(QIODevice::WriteOnly));
        const QByteArray asciiDoc = "git(1)\n======\n\nNAME\n----\ngit - the stupid content tracker\n";
        sourceFile.write(asciiDoc);
        sourceFile.close();
        page("site-tree/docs/deep/a.htm", "deep");
        page("site-tree/docs/b.htm", "b from htm");
        const QString sharing = page("site-tree/docs/b.html", "b from html");
        const QString direct = page("direct.html", "direct");
        const QStringList treeBefore = filesBelow(site);
        makeReadOnly(site);

        const QString out = m_dir.filePath("out");
        QCOMPARE(convert({"--output-dir", out, site + "/", direct}), int(SomeFailed));
        makeWritable(site);
        QCOMPARE(filesBelow(site), treeBefore);
        QCOMPARE(fileContents(source), asciiDoc);
        QCOMPARE(textFilesIn(out), (QMap<QString, QByteArray>{{"git.txt", "git page"},
                                                               {"docs/deep/a.txt", "deep"},
                                                               {"docs/b.txt", "b from htm"},
                                                               {"direct.txt", "direct"}}));
        QCOMPARE(m_err->text(), sharing + ": its text file was already written for an earlier "
                                          "item in this run\n");
    }

    // --no-clobber: an existing text file is kept and its page not even loaded; the item is
    // named as left alone and does not count as failed. --quiet drops that note and the
    // progress line, but never a failure.
    void keepsExistingTextsAndKeepsQuietWhenAsked()
    {
        const QString kept = page("keep/kept.html", "new");
        const QString fresh = page("keep/fresh.html", "fresh");
        QFile old(m_dir.filePath("keep/kept.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        m_fakes.engine.loads.clear();

        QCOMPARE(convert({"--no-clobber", m_dir.filePath("keep")}), int(NoneFailed));
        QCOMPARE(fileContents(m_dir.filePath("keep/kept.txt")), "old");
        QCOMPARE(fileContents(m_dir.filePath("keep/fresh.txt")), "fresh");
        QCOMPARE(m_fakes.engine.loads, QStringList{fresh});
        QCOMPARE(m_err->text(), kept + ": " + m_dir.filePath("keep/kept.txt")
                                    + " exists already; it was left alone\n");

        init();
        const QString broken = page("keep/broken.html");
        m_fakes.engine.pages.remove(broken);
        QCOMPARE(convert({"-q", "-n", m_dir.filePath("keep")}, true), int(SomeFailed));
        QCOMPARE(m_err->text(), broken + ": the page could not be loaded (not found)\n");
    }

    // A name built to forge a "path: reason" line and move the terminal's cursor shows up on one
    // line, its control characters escaped as ls -b shows them.
    void showsControlCharactersInNamesEscaped()
    {
        const QString forged = page("evil\nx.html: forged failure line\033[2K\033[1A.html");
        m_fakes.engine.pages.remove(forged);
        QCOMPARE(convert({forged}), int(SomeFailed));
        QCOMPARE(m_err->text(), m_dir.path() + "/evil\\nx.html: forged failure line\\033[2K"
                                                "\\033[1A.html: the page could not be loaded "
                                                "(not found)\n");

        QCOMPARE(escapeControlCharacters(decodeFileName("caf\xe9\t\\ \xc2\x9b.html") + "😀"),
                 "caf\\351\\t\\\\ \\302\\233.html😀");
    }

    // On a terminal a live line follows the run and is gone at its end; --stats prints the
    // figures.
    void showsProgressOnATerminalAndFiguresWhenAsked()
    {
        const QString a = page("a.html"), b = page("b.html");
        QCOMPARE(convert({"--stats", a, b}, true), int(NoneFailed));
        QVERIFY(m_err->text().contains("2/2 files"));
        QVERIFY(m_err->text().endsWith("\r\033[K"));
        for (const char *figure : {"files/s", "input MB/s", "CPU seconds", "peak RSS"})
            QVERIFY2(m_out->text().contains(figure), figure);
    }

    // The real program, headless and as it is installed: the same texts from the browser
    // engine one page at a time as from the default (several pages in flight, the fast engine
    // for pages without scripts); a usage error before any engine starts.
    void realProgramWritesTheSameTextsWithOneJobOrMany()
    {
        QTemporaryDir corpus;
        for (const QString folder : {"one", "many"}) { // the same pages in both
            QVERIFY(QDir().mkpath(corpus.filePath(folder)));
            QProcess makeCorpus;
            makeCorpus.start(MAKE_CORPUS, {corpus.filePath(folder), "40"});
            QVERIFY(makeCorpus.waitForFinished(60'000));
            QCOMPARE(makeCorpus.exitCode(), 0);
        }

        QProcess program;
        program.setProcessEnvironment(QProcessEnvironment()); // no display, nothing set
        for (const QStringList &arguments : {QStringList{"--engine", "browser", "--jobs", "1",
                                                         corpus.filePath("one")},
                                             QStringList{corpus.filePath("many")}}) {
            program.start(QUILLMERE_CONVERT, arguments);
            QVERIFY(program.waitForFinished(120'000));
            QCOMPARE(program.readAllStandardError(), QByteArray());
            QCOMPARE(program.exitCode(), int(NoneFailed));
        }
        const QMap<QString, QByteArray> texts = textFilesIn(corpus.filePath("one"));
        QCOMPARE(texts.size(), 40);
        QVERIFY(texts == textFilesIn(corpus.filePath("many")));

        program.start(QUILLMERE_CONVERT, {"--jobs"});
        QVERIFY(program.waitForFinished(10'000));
        QCOMPARE(program.exitCode(), int(UsageError));
    }

    // "-": the page on standard input, its relative style sheet and script found in the current
    // folder, its text on standard output or in the file named; nothing is left behind.
    void realProgramReadsAPageFromStandardInput()
    {
        QTemporaryDir folder;
        const QMap<QString, QByteArray> files{{"hide.css", "p { display: none }"},
                                              {"more.js", "document.write('<div>more</div>')"}};
        for (auto file = files.begin(); file != files.end(); ++file) {
            QFile out(folder.filePath(file.key()));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file.value());
        }
        const QByteArray page = "<link rel=stylesheet href=hide.css><div>shown</div><p>hidden";
        const QByteArray withScript = page + "<script src=more.js></script>";
        QProcess program;
        program.setWorkingDirectory(folder.path());
        for (const auto &[arguments, input, text] :
             {std::tuple{QStringList{"-"}, page, QByteArray("shown")},
              std::tuple{QStringList{"--engine", "browser", "-"}, withScript,
                         QByteArray("shown\nmore")}}) {
            program.start(QUILLMERE_CONVERT, arguments);
            program.write(input);
            program.closeWriteChannel();
            QVERIFY(program.waitForFinished(60'000));
            QCOMPARE(program.readAllStandardError(), QByteArray());
            QCOMPARE(program.readAllStandardOutput(), text);
            QCOMPARE(program.exitCode(), int(NoneFailed));
        }

        program.start(QUILLMERE_CONVERT, {"-o", "text file", "-"});
        program.write(page);
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(60'000));
        QCOMPARE(program.readAllStandardOutput(), QByteArray());
        QCOMPARE(fileContents(folder.filePath("text file")), "shown");
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"hide.css", "more.js", "text file"}));
    }

    // Interrupted in the middle of writing a large text, the program removes its temporary file,
    // damages no output and ends by the signal, which a shell shows as 128 + the signal (130 for
    // SIGINT).
    void realProgramCleansUpWhenInterrupted()
    {
        QTemporaryDir folder;
        QFile page(folder.filePath("large.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<pre>" + QByteArray("a line of the page's text\n").repeated(400'000));
        page.close();
        QFile output(folder.filePath("large.txt"));
        QVERIFY(output.open(QIODevice::WriteOnly));
        output.write("the last run's text");
        output.close();

        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            const int inotify = ::inotify_init1(IN_CLOEXEC);
            const auto closeInotify = qScopeGuard([&] { ::close(inotify); });
            QVERIFY(::inotify_add_watch(inotify, QFile::encodeName(folder.path()), IN_CREATE) >= 0);
            QProcess program;
            program.start(QUILLMERE_CONVERT, {"--engine", "fast", page.fileName()});
            QVERIFY(awaitFileMade(inotify, ".quillmere-", 60'000));
            ::kill(pid_t(program.processId()), signal);
            QVERIFY(program.waitForFinished(30'000));
            QCOMPARE(program.exitStatus(), QProcess::CrashExit);
            QCOMPARE(program.exitCode(), signal);
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{"large.html", "large.txt"}));
            QCOMPARE(fileContents(output.fileName()), "the last run's text");
        }
    }

    // A signal while texts wait for the disk together: the ones put in place are whole, the
    // others never appear, and no temporary file is left.
    void realProgramCleansUpWhileTextsWaitTogether()
    {
        QTemporaryDir folder;
        QStringList pages;
        for (int i = 0; i < 5; ++i) {
            QFile small(folder.filePath(QString("p%1.html").arg(i)));
            QVERIFY(small.open(QIODevice::WriteOnly));
            small.write("<p>page " + QByteArray::number(i));
            pages << small.fileName();
        }
        QFile large(folder.filePath("large.html"));
        QVERIFY(large.open(QIODevice::WriteOnly));
        large.write("<pre>" + QByteArray("a line of the page's text\n").repeated(400'000));
        large.close();
        pages << large.fileName();

        const int inotify = ::inotify_init1(IN_CLOEXEC);
        const auto closeInotify = qScopeGuard([&] { ::close(inotify); });
        QVERIFY(::inotify_add_watch(inotify, QFile::encodeName(folder.path()), IN_CREATE) >= 0);
        QProcess program;
        program.start(QUILLMERE_CONVERT, QStringList{"--engine", "fast"} + pages);
        QVERIFY(awaitFileMade(inotify, ".quillmere-", 60'000));
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.exitCode(), SIGTERM);
        const QStringList texts = QDir(folder.path()).entryList({"*.txt", ".quillmere-*"},
                                                                QDir::Files | QDir::Hidden);
        for (const QString &text : texts) {
            const QByteArray expected = text == "large.txt"
                                            ? QByteArray("a line of the page's text\n").repeated(400'000)
                                            : "page " + text.sliced(1, 1).toLatin1();
            QCOMPARE(fileContents(folder.filePath(text)), expected);
        }
    }

    // The fast engine alone converts a folder, a page with scripts too, without ever starting
    // the browser: with its helper program out of reach, starting it would end the program.
    void realProgramWithTheFastEngineStartsNoBrowser()
    {
        QTemporaryDir folder;
        const QMap<QString, QByteArray> pages{
            {"plain.html", "<h1>Title</h1><p>Some <i>text</i>"},
            {"script.htm", "<p>one<script>document.write('two')</script>"},
        };
        for (auto page = pages.begin(); page != pages.end(); ++page) {
            QFile file(folder.filePath(page.key()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(page.value());
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QTWEBENGINEPROCESS_PATH", "/nonexistent/QtWebEngineProcess");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QUILLMERE_CONVERT, {"--engine", "fast", folder.path()});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.readAllStandardError(), QByteArray());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), int(NoneFailed));
        const QMap<QString, QByteArray> texts = textFilesIn(folder.path());
        QCOMPARE(texts.value("plain.txt"), QByteArray("Title\n\nSome text"));
        QCOMPARE(texts.value("script.txt"), QByteArray("one"));

        // A name that is not valid UTF-8 ("caf\xe9" in Latin-1), given on the command line,
        // still names its file; the shell passes the bytes as they are.
        program.setWorkingDirectory(folder.path());
        program.start("sh", {"-c", "name=$(printf 'caf\\351') && printf '<p>odd' > \"$name.html\""
                                   " && \"$0\" --engine fast \"$name.html\" && cat \"$name.txt\""
                                   " && rm -- \"$name.html\" \"$name.txt\"", // beyond QTemporaryDir
                             QUILLMERE_CONVERT});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.readAllStandardError(), QByteArray());
        QCOMPARE(program.readAllStandardOutput(), QByteArray("odd"));

        // The check holds: under auto the page with scripts needs the browser, which fails.
        program.start(QUILLMERE_CONVERT, {"--engine", "auto", folder.path()});
        QVERIFY(program.waitForFinished(30'000));
        QVERIFY(program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_cli.moc"
