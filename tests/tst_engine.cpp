// The real engine, on its own and under a whole conversion run.

#include "FakePlatform.h"

#include "convert/ConversionRun.h"
#include "convert/RunItems.h"
#include "convert/TextFilesBesideInputs.h"
#include "engine/BrowserEngine.h"
#include "engine/BrowserPageLoader.h"
#include "engine/RenderEngineSetup.h"
#include "platform/QtMessagePump.h"
#include "platform/SystemClock.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class EngineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    BrowserPageLoader m_loader;
    QtMessagePump m_pump;
    bool m_done = false;
    QString m_text;
    QString m_failure;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    // Processes events without sleeping: QTest::qWaitFor() sleeps between its turns, which slows
    // every page down to seconds, as the engine needs many turns of the event loop for one page.
    bool load(const QString &path)
    {
        m_done = false;
        m_text = m_failure = QString();
        m_loader.load(path);
        const QDeadlineTimer deadline(10'000);
        while (!m_done && !deadline.hasExpired())
            m_pump.processPendingOrWait(10);
        return m_done;
    }

private slots:
    void initTestCase()
    {
        connect(&m_loader, &PageLoader::pageLoaded, this, [this](const QString &text) {
            m_done = true;
            m_text = text;
        });
        connect(&m_loader, &PageLoader::pageFailed, this, [this](const QString &reason) {
            m_done = true;
            m_failure = reason;
        });
        writeFile("hide.css", ".hidden { display: none }");
        writeFile("write.js", "document.write('<p>from a script file</p>');");
        writeFile("moved.html", "<p>moved here");
    }

    // Each row's name is the name of its file.
    void rendersWhatABrowserShows_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("text");
        QTest::newRow("paragraphs, line breaks and cells.html")
            << "<h1>Title</h1><p>one<br>two</p><table><td>a<td>b<tr><td>c"
            << "Title\n\none\ntwo\n\na\tb\nc";
        // A standards-mode page takes a style sheet only when it comes as text/css.
        QTest::newRow("scripts and style sheet.html")
            << "<!doctype html><link rel=stylesheet href=hide.css><script>document.write('<p>"
               "inline')</script><script src=write.js></script><p class=hidden>hidden"
            << "inline\n\nfrom a script file";
        // jQuery runs "ready" handlers from a timer, two turns after the document is parsed.
        QTest::newRow("work put off until loaded.html")
            << "<p>start<script>document.addEventListener('DOMContentLoaded', () =>"
               " setTimeout(() => setTimeout(() => document.body.append('ready'))))</script>"
            << "start\n\nready";
        QTest::newRow("isolated from page scripts.html")
            << "<script>Object.defineProperty(HTMLElement.prototype, 'innerText',"
               " { get() { return 'forged' } });</script><p>real" << "real";
        QTest::newRow("sent elsewhere while loading.html")
            << "<p>left<script>location.href = 'moved.html'</script>" << "moved here";
        QTest::newRow("malformed.xhtml")
            << "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
               "<body><p>one<br>two</p></body></html>" << "one\ntwo";
        QTest::newRow("undeclared UTF-8.html") << "<p>naïve ☃" << "naïve ☃";
        // Names a browser would not take for a page, or not for a path.
        for (const char *name : {"x.shtml", "x.htm.bak", "x.html~", "#1 50% ?.html"})
            QTest::newRow(name) << "<p>odd" << "odd";
    }

    void rendersWhatABrowserShows()
    {
        QFETCH(QString, content);
        QVERIFY(load(writeFile(QTest::currentDataTag(), content.toUtf8())));
        QTEST(m_text, "text");
    }

    // The text is that of the page asked for last: not of a page before it that sends itself
    // elsewhere after loading, about when the next file is asked for (a few rounds, because
    // whether the two meet depends on timing), and none after a missing file.
    void textIsThatOfThePageAskedForLast()
    {
        const QString refreshing =
            writeFile("refresh.html", "<meta http-equiv=refresh content=0;url=moved.html><p>stay");
        const QString next = writeFile("next.html", "<p>next");
        for (int round = 0; round < 5; ++round) {
            QVERIFY(load(refreshing));
            QVERIFY(load(next));
            QCOMPARE(m_text, "next");
        }
        QVERIFY(load(m_dir.filePath("missing.html")));
        QVERIFY(m_text.isNull());
        QVERIFY(!m_failure.isEmpty());
    }

    void fetchesNothingFromNetwork()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QByteArray content = "<link rel=preconnect href=http://HOST><script src=http://HOST/s>"
                             "</script><link rel=stylesheet href=http://HOST/c>"
                             "<img src=http://HOST/i><iframe src=http://HOST/f></iframe><script>"
                             "fetch('http://HOST/x'); new WebSocket('ws://HOST/w');</script>";
        content.replace("HOST", "127.0.0.1:" + QByteArray::number(server.serverPort()));
        QVERIFY(load(writeFile("net.html", content)));
        QTest::qWait(500); // time for late requests to arrive
        QVERIFY(!server.hasPendingConnections());
    }

    // Real pages, pump, clock and files; a hung page is given up after the time limit while
    // the pages after it load.
    void convertsAListEndToEnd()
    {
        const QString hung = writeFile("hang.html", "<p>never<script>while (true) {}</script>");
        BrowserEngine engine;
        SystemClock clock;
        QtTextFileWriter writer;
        TextFilesBesideInputs textFiles(writer);
        ConversionRun run(engine, textFiles, m_pump, clock);
        run.setPageTimeLimit(3);
        FakeObserver observer;
        const ConversionReport report =
            run.run(FixedItems({hung, writeFile("after.html", "<p>after")}), observer);

        QFile after(m_dir.filePath("after.txt"));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), "after");
        QCOMPARE(doneMessage(report.notConverted()),
                 "Done.\n\n1 file could not be converted:\n" + hung
                     + ": the page did not finish loading in time");
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
