// The real engine, on its own and under a whole conversion run.

#include "FakePlatform.h"
#include "TestFiles.h"

#include "convert/ConversionRun.h"
#include "convert/RunItems.h"
#include "convert/TextFilesBesideInputs.h"
#include "engine/browser/BrowserEngine.h"
#include "engine/browser/BrowserPageLoader.h"
#include "engine/browser/RenderEngineSetup.h"
#include "platform/FileNames.h"
#include "platform/QtMessagePump.h"
#include "platform/SystemClock.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QUdpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class EngineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_elsewhere;
    BrowserPageLoader m_loader;
    QtMessagePump m_pump;
    bool m_done = false;
    QString m_text;
    QString m_failure;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        return writeFileIn(m_dir, name, content);
    }

    static QString writeFileIn(const QTemporaryDir &dir, const QString &name,
                               const QByteArray &content)
    {
        return writeTestFile(dir.filePath(name), content);
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
        writeFile("reader.js", "const x = new XMLHttpRequest();"
                               " x.open('GET', location.search.slice(1), false); x.send();"
                               " postMessage(x.responseText)");
        for (const auto &[dir, secret] : {std::pair{&m_dir, "SECRETBESIDE"},
                                          std::pair{&m_elsewhere, "SECRETELSEWHERE"}}) {
            writeFileIn(*dir, "secret.txt", secret);
            writeFileIn(*dir, "secret.json", "{\"" + QByteArray(secret) + "\": 1}");
            writeFileIn(*dir, "secret.css", "#" + QByteArray(secret) + " { color: red }");
            QImage image(1, 1, QImage::Format_RGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(dir->filePath("secret.png")));
        }
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
        // A page that runs nothing loads with scripts off: its style sheets still apply, and
        // <noscript> still shows nothing, as scripts were on.
        QTest::newRow("style sheet and no script.html")
            << "<!doctype html><link rel=stylesheet href=hide.css><p class=hidden>hidden<p>shown"
            << "shown";
        QTest::newRow("noscript and no script.html") << "<p>one<noscript><p>two</noscript>"
                                                      << "one";
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
        QTest::newRow("sent elsewhere by a file URL.html")
            << "<p>left<script>location.href = 'file://" + m_dir.filePath("moved.html")
                   + "'</script>" << "moved here";
        // Read as XML, as a browser reads it from disk: what precedes the first error.
        QTest::newRow("malformed.xhtml")
            << "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
               "<body><p>one<br>two</p></body></html>" << "one\n";
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
    // Laid out as in a desktop browser window of 1280 x 720 at a pixel ratio of 1: style rules
    // for narrow screens or portrait screens hide nothing, those for wide ones apply. Twice, as
    // a page loaded after another must be laid out alike.
    void laidOutAsADesktopBrowserWindow()
    {
        const QString page = writeFile(
            "desktop.html",
            "<style>.phone, .portrait, .sidebar { display: none }"
            "@media (max-width: 1023px) { .nav { display: none } .phone { display: block } }"
            "@media (min-width: 1200px) { .sidebar { display: block } }"
            "@media (orientation: portrait) { .portrait { display: block } }</style>"
            "<p class=nav>navigation<p class=phone>phone<p class=sidebar>sidebar"
            "<p class=portrait>portrait<p id=size>"
            "<script>size.textContent = [innerWidth, innerHeight, screen.width, screen.height,"
            " devicePixelRatio, matchMedia('(min-width: 1280px) and (max-width: 1280px)').matches]"
            ".join(' ')</script>");
        for (int round = 0; round < 2; ++round) {
            QVERIFY(load(page));
            QCOMPARE(m_text, "navigation\n\nsidebar\n\n1280 720 1280 720 1 true");
            QVERIFY(load(writeFile("other.html", "<p>other")));
        }
    }

    // A page that loads its parts one after another, each asked for once the one before has
    // run (from a timer, or from the "load" event of its element, as Doxygen's navigation tree
    // does), is read after the last, in every run.
    void readsAPageOnceItsScriptsHaveAllArrived()
    {
        constexpr int length = 6;
        for (int part = 1; part <= length; ++part) {
            for (const QByteArray chain : {"timed", "chained"}) {
                const QByteArray next = part < length
                    ? "add('" + chain + QByteArray::number(part + 1) + ".js')"
                    : QByteArray();
                writeFile(chain + QByteArray::number(part) + ".js",
                          chain + ".append(' " + QByteArray::number(part) + "');"
                              + (chain == "timed"
                                     ? "setTimeout(() => { " + next + " })"
                                     : "document.currentScript.onload = () => { " + next + " }"));
            }
        }
        const QString page = writeFile(
            "chains.html", "<p id=timed>timed:<p id=chained>chained:<script>const add = source =>"
                           " document.head.append(Object.assign(document.createElement('script'),"
                           " { src: source })); onload = () => setTimeout(() => { add('timed1.js');"
                           " add('chained1.js') })</script>");
        for (int run = 0; run < 5; ++run) {
            QVERIFY(load(page));
            QCOMPARE(m_text, "timed: 1 2 3 4 5 6\n\nchained: 1 2 3 4 5 6");
        }
    }

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

    // A page's scripts read no other file, whether beside the page or elsewhere, in any way:
    // each page is an origin of its own, as a file: page is in a browser. Each probe says what
    // it got, and the secrets are also names a script would mention in an error.
    void scriptsReadNoOtherFile_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("text");
        const QList<std::pair<const char *, QString>> probes = {
            {"XMLHttpRequest", "<script>try { const x = new XMLHttpRequest();"
                               " x.open('GET', '@S.txt', false); x.send(); say(x.responseText) }"
                               " catch (e) { say('refused') }</script>"},
            {"XMLHttpRequest, asynchronous",
             "<script>const x = new XMLHttpRequest(); x.open('GET', '@S.txt');"
             " x.onload = () => say(x.responseText); x.onerror = () => say('refused');"
             " x.send()</script>"},
            {"fetch", "<script>fetch('@S.txt').then(r => r.text()).then(say,"
                      " () => say('refused'))</script>"},
            {"frame's document",
             "<iframe src='@S.txt' onload='try { say(this.contentDocument.body.innerText) }"
             " catch (e) { say(\"refused\") }'></iframe>"},
            // Images are not loaded at all, and one that was would taint the canvas.
            {"canvas", "<img id=i src='@S.png'><script>onload = () => {"
                       " const c = document.createElement('canvas').getContext('2d');"
                       " try { c.drawImage(i, 0, 0); say(c.getImageData(0, 0, 1, 1).data) }"
                       " catch (e) { say('refused') } }</script>"},
            // A worker made from the page's own blob fails later; it would not read either.
            {"workers", "<script>const url = new URL('@S.txt', location);"
                        " const read = `const x = new XMLHttpRequest(); x.open('GET', '${url}',"
                        " false); x.send(); postMessage(x.responseText)`;"
                        " for (const source of ['reader.js?' + url,"
                        " URL.createObjectURL(new Blob([read]))]) try {"
                        " const w = new Worker(source); w.onmessage = e => say(e.data);"
                        " } catch (e) { say('refused') }"
                        "</script>"},
            {"module scripts", "<script>for (const type of ['json', 'css']) import('@S.' + type,"
                               " { assert: { type } }).then(m => say(m.default.cssRules ?"
                               " m.default.cssRules[0].cssText : JSON.stringify(m.default)),"
                               " () => say('refused'))</script>"},
            {"error message", "<script>onerror = say</script><script src='@S.txt'></script>"},
            {"style sheet's rules", "<link rel=stylesheet href='@S.css' onload='try {"
                                    " say(this.sheet.cssRules[0].cssText) }"
                                    " catch (e) { say(\"refused\") }'>"},
        };
        const QList<std::pair<const char *, QString>> places = {
            {"beside", QStringLiteral("secret")}, {"elsewhere", m_elsewhere.filePath("secret")}};
        const QHash<QString, QString> texts = {
            {"canvas", "0,0,0,0"},
            {"module scripts", "refused refused"},
            {"error message", "Script error."}};
        for (const auto &[probe, html] : probes) {
            for (const auto &[place, secret] : places) {
                QTest::addRow("%s, %s", probe, place)
                    << QString(html).replace("@S", secret)
                    << texts.value(probe, QStringLiteral("refused"));
            }
        }
    }

    void scriptsReadNoOtherFile()
    {
        QFETCH(QString, probe);
        QFETCH(QString, text);
        const QString page = writeFile(
            "probe.html",
            "<p>start<script>const say = what => document.body.append(' ' + what)</script>"
                + probe.toUtf8());
        QVERIFY(load(page));
        QVERIFY2(!m_text.contains("SECRET"), qPrintable(m_text));
        QCOMPARE(m_text, "start\n\n" + text);
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

    // Sources that are not regular files fail as missing ones do, at once, and the page goes on
    // without them: a pipe would wait for a writer for good, a device would never end. The same
    // holds for file:// URLs.
    void servesPagesOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("text");
        const QString pipe = m_dir.filePath("pipe.js"), deviceLink = m_dir.filePath("zero.js");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe), 0600), 0);
        QVERIFY(QFile::link("/dev/zero", deviceLink));
        QTest::newRow("pipe") << pipe << "rest";
        QTest::newRow("device") << "/dev/zero" << "rest";
        QTest::newRow("link to a device") << deviceLink << "rest";
        QTest::newRow("folder") << m_dir.path() << "rest";
        QTest::newRow("missing file") << m_dir.filePath("missing.js") << "rest";
        QTest::newRow("file URL of a device") << "file:///dev/zero" << "rest";
        QTest::newRow("file URL of a pipe") << "file://" + pipe << "rest";
        QTest::newRow("file URL of a file")
            << "file://" + m_dir.filePath("write.js") << "from a script file\n\nrest";
    }

    void servesPagesOnlyRegularFiles()
    {
        QFETCH(QString, source);
        const QString page = writeFile("source.html", "<script src='" + source.toUtf8()
                                                          + "'></script><link rel=stylesheet href='"
                                                          + source.toUtf8() + "'><p>rest");
        QVERIFY(load(page));
        QTEST(m_text, "text");
    }

    // Peer connections and WebTransport, a page's ways past the request filter, send nothing:
    // no packet for a STUN or TURN server by UDP or TCP, nor multicast DNS, nor QUIC.
    void sendsNothingByPeerConnections()
    {
        QUdpSocket udp;
        QVERIFY(udp.bind(QHostAddress::Any));
        QTcpServer tcp;
        QVERIFY(tcp.listen(QHostAddress::LocalHost));
        QUdpSocket mdns; // where a machine without a multicast route cannot listen, it is left out
        const bool hearsMdns =
            mdns.bind(QHostAddress::AnyIPv4, 5353,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
            && mdns.joinMulticastGroup(QHostAddress(QStringLiteral("224.0.0.251")));
        QByteArray content =
            "<p>sent<script>const pc = new RTCPeerConnection({iceServers: ["
            "{urls: 'stun:127.0.0.1:@UDP'}, {urls: 'turn:127.0.0.1:@UDP', username: 'u',"
            " credential: 'c'}, {urls: 'turn:127.0.0.1:@TCP?transport=tcp', username: 'u',"
            " credential: 'c'}]});"
            "pc.createDataChannel('d'); pc.createOffer().then(o => pc.setLocalDescription(o));"
            "try { new WebTransport('https://127.0.0.1:@UDP/') } catch (e) {}</script>";
        content.replace("@UDP", QByteArray::number(udp.localPort()))
            .replace("@TCP", QByteArray::number(tcp.serverPort()));
        QVERIFY(load(writeFile("rtc.html", content)));
        QTest::qWait(2000); // ICE gathering takes its time
        QVERIFY(!udp.hasPendingDatagrams());
        QVERIFY(!hearsMdns || !mdns.hasPendingDatagrams());
        QVERIFY(!tcp.hasPendingConnections());
    }

    // Real pages, pump, clock and files. At the time limit a page still loading (here one whose
    // scripts keep loading more of themselves) gives the text it holds; a hung one, whose script
    // never lets the engine answer, is given up; either way the next one loads. A name that is
    // not UTF-8 loads like any other.
    void convertsAListEndToEnd()
    {
        const QString hung = writeFile("hang.html", "<p>never<script>while (true) {}</script>");
        writeFile("more.js", "for (const t = Date.now(); Date.now() - t < 100;);"
                             "document.write('<script src=more.js?' + Math.random()"
                             " + '></' + 'script>')");
        const QString loading = writeFile("loading.html", "<p>so far<script src=more.js></script>");
        const QByteArray latin1Name = QFile::encodeName(m_dir.path()) + "/caf\xe9.html";
        QFile latin1; // Qt would write the name's last byte as "?"
        QVERIFY(latin1.open(::creat(latin1Name.constData(), 0600), QIODevice::WriteOnly,
                            QFileDevice::AutoCloseHandle));
        latin1.write("<p>café");
        latin1.close();
        BrowserEngine engine;
        SystemClock clock;
        QtTextFileWriter writer;
        TextFilesBesideInputs textFiles(writer);
        ConversionRun run(engine, textFiles, m_pump, clock);
        run.setPageTimeLimit(3);
        FakeObserver observer;
        const ConversionReport report = run.run(
            FixedItems({loading, hung, decodeFileName(latin1Name),
                        writeFile("after.html", "<p>after")}),
            observer);

        QFile after(m_dir.filePath("after.txt"));
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), "after");
        QFile soFar(m_dir.filePath("loading.txt"));
        QVERIFY(soFar.open(QIODevice::ReadOnly));
        QCOMPARE(soFar.readAll(), "so far");
        const QByteArray latin1Text = QFile::encodeName(m_dir.path()) + "/caf\xe9.txt";
        QCOMPARE(::access(latin1Text.constData(), F_OK), 0);
        // QTemporaryDir cannot remove what Qt cannot name.
        ::unlink(latin1Text.constData());
        ::unlink(latin1Name.constData());
        QCOMPARE(doneMessage(report.failures()),
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
