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
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <tuple>

#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the program says on standard error once a page goes to the browser engine, when that
// runs without its sandbox: always as root, where it cannot start one.
QByteArray browserEngineNotes()
{
    if (geteuid() != 0)
        return {};
    return "quillmere-convert: the browser engine's sandbox is off (it cannot start as root), so"
           " the pages' scripts run unconfined.\n";
}

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
        entries << QStringLiteral("%1 %2 %3")
                       .arg(entry.filePath())
                       .arg(entry.size())
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

void makeReadOnly(const QString &root)
{
    setFoldersWritable(root, false);
}
void makeWritable(const QString &root)
{
    setFoldersWritable(root, true);
}

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
        QTest::newRow("unknown option")
            << QStringList{"--fast", "a.html"} << int(A::UsageError) << "Unknown option 'fast'.";
        QTest::newRow("jobs not a number")
            << QStringList{"--jobs", "two", "a.html"} << int(A::UsageError)
            << "--jobs takes a whole number of at least 1.";
        QTest::newRow("no jobs") << QStringList{"--jobs=0", "a.html"} << int(A::UsageError)
                                 << "--jobs takes a whole number of at least 1.";
        QTest::newRow("fast engine")
            << QStringList{"--engine", "fast", "a.html"} << int(A::Convert) << "";
        QTest::newRow("unknown engine")
            << QStringList{"--engine", "w3m", "a.html"} << int(A::UsageError)
            << "Unknown engine 'w3m'; use auto, browser or fast.";
        QTest::newRow("browser engine")
            << QStringList{"--engine=browser", "a.html"} << int(A::Convert) << "";
        QTest::newRow("two places for the texts")
            << QStringList{"-o", "a.txt", "--output-dir", "text", "a.html"} << int(A::UsageError)
            << "Choose one of --stdout, --output and --output-dir.";
        QTest::newRow("standard input among files")
            << QStringList{"-", "a.html"} << int(A::UsageError)
            << "'-' (standard input) is read alone, without other PATHs.";
        QTest::newRow("standard input into a folder")
            << QStringList{"--output-dir", "text", "-"} << int(A::UsageError)
            << "'-' (standard input) goes to standard output or --output.";
        QTest::newRow("standard input to a file")
            << QStringList{"-o", "a.txt", "-"} << int(A::Convert) << "";
        QTest::newRow("help") << QStringList{"--help"} << int(A::ShowHelp) << "";
        QTest::newRow("short help") << QStringList{"-h"} << int(A::ShowHelp) << "";
        QTest::newRow("version") << QStringList{"--version"} << int(A::ShowVersion) << "";
        QTest::newRow("quiet and verbose")
            << QStringList{"-q", "--verbose", "a.html"} << int(A::UsageError)
            << "Choose one of --quiet and --verbose.";
        QTest::newRow("encoding") << QStringList{"--input-encoding", " Latin1", "a.html"}
                                  << int(A::Convert) << "";
        QTest::newRow("encoding the engines read apart")
            << QStringList{"--input-encoding", "x-user-defined", "a.html"} << int(A::UsageError)
            << "Unknown encoding 'x-user-defined'; use a WHATWG label such as utf-8, "
               "windows-1252 or shift_jis.";
        QTest::newRow("unknown encoding")
            << QStringList{"--input-encoding=utf-7", "a.html"} << int(A::UsageError)
            << "Unknown encoding 'utf-7'; use a WHATWG label such as utf-8, windows-1252 or "
               "shift_jis.";
    }

    void readsItsArguments()
    {
        QFETCH(QStringList, arguments);
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        QTEST(int(parsed.action), "action");
        QTEST(parsed.error, "error");
    }

    // As pandoc and html2text: no PATH reads standard input unless a terminal is there, and
    // "-o -" is standard output ("./-" a file of that name); a label is kept as the engines
    // look it up.
    void readsStandardStreamsAsOtherToolsDo()
    {
        const ParsedCommandLine piped = parseCommandLine({"--engine", "fast"}, false);
        QCOMPARE(int(piped.action), int(ParsedCommandLine::Action::Convert));
        QCOMPARE(piped.options.paths, QStringList{"-"});

        const ParsedCommandLine dash = parseCommandLine({"-o", "-", "a.html"});
        QVERIFY(dash.options.toStandardOutput);
        QVERIFY(dash.options.outputFile.isEmpty());
        QCOMPARE(parseCommandLine({"-o", "./-", "a.html"}).options.outputFile, "./-");
        QCOMPARE(parseCommandLine({"--stdout", "-o", "-", "a.html"}).error,
                 "Choose one of --stdout, --output and --output-dir.");

        QCOMPARE(parseCommandLine({"--input-encoding", " Latin1", "a.html"}).options.inputEncoding,
                 "latin1");
    }

    // The options --help lists are those the manual page describes and the shell completes.
    void helpManualPageAndCompletionListTheSameOptions()
    {
        const QRegularExpression option(QStringLiteral("(?:^|[\\s,'\\\\])(-[a-z]|--[a-z][a-z-]*)"));
        const auto optionsIn = [&](const QString &text) {
            QSet<QString> found;
            for (const QRegularExpressionMatch &match : option.globalMatch(text))
                found.insert(match.captured(1));
            return found;
        };
        QString manual = QString::fromUtf8(
            fileContents(SOURCE_DIR "/packaging/quillmere-convert.1"));
        manual = manual.sliced(manual.indexOf(".SH OPTIONS"));
        manual = manual.first(manual.indexOf(".SH DIAGNOSTICS")).remove(u'\\');
        QStringList optionLines = manual.split(u'\n').filter(QRegularExpression("^\\.B"));
        const QSet<QString> inHelp = optionsIn(helpText().sliced(helpText().indexOf("Options:")));
        QCOMPARE(optionsIn(optionLines.join(u'\n')), inHelp);

        const QString completion = QString::fromUtf8(
            fileContents(SOURCE_DIR "/packaging/quillmere-convert.bash"));
        const qsizetype listStart = completion.indexOf("compgen -W '--");
        const QString listed = completion.sliced(
            listStart, completion.indexOf(u'\'', listStart + 12) - listStart);
        QCOMPARE(optionsIn(listed), inHelp);

        QVERIFY(helpText().contains("[options] PATH... | -"));
        QVERIFY(manual.contains("at most 16"));
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
        QCOMPARE(m_err->text(),
                 broken + ": the page could not be loaded (not found)\n" + missing
                     + ": the file cannot be read (No such file or directory)\n");
        QVERIFY(m_out->text().isEmpty());

        m_fakes.engine.mostPagesInFlight = 0;
        QCOMPARE(convert({"--jobs", "1", first, m_dir.filePath("site/a.html")}), int(NoneFailed));
        QCOMPARE(m_fakes.engine.mostPagesInFlight, 1);
    }

    // Files that are no pages, and the last run's text files, get no text file and are no
    // failure: counted on standard error, one line for each kind, as the window counts them, and
    // named with their types only with --verbose.
    void countsFilesLeftOutAndNamesThemWhenAsked()
    {
        const QString first = page("first.html", "one"), sheet = page("html/basic.css"),
                      drawing = page("html/py.svg");
        const QString picture = m_dir.filePath("html/py.png");
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x89PNG\r\n\x1A\n", 8));
        file.close();

        m_fakes.engine.loads.clear();
        QCOMPARE(convert({"--verbose", first, picture, m_dir.filePath("html")}), int(NoneFailed));
        QCOMPARE(m_fakes.engine.loads, QStringList{first});
        QCOMPARE(m_err->text(),
                 picture + ": not a web page (image/png)\n" + sheet
                     + ": not a web page (text/css)\n" + picture + ": not a web page (image/png)\n"
                     + drawing + ": not a web page (image/svg+xml)\n");
        QCOMPARE(textFilesIn(m_dir.filePath("html")), (QMap<QString, QByteArray>{}));

        // A second run over a folder whose path contains "htm" meets the first run's texts.
        page("html/index.html");
        QVERIFY(convert({m_dir.filePath("html")}) == NoneFailed);
        init();
        QCOMPARE(convert({m_dir.filePath("html")}), int(NoneFailed));
        QCOMPARE(m_err->text(),
                 "quillmere-convert: 1 file was left out: it is its own text file (--verbose "
                 "names each).\nquillmere-convert: 3 files were left out: they are not web pages "
                 "(--verbose names each).\n");
        init();
        QCOMPARE(convert({"--quiet", m_dir.filePath("html")}), int(NoneFailed));
        QCOMPARE(m_err->text(), "");
    }

    // The text alone on standard output, ending with a newline, and no file; more than one file
    // is a usage error.
    void writesASingleTextToStandardOutput()
    {
        const QString notes = page("notes", "Grüße");
        QCOMPARE(convert({"--stdout", notes}), int(NoneFailed));
        QCOMPARE(m_out->text(), "Grüße\n");
        QCOMPARE(fileContents(notes), "<p>Grüße");
        const QString ended = page("ended.html", "line\n");
        QCOMPARE(convert({"-o", "-", ended}), int(NoneFailed));
        QCOMPARE(m_out->text(), "Grüße\nline\n");
        QVERIFY(!QFile::exists("-"));

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

        QCOMPARE(convert({"--output", page, "--verbose", page}), int(NoneFailed));
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
        const QByteArray asciiDoc =
            "git(1)\n======\n\nNAME\n----\ngit - the stupid content tracker\n";
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
        QCOMPARE(textFilesIn(out),
                 (QMap<QString, QByteArray>{{"git.txt", "git page"},
                                            {"docs/deep/a.txt", "deep"},
                                            {"docs/b.txt", "b from htm"},
                                            {"direct.txt", "direct"}}));
        QCOMPARE(m_err->text(),
                 sharing
                     + ": its text file was already written for an earlier "
                       "item in this run\n");
    }

    // A link below the output folder is never written through, whichever folder of an output's
    // path it is: that output fails, named, and the run goes on.
    void writesNothingThroughALinkBelowTheOutputFolder()
    {
        const QString tree = m_dir.filePath("linked-tree");
        const QString linked = page("linked-tree/docs/a.html", "through the link");
        const QString deeper = page("linked-tree/docs/deep/c.html", "deeper through the link");
        page("linked-tree/b.html", "b");
        const QString victim = m_dir.filePath("linked-tree/victim");
        writeTestFile(victim + "/a.txt", "precious");
        QVERIFY(QDir().mkpath(tree + "/out"));
        QVERIFY(QFile::link("../victim", tree + "/out/docs"));

        QCOMPARE(convert({"--output-dir", tree + "/out", tree + "/"}), int(SomeFailed));
        QCOMPARE(fileContents(victim + "/a.txt"), "precious");
        QCOMPARE(QDir(victim).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"a.txt"});
        QCOMPARE(fileContents(tree + "/out/b.txt"), "b");
        const QString failure = ": " + tree + "/out/docs/%1 could not be written (its folder "
            + tree + "/out/docs is a link; nothing is written through it)";
        QStringList failures = m_err->text().split(u'\n', Qt::SkipEmptyParts);
        failures.sort();
        QCOMPARE(failures,
                 (QStringList{linked + failure.arg("a.txt"), deeper + failure.arg("deep/c.txt")}));
    }

    // --no-clobber: an existing text file is kept and its page not even loaded; the item is
    // counted as left alone (named with --verbose) and does not count as failed. --quiet drops
    // that note and the progress line, but never a failure.
    void keepsExistingTextsAndKeepsQuietWhenAsked()
    {
        const QString kept = page("keep/kept.html", "new");
        const QString fresh = page("keep/fresh.html", "fresh");
        QFile old(m_dir.filePath("keep/kept.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        m_fakes.engine.loads.clear();

        QCOMPARE(convert({"--no-clobber", "--verbose", m_dir.filePath("keep")}), int(NoneFailed));
        QCOMPARE(fileContents(m_dir.filePath("keep/kept.txt")), "old");
        QCOMPARE(fileContents(m_dir.filePath("keep/fresh.txt")), "fresh");
        QCOMPARE(m_fakes.engine.loads, QStringList{fresh});
        QCOMPARE(m_err->text(),
                 kept + ": " + m_dir.filePath("keep/kept.txt")
                     + " exists already; it was left alone\n");

        init();
        QCOMPARE(convert({"-n", m_dir.filePath("keep")}), int(NoneFailed));
        QCOMPARE(m_err->text(),
                 "quillmere-convert: 2 files were left alone: their text files "
                 "exist already (--verbose names each).\n");

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
        QCOMPARE(m_err->text(),
                 m_dir.path()
                     + "/evil\\nx.html: forged failure line\\033[2K"
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
        for (const QStringList &arguments :
             {QStringList{"--engine", "browser", "--jobs", "1", corpus.filePath("one")},
              QStringList{corpus.filePath("many")}}) {
            program.start(QUILLMERE_CONVERT, arguments);
            QVERIFY(program.waitForFinished(120'000));
            // Once for the run, however many pages go to the browser engine.
            const QByteArray errors = program.readAllStandardError();
            if (arguments.contains("browser"))
                QCOMPARE(errors, browserEngineNotes());
            else
                QVERIFY2(errors.isEmpty() || errors == browserEngineNotes(), errors);
            QCOMPARE(program.exitCode(), int(NoneFailed));
        }
        const QMap<QString, QByteArray> texts = textFilesIn(corpus.filePath("one"));
        QCOMPARE(texts.size(), 40);
        QVERIFY(texts == textFilesIn(corpus.filePath("many")));

        program.start(QUILLMERE_CONVERT, {"--jobs"});
        QVERIFY(program.waitForFinished(10'000));
        QCOMPARE(program.exitCode(), int(UsageError));
    }

    // "-", or no PATH: the page on standard input, its relative style sheet and script found in
    // the current folder, its text on standard output or in the file named; nothing is left
    // behind.
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
             {std::tuple{QStringList{"-"}, page, QByteArray("shown\n")},
              std::tuple{QStringList{"--engine", "browser"}, withScript,
                         QByteArray("shown\nmore\n")},
              std::tuple{QStringList{"--quiet", "--engine", "browser", "-"}, withScript,
                         QByteArray("shown\nmore\n")}}) {
            program.start(QUILLMERE_CONVERT, arguments);
            program.write(input);
            program.closeWriteChannel();
            QVERIFY(program.waitForFinished(60'000));
            const bool noted = arguments.contains("browser") && !arguments.contains("--quiet");
            QCOMPARE(program.readAllStandardError(), noted ? browserEngineNotes() : QByteArray());
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

    // The page of "-" is removed by every signal that ends the program, here while it is read.
    void realProgramRemovesTheStandardInputPageOnSignals()
    {
        QTemporaryDir folder;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            const int inotify = ::inotify_init1(IN_CLOEXEC);
            const auto closeInotify = qScopeGuard([&] { ::close(inotify); });
            QVERIFY(::inotify_add_watch(inotify, QFile::encodeName(folder.path()), IN_CREATE) >= 0);
            QProcess program;
            program.setWorkingDirectory(folder.path());
            program.start(QUILLMERE_CONVERT, {"--engine", "fast", "-"});
            program.write("<p>the start of a page");
            QVERIFY(awaitFileMade(inotify, "~quillmere-stdin-", 60'000));
            ::kill(pid_t(program.processId()), signal);
            QVERIFY(program.waitForFinished(30'000));
            QCOMPARE(program.exitStatus(), QProcess::CrashExit);
            QCOMPARE(program.exitCode(), signal);
            QCOMPARE(QDir(folder.path())
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList());
        }
    }

    // A page that cannot be kept whole (a file-size limit cuts its write short, as a full disk
    // does) fails the run with the reason; nothing is left behind.
    void realProgramFailsWhenTheStandardInputPageCannotBeKept()
    {
        QTemporaryDir folder;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.setChildProcessModifier([] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1000, 1000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        program.start(QUILLMERE_CONVERT, {"--engine", "fast", "-"});
        program.write("<p>" + QByteArray(5000, 'x'));
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(
            program.readAllStandardError(),
            "quillmere-convert: standard input could not be kept in a file (File too large)\n");
        QCOMPARE(program.readAllStandardOutput(), QByteArray());
        QCOMPARE(program.exitCode(), int(SomeFailed));
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
    }

    // In a current folder any user may write to, the page is kept in a folder of its own that
    // only its user may enter, never beside what others planted, and the run says that its
    // links find nothing (but under --quiet).
    void realProgramKeepsTheStandardInputPageFromOthers()
    {
        QTemporaryDir shared;
        QTemporaryDir temporary;
        QVERIFY(QFile::setPermissions(shared.path(), QFile::Permissions(0x7777)));
        writeTestFile(shared.filePath("planted.css"), "p { display: none }");
        writeTestFile(temporary.filePath("planted.css"), "p { display: none }");
        QProcess program;
        program.setWorkingDirectory(shared.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", temporary.path());
        program.setProcessEnvironment(environment);
        for (const bool quiet : {false, true}) {
            const int inotify = ::inotify_init1(IN_CLOEXEC);
            const auto closeInotify = qScopeGuard([&] { ::close(inotify); });
            QVERIFY(::inotify_add_watch(inotify, QFile::encodeName(temporary.path()), IN_CREATE)
                    >= 0);
            QStringList arguments{"--engine", "fast", "-"};
            if (quiet)
                arguments.prepend("--quiet");
            program.start(QUILLMERE_CONVERT, arguments);
            QVERIFY(awaitFileMade(inotify, "quillmere-stdin-", 30'000));
            const QStringList made =
                QDir(temporary.path()).entryList({"quillmere-stdin-*"}, QDir::Dirs);
            QCOMPARE(made.size(), 1);
            struct stat privateFolder;
            QCOMPARE(
                ::stat(QFile::encodeName(temporary.filePath(made[0])).constData(), &privateFolder),
                0);
            QCOMPARE(privateFolder.st_mode & 07777, mode_t(0700));
            program.write("<link rel=stylesheet href=planted.css><p>shown");
            program.closeWriteChannel();
            QVERIFY(program.waitForFinished(30'000));
            QCOMPARE(program.readAllStandardOutput(), QByteArray("shown\n"));
            QCOMPARE(
                program.readAllStandardError(),
                quiet ? QByteArray()
                      : QByteArray("quillmere-convert: the page is kept in a private folder, since "
                                   "every user may write to the current folder: its relative links "
                                   "find nothing.\n"));
            QCOMPARE(program.exitCode(), int(NoneFailed));
            QCOMPARE(QDir(shared.path())
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{"planted.css"});
            QCOMPARE(QDir(temporary.path())
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{"planted.css"});
        }
    }

    // A page found in a folder named on the command line may send itself to a page anywhere in
    // that folder; named by itself, only to its own folder or below, and the run names the
    // navigation it did not follow.
    void realProgramFollowsNavigationsWithinTheFolderNamed()
    {
        QTemporaryDir folder;
        const QString sends = writeTestFile(
            folder.filePath("a/sends.html"),
            "<p>own<script>location.href = '../b/page.html'</script>");
        writeTestFile(folder.filePath("b/page.html"), "<p>sent here");
        QProcess program;
        program.start(QUILLMERE_CONVERT, {folder.path()});
        QVERIFY(program.waitForFinished(60'000));
        QCOMPARE(program.readAllStandardError(), browserEngineNotes());
        QCOMPARE(fileContents(folder.filePath("a/sends.txt")), "sent here");

        program.start(QUILLMERE_CONVERT, {"--stdout", sends});
        QVERIFY(program.waitForFinished(60'000));
        QCOMPARE(program.readAllStandardOutput(), "own\n");
        QCOMPARE(program.readAllStandardError(),
                 browserEngineNotes() + sends.toUtf8() + ": it sent itself to "
                     + folder.filePath("b/page.html").toUtf8()
                     + ", which was not followed: it is outside the page's folder\n");
    }

    // --input-encoding: an undeclared page is read in the encoding given, alike by both engines,
    // so the automatic choice gives it to the fast engine; a page's own declaration still wins.
    void realProgramReadsUndeclaredPagesInTheEncodingGiven()
    {
        QTemporaryDir folder;
        const QString undeclared = writeTestFile(folder.filePath("old.html"), "<p>caf\xe9");
        const QString declared = writeTestFile(folder.filePath("new.html"),
                                               "<meta charset=utf-8><p>caf\xc3\xa9");
        QProcess program;
        for (const auto &[page, label, text] :
             {std::tuple{undeclared, "latin1", QByteArray("caf\xc3\xa9\n")},
              std::tuple{undeclared, "koi8-r", QByteArray("caf\xd0\x98\n")},
              std::tuple{declared, "koi8-r", QByteArray("caf\xc3\xa9\n")}}) {
            for (const char *engine : {"fast", "browser"}) {
                program.start(QUILLMERE_CONVERT,
                              {"--engine", engine, "--input-encoding", label, "-o", "-", page});
                QVERIFY(program.waitForFinished(60'000));
                QCOMPARE(program.readAllStandardError(),
                         QByteArray(engine) == "browser" ? browserEngineNotes() : QByteArray());
                QCOMPARE(program.readAllStandardOutput(), text);
            }
        }
        program.start(QUILLMERE_CONVERT,
                      {"--input-encoding", "latin1", "--stats", "--stdout", undeclared});
        QVERIFY(program.waitForFinished(60'000));
        QVERIFY(program.readAllStandardError().contains("1 page by the fast engine"));

        program.start(QUILLMERE_CONVERT, {"--version"});
        QVERIFY(program.waitForFinished(10'000));
        const QByteArray version = program.readAllStandardOutput();
        QVERIFY2(QRegularExpression("^quillmere-convert \\S+\nQt 6[.0-9]+, Qt WebEngine 6[.0-9]+ "
                                    "\\(Chromium [.0-9]+\\)\n$")
                     .match(QString::fromUtf8(version))
                     .hasMatch(),
                 version.constData());
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
        const QStringList texts =
            QDir(folder.path()).entryList({"*.txt", ".quillmere-*"}, QDir::Files | QDir::Hidden);
        for (const QString &text : texts) {
            const QByteArray expected = text == "large.txt"
                ? QByteArray("a line of the page's text\n").repeated(400'000)
                : "page " + text.sliced(1, 1).toLatin1();
            QCOMPARE(fileContents(folder.filePath(text)), expected);
        }
    }

    // A page that takes memory without end fails alone and named, and what the engine's
    // processes say of it (V8's report of its last collections) stays off standard error, where
    // each line names a file. A page that sent itself to a file that is no page is noted.
    void realProgramNamesAPageOverItsMemoryAlone()
    {
        QTemporaryDir folder;
        const QMap<QString, QByteArray> files{
            {"endless.html",
             "<script>const a = [];"
             " for (;;) a.push(new Array(1e6).fill(1.5))</script>"},
            {"fine.html", "<p>fine<script></script>"},
            {"sends.html", "<p>own<script>location.href = 'secret.txt'</script>"},
            {"secret.txt", "secret"}};
        for (auto file = files.begin(); file != files.end(); ++file)
            writeTestFile(folder.filePath(file.key()), file.value());
        QProcess program;
        program.start(QUILLMERE_CONVERT, {"--engine", "browser", "--jobs", "2", folder.path()});
        QVERIFY(program.waitForFinished(60'000));
        QCOMPARE(program.exitCode(), int(SomeFailed));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY(errors.startsWith(browserEngineNotes()));
        const QStringList lines = QString::fromUtf8(errors.sliced(browserEngineNotes().size()))
                                      .split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(folder.filePath("endless.html: the page could not be loaded")),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1],
                 folder.filePath("sends.html: it sent itself to ")
                     + folder.filePath("secret.txt, which was not followed: it is not a page"));
        const QMap<QString, QByteArray> texts = textFilesIn(folder.path());
        QCOMPARE(texts.value("fine.txt"), "fine");
        QCOMPARE(texts.value("sends.txt"), "own");
    }

    // The fast engine alone converts a folder, a page with scripts too (run in its own worker),
    // without ever starting the browser: with its helper program out of reach, starting it would
    // end the program.
    void realProgramWithTheFastEngineStartsNoBrowser()
    {
        QTemporaryDir folder;
        const QMap<QString, QByteArray> pages{
            {"plain.html", "<h1>Title</h1><p>Some <i>text</i>"},
            {"script.htm", "<p>one<script>document.write('two')</script>"},
            {"observer.htm", "<p>seen<script>new IntersectionObserver(() => {})</script>"},
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
        QCOMPARE(texts.value("script.txt"), QByteArray("onetwo"));
        QCOMPARE(texts.value("observer.txt"), QByteArray("seen"));

        // A name that is not valid UTF-8 ("caf\xe9" in Latin-1), given on the command line,
        // still names its file; the shell passes the bytes as they are.
        program.setWorkingDirectory(folder.path());
        program.start("sh",
                      {"-c",
                       "name=$(printf 'caf\\351') && printf '<p>odd' > \"$name.html\""
                       " && \"$0\" --engine fast \"$name.html\" && cat \"$name.txt\""
                       " && rm -- \"$name.html\" \"$name.txt\"", // beyond QTemporaryDir
                       QUILLMERE_CONVERT});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.readAllStandardError(), QByteArray());
        QCOMPARE(program.readAllStandardOutput(), QByteArray("odd"));

        // The check holds: under auto the page whose script the runtime does not model needs
        // the browser, which fails.
        program.start(QUILLMERE_CONVERT, {"--engine", "auto", folder.path()});
        QVERIFY(program.waitForFinished(30'000));
        QVERIFY(program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_cli.moc"
