// The window's command line: what it reads from its arguments, and the real program answering
// --help, --version and a missing display without opening a window.

#include "app/WindowArguments.h"

#include <QProcess>
#include <QTest>

class TestWindowArguments : public QObject
{
    Q_OBJECT

private slots:
    void readsItsArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("paths");
        using A = WindowArguments::Action;
        QTest::newRow("nothing") << QStringList{} << int(A::Open) << QStringList{};
        QTest::newRow("files and folders, as dropped")
            << QStringList{"a.html", "/srv/site/", "../up/b.htm", "sub/./c.html"} << int(A::Open)
            << QStringList{"/home/u/a.html", "/srv/site", "/home/up/b.htm", "/home/u/sub/c.html"};
        QTest::newRow("a name like an option, after --")
            << QStringList{"--", "-odd.html", "--help"} << int(A::Open)
            << QStringList{"/home/u/-odd.html", "/home/u/--help"};
        QTest::newRow("help") << QStringList{"a.html", "--help"} << int(A::ShowHelp)
                              << QStringList{};
        QTest::newRow("help before the version and an unknown option")
            << QStringList{"--bogus", "-v", "-h"} << int(A::ShowHelp) << QStringList{};
        QTest::newRow("version") << QStringList{"--version", "--bogus"} << int(A::ShowVersion)
                                 << QStringList{};
        QTest::newRow("unknown option")
            << QStringList{"--bogus", "a.html"} << int(A::UsageError) << QStringList{};
    }

    void readsItsArguments()
    {
        QFETCH(QStringList, arguments);
        const WindowArguments parsed = parseWindowArguments(arguments, "/home/u");
        QTEST(int(parsed.action), "action");
        QTEST(parsed.paths, "paths");
        QCOMPARE(parsed.error.isEmpty(), parsed.action != WindowArguments::Action::UsageError);
    }

    // Without a display: one line and status 1, where Qt would abort; --help and --version need
    // none. An unknown option is a usage error once Qt has taken its own.
    void realProgramAnswersWithoutAWindow()
    {
        QProcess program;
        program.setProcessEnvironment(QProcessEnvironment()); // no display, nothing set
        program.start(QUILLMERE_PROGRAM, {"page.html"});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QByteArray error = program.readAllStandardError();
        QVERIFY2(error.startsWith("quillmere: no display") && error.count('\n') == 1, error);

        program.start(QUILLMERE_PROGRAM, {"--help"});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardOutput().startsWith("Usage: quillmere [options] [PATH...]"));

        program.start(QUILLMERE_PROGRAM, {"--version"});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardOutput().contains("\nQt 6"));

        QProcessEnvironment offscreen;
        offscreen.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(offscreen);
        program.start(QUILLMERE_PROGRAM, {"-platform", "offscreen", "--bogus"});
        QVERIFY(program.waitForFinished(30'000));
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(program.readAllStandardError().contains("quillmere: Unknown option '--bogus'."));
    }
};

QTEST_MAIN(TestWindowArguments)
#include "tst_windowarguments.moc"
