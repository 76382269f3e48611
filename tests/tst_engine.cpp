#include "platform/QtMessagePump.h"
#include "platform/RenderEngineSetup.h"
#include "platform/WebEngineRenderer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

class EngineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rendersFileAsHtml_data();
    void rendersFileAsHtml();
    void readsUrls();
    void failedLoadShowsNoEarlierText();
    void pageMovingOnLeavesNextFileAlone();
    void fetchesNothingFromNetwork();
    void recoversFromHungPage();

private:
    QString writeFile(const QString &name, const QByteArray &content);
    bool load(const QString &pathOrUrl, int timeoutMs = 10000);
    static bool pumpUntil(const std::function<bool()> &done, int timeoutMs);

    QTemporaryDir m_dir;
    std::unique_ptr<WebEngineRenderer> m_engine;
};

QString EngineTest::writeFile(const QString &name, const QByteArray &content)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

bool EngineTest::load(const QString &pathOrUrl, int timeoutMs)
{
    m_engine->navigate(pathOrUrl);
    return pumpUntil([this] { return m_engine->readyState() == RenderEngine::Complete; },
                     timeoutMs);
}

// QTest::qWaitFor() sleeps between its turns, which slows every page down to seconds: the
// engine needs many turns of the event loop for one page.
bool EngineTest::pumpUntil(const std::function<bool()> &done, int timeoutMs)
{
    QtMessagePump pump;
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        pump.processPendingOrWait(10);
    }
    return true;
}

void EngineTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    writeFile("hide.css", ".hidden { display: none }");
    writeFile("write.js", "document.write('<p>from a script file</p>');");
    writeFile("moved.html", "<p>moved here");
    m_engine = std::make_unique<WebEngineRenderer>();
    QCOMPARE(m_engine->location(), "about:blank");
}

void EngineTest::rendersFileAsHtml_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text");

    QTest::newRow("paragraphs") << "p.html" << QByteArray("<p>a</p><p>b</p>") << "a\n\nb";
    QTest::newRow("table")
        << "t.html" << QByteArray("<table><tr><td>1<td>2<tr><td>3<td>4</table>") << "1\t2\n3\t4";
    QTest::newRow("scripts")
        << "s.html"
        << QByteArray("<script>document.write('<p>inline</p>')</script>"
                      "<script src=write.js></script>")
        << "inline\n\nfrom a script file";
    QTest::newRow("style sheet beside")
        << "c.html"
        << QByteArray("<link rel=stylesheet href=hide.css><p>shown<p class=hidden>hidden")
        << "shown";
    QTest::newRow("isolated from page scripts")
        << "i.html"
        << QByteArray("<script>Object.defineProperty(HTMLElement.prototype, 'innerText',"
                      " { get() { return 'forged' } });</script><p>real")
        << "real";
    QTest::newRow("sent elsewhere while loading")
        << "r.html" << QByteArray("<p>left<script>location.href = 'moved.html'</script>")
        << "moved here";
    QTest::newRow("empty file") << "e.html" << QByteArray() << "";

    QTest::newRow(".shtml") << "x.shtml" << QByteArray("<p>shtml") << "shtml";
    QTest::newRow("broken .xhtml")
        << "x.xhtml"
        << QByteArray("<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
                      "<body><p>one<br>two</p></body></html>")
        << "one\ntwo";
    QTest::newRow(".htm.bak") << "x.htm.bak" << QByteArray("<p>bak") << "bak";
    QTest::newRow(".html~") << "x.html~" << QByteArray("<p>tilde") << "tilde";
    QTest::newRow(".txt") << "x.txt" << QByteArray("<p>txt") << "txt";
    QTest::newRow("odd characters in name") << "#1 50% ?\\.html" << QByteArray("<p>odd") << "odd";

    QTest::newRow("windows-1252 by meta")
        << "w.html" << QByteArray("<meta charset=windows-1252><p>caf\xe9 \x80")
        << QString::fromUtf8("café €");
    QTest::newRow("UTF-16 by byte-order mark")
        << "u16.html"
        << QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char *>(u"<p>ünï"), 12)
        << QString::fromUtf8("ünï");
    QTest::newRow("undeclared UTF-8")
        << "u8.html" << QByteArray("<p>naïve ☃") << QString::fromUtf8("naïve ☃");
}

void EngineTest::rendersFileAsHtml()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, text);

    const QString path = writeFile(fileName, content);
    QVERIFY(load(path));
    QVERIFY2(!m_engine->loadFailed(), qPrintable(m_engine->errorString()));
    QCOMPARE(m_engine->bodyText(), text);
    QCOMPARE(m_engine->location(), path);
}

void EngineTest::readsUrls()
{
    QVERIFY(load("data:text/html,<p>from data</p>"));
    QCOMPARE(m_engine->bodyText(), "from data");
    QVERIFY(load("about:blank"));
    QVERIFY(!m_engine->loadFailed());
    QCOMPARE(m_engine->bodyText(), "");
    QCOMPARE(m_engine->location(), "about:blank");
}

void EngineTest::failedLoadShowsNoEarlierText()
{
    QVERIFY(load(writeFile("good.html", "<p>good")));
    QCOMPARE(m_engine->bodyText(), "good");

    QVERIFY(load(m_dir.filePath("missing.html")));
    QVERIFY(m_engine->loadFailed());
    QVERIFY2(m_engine->errorString().contains("No such file"), qPrintable(m_engine->errorString()));
    QVERIFY(m_engine->bodyText().isNull());

    for (const QString &unloadable : {m_dir.path(), QString()}) {
        QVERIFY(load(unloadable));
        QVERIFY(m_engine->loadFailed());
        QVERIFY(!m_engine->errorString().isEmpty());
    }

    QVERIFY(load(m_dir.filePath("good.html")));
    QVERIFY(!m_engine->loadFailed());
    QCOMPARE(m_engine->bodyText(), "good");
}

// The refresh comes after the page has loaded, about when the next file is asked for. A few
// rounds, because whether the two meet depends on timing.
void EngineTest::pageMovingOnLeavesNextFileAlone()
{
    const QString refreshing =
        writeFile("refresh.html", "<meta http-equiv=refresh content=0;url=moved.html><p>stay");
    const QString next = writeFile("next.html", "<p>next");
    for (int round = 0; round < 5; ++round) {
        QVERIFY(load(refreshing));
        QCOMPARE(m_engine->bodyText(), "stay");
        QVERIFY(load(next));
        QVERIFY2(!m_engine->loadFailed(), qPrintable(m_engine->errorString()));
        QCOMPARE(m_engine->bodyText(), "next");
    }
}

void EngineTest::fetchesNothingFromNetwork()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (auto *socket = server.nextPendingConnection()) {
            ++connections;
            socket->deleteLater();
        }
    });
    const QByteArray origin = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
    QByteArray content = "<link rel=preconnect href=ORIGIN><link rel=stylesheet href=ORIGIN/s.css>"
                         "<script src=ORIGIN/s.js></script><img src=ORIGIN/i.png>"
                         "<iframe src=ORIGIN/f.html></iframe><p>offline</p>"
                         "<script>fetch('ORIGIN/x');"
                         " new WebSocket('ws://127.0.0.1:PORT/w');</script>";
    content.replace("ORIGIN", origin).replace("PORT", QByteArray::number(server.serverPort()));

    QVERIFY(load(writeFile("net.html", content)));
    QCOMPARE(m_engine->bodyText(), "offline");
    pumpUntil([] { return false; }, 500); // time for late requests to arrive
    QCOMPARE(connections, 0);
}

void EngineTest::recoversFromHungPage()
{
    QVERIFY(!load(writeFile("hang.html", "<p>never<script>while (true) {}</script>"), 1000));
    m_engine->abandonPage();
    QVERIFY(m_engine->loadFailed());
    QVERIFY(m_engine->bodyText().isNull());
    QCOMPARE(m_engine->location(), "about:blank");

    QVERIFY(load(writeFile("after.html", "<p>after")));
    QCOMPARE(m_engine->bodyText(), "after");
}

int main(int argc, char *argv[])
{
    prepareRenderEngine();
    QApplication app(argc, argv);
    EngineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_engine.moc"
