// The real engine, on its own and under a whole conversion run.

#include "FakePlatform.h"

#include "convert/ConversionRun.h"
#include "filelist/FileListModel.h"
#include "platform/QtMessagePump.h"
#include "platform/QtTextFileWriter.h"
#include "platform/RenderEngineSetup.h"
#include "platform/SystemClock.h"
#include "platform/WebEngineRenderer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class EngineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<WebEngineRenderer> m_engine;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    QByteArray contents(const QString &name) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Processes events without sleeping: QTest::qWaitFor() sleeps between its turns, which slows
    // every page down to seconds, as the engine needs many turns of the event loop for one page.
    bool load(const QString &path)
    {
        m_engine->navigate(path);
        QtMessagePump pump;
        const QDeadlineTimer deadline(10'000);
        while (m_engine->readyState() != RenderEngine::Complete && !deadline.hasExpired())
            pump.processPendingOrWait(10);
        return m_engine->readyState() == RenderEngine::Complete;
    }

private slots:
    void initTestCase()
    {
        writeFile("hide.css", ".hidden { display: none }");
        writeFile("write.js", "document.write('<p>from a script file</p>');");
        writeFile("moved.html", "<p>moved here");
        m_engine = std::make_unique<WebEngineRenderer>();
    }

    void rendersWhatABrowserShows_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        // A standards-mode page takes a style sheet only when it comes as text/css.
        QTest::newRow("scripts and style sheet")
            << "s.html"
            << QByteArray("<!doctype html><link rel=stylesheet href=hide.css><script>"
                          "document.write('<p>inline')</script><script src=write.js></script>"
                          "<p class=hidden>hidden")
            << "inline\n\nfrom a script file";
        QTest::newRow("isolated from page scripts")
            << "i.html"
            << QByteArray("<script>Object.defineProperty(HTMLElement.prototype, 'innerText',"
                          " { get() { return 'forged' } });</script><p>real")
            << "real";
        QTest::newRow("sent elsewhere while loading")
            << "r.html" << QByteArray("<p>left<script>location.href = 'moved.html'</script>")
            << "moved here";
        QTest::newRow(".shtml") << "x.shtml" << QByteArray("<p>shtml") << "shtml";
        QTest::newRow("malformed .xhtml")
            << "x.xhtml"
            << QByteArray("<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
                          "<body><p>one<br>two</p></body></html>")
            << "one\ntwo";
        QTest::newRow(".htm.bak") << "x.htm.bak" << QByteArray("<p>bak") << "bak";
        QTest::newRow(".html~") << "x.html~" << QByteArray("<p>tilde") << "tilde";
        QTest::newRow("URL characters in the name") << "#1 50% ?.html" << QByteArray("<p>odd")
                                                    << "odd";
        QTest::newRow("undeclared UTF-8") << "u8.html" << QByteArray("<p>naïve ☃") << "naïve ☃";
    }

    void rendersWhatABrowserShows()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        QVERIFY(load(writeFile(fileName, content)));
        QVERIFY2(!m_engine->loadFailed(), qPrintable(m_engine->errorString()));
        QCOMPARE(m_engine->bodyText(), text);
    }

    void missingFileAfterAGoodOneShowsNoText()
    {
        QVERIFY(load(writeFile("good.html", "<p>good")));
        QVERIFY(load(m_dir.filePath("missing.html")));
        QVERIFY(m_engine->loadFailed());
        QVERIFY(m_engine->bodyText().isNull());
    }

    // The refresh comes after the page has loaded, about when the next file is asked for. A few
    // rounds, because whether the two meet depends on timing.
    void pageMovingOnLeavesNextFileAlone()
    {
        const QString refreshing =
            writeFile("refresh.html", "<meta http-equiv=refresh content=0;url=moved.html><p>stay");
        const QString next = writeFile("next.html", "<p>next");
        for (int round = 0; round < 5; ++round) {
            QVERIFY(load(refreshing));
            QVERIFY(load(next));
            QCOMPARE(m_engine->bodyText(), "next");
        }
    }

    void fetchesNothingFromNetwork()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        int connections = 0;
        connect(&server, &QTcpServer::newConnection, &server, [&] { ++connections; });
        QByteArray content = "<link rel=preconnect href=http://HOST><script src=http://HOST/s>"
                             "</script><link rel=stylesheet href=http://HOST/c><p>offline</p>"
                             "<img src=http://HOST/i><iframe src=http://HOST/f></iframe><script>"
                             "fetch('http://HOST/x'); new WebSocket('ws://HOST/w');</script>";
        content.replace("HOST", "127.0.0.1:" + QByteArray::number(server.serverPort()));
        QVERIFY(load(writeFile("net.html", content)));
        QCOMPARE(m_engine->bodyText(), "offline");
        QtMessagePump pump; // time for late requests to arrive
        for (const QDeadlineTimer late(500); !late.hasExpired();)
            pump.processPendingOrWait(10);
        QCOMPARE(connections, 0);
    }

    // Real pages, pump and clock; a hung page is given up after the time limit and the run goes on.
    void convertsAListEndToEnd()
    {
        const QStringList inputs{
            writeFile("article.html", "<h1>Title</h1><p>one<br>two</p><table><td>a<td>b<tr><td>c"),
            writeFile("hang.html", "<p>never<script>while (true) {}</script>"),
            m_dir.filePath("missing.html"), writeFile("after.html", "<p>after")};
        FakePlatform fakes;
        SystemClock clock;
        QtMessagePump pump;
        QtTextFileWriter writer;
        const Platform platform{*m_engine, pump, clock, fakes.random, fakes.messages,
                                fakes.desktop, fakes.fileDialog, fakes.folderBrowser, fakes.cursor,
                                writer};
        FileListModel list;
        list.append(inputs);
        FakeRunView view;
        ConversionRun run(list, view, platform);
        run.setPageTimeLimit(3);
        run.run();

        QCOMPARE(contents("article.txt"), "Title\n\none\ntwo\n\na\tb\nc");
        QCOMPARE(contents("after.txt"), "after");
        QVERIFY(!QFile::exists(m_dir.filePath("hang.txt")));
        QCOMPARE(fakes.messages.shown.value(0),
                 "Done.\n\n2 files could not be converted:\n" + inputs[1]
                     + ": the page did not finish loading in time\n" + inputs[2]
                     + ": the file cannot be read (No such file or directory)");
    }
};

int main(int argc, char *argv[])
{
    prepareRenderEngine();
    QApplication app(argc, argv);
    EngineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_engine.moc"
