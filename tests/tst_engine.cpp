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
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <array>

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
    QStringList m_notes;

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
        m_notes.clear();
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
        connect(&m_loader, &PageLoader::pageNoted, this,
                [this](const QString &note) { m_notes.append(note); });
        writeFile("hide.css", ".hidden { display: none }");
        writeFile("write.js", "document.write('<p>from a script file</p>');");
        writeFile("moved.html", "<p>moved here");
        QVERIFY(QDir(m_dir.path()).mkpath("below"));
        QVERIFY(QFile::link("/proc/self/environ", m_dir.filePath("below/environ.html")));
        writeFile("reader.js",
                  "const x = new XMLHttpRequest();"
                  " x.open('GET', location.search.slice(1), false); x.send();"
                  " postMessage(x.responseText)");
        for (const auto &[dir, secret] :
             {std::pair{&m_dir, "SECRETBESIDE"}, std::pair{&m_elsewhere, "SECRETELSEWHERE"}}) {
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
        // A page that runs nothing is read at once, its style sheets applied, and shows what
        // it shows with scripting on: neither <noscript>'s content nor a <canvas>'s fallback.
        QTest::newRow("style sheet and no script.html")
            << "<!doctype html><link rel=stylesheet href=hide.css><p class=hidden>hidden<p>shown"
            << "shown";
        for (const QString script : {"", "<script>var a = 1</script>"}) {
            const QString name = script.isEmpty() ? " and no script.html" : " and a script.html";
            QTest::newRow(qPrintable("noscript" + name))
                << "<p>one<noscript><p>two</noscript>" + script << "one";
            QTest::newRow(qPrintable("canvas" + name))
                << "<body><canvas>fallback</canvas><p>after" + script << "after";
        }
        // jQuery runs "ready" handlers from a timer, two turns after the document is parsed.
        QTest::newRow("work put off until loaded.html")
            << "<p>start<script>document.addEventListener('DOMContentLoaded', () =>"
               " setTimeout(() => setTimeout(() => document.body.append('ready'))))</script>"
            << "start\n\nready";
        QTest::newRow("isolated from page scripts.html")
            << "<script>Object.defineProperty(HTMLElement.prototype, 'innerText',"
               " { get() { return 'forged' } });</script><p>real"
            << "real";
        QTest::newRow("sent elsewhere while loading.html")
            << "<p>left<script>location.href = 'moved.html'</script>"
            << "moved here";
        QTest::newRow("sent elsewhere by a file URL.html")
            << "<p>left<script>location.href = 'file://" + m_dir.filePath("moved.html")
                + "'</script>"
            << "moved here";
        // Read as XML, as a browser reads it from disk: what precedes the first error.
        QTest::newRow("malformed.xhtml")
            << "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
               "<body><p>one<br>two</p></body></html>"
            << "one\n";
        QTest::newRow("undeclared UTF-8.html") << "<p>naïve ☃"
                                               << "naïve ☃";
        // Read in the encoding the fast engine reads them in, as current browsers do.
        QTest::newRow("declared after a frame 8 KB into the head.html")
            << "<head>" + QString("<meta name=x content=y>").repeated(360)
                + "<iframe></iframe><meta charset=utf-8></head><p>Habits™"
            << "Habits™";
        QTest::newRow("first character not ASCII 70 KB in.html") << "<p>" + QString(70'000, u'a')
                + "<p>Habits™" << QString(70'000, u'a') + "\n\nHabits™";
        // Names a browser would not take for a page, or not for a path.
        for (const char *name : {"x.shtml", "x.htm.bak", "x.html~", "#1 50% ?.html"})
            QTest::newRow(name) << "<p>odd"
                                << "odd";
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

    // What a reading needs nothing of is not there for a page: no WebAssembly (V8 runs without
    // its compilers), WebGL, plugins or speech recognition, and every question to the user (where
    // they are, their camera, notifications) answered "no".
    void offersAPageNoFeatureAReadingNeeds()
    {
        const QString page = writeFile(
            "features.html",
            "<p id=out><script>const say = text => out.append(text + ' ');"
            "say(typeof WebAssembly);"
            "for (const kind of ['webgl', 'webgl2', 'experimental-webgl'])"
            " say(kind + ' ' + document.createElement('canvas').getContext(kind));"
            "say('plugins ' + navigator.plugins.length + ' ' + navigator.mimeTypes.length);"
            "say('speech ' + typeof webkitSpeechRecognition);"
            "say('notifications ' + Notification.permission);"
            "const given = what => () => say('GIVEN ' + what);"
            "navigator.geolocation.getCurrentPosition(given('position'), () => {});"
            "navigator.mediaDevices?.getUserMedia({ audio: true, video: true })"
            ".then(given('media'), () => {});"
            "Notification.requestPermission().then(p => p == 'granted' && given('notices')());"
            "</script>");
        QVERIFY(load(page));
        QCOMPARE(m_text,
                 "undefined webgl null webgl2 null experimental-webgl null plugins 0 0"
                 " speech undefined notifications default");
    }

    // The page is shown, as in a browser window, though not on the screen: it is visible to its
    // scripts, its animation frames run, its intersection observers fire for what is in view,
    // and a section styled "content-visibility: auto" in view is rendered, one far below not
    // (as current Chromium gives it in a window of the same size).
    void readsAPageAsShown()
    {
        const QString page = writeFile(
            "shown.html",
            "<p id=state><section style='content-visibility: auto'><p>in a section</section>"
            "<p id=seen><script>state.textContent = document.visibilityState + ' ' + "
            "document.hidden;"
            "requestAnimationFrame(() => seen.append('frame '));"
            "new IntersectionObserver(entries => entries[0].isIntersecting && seen.append('in "
            "view'))"
            ".observe(seen);</script><div style='height: 3000px'></div>"
            "<section style='content-visibility: auto'><p>far below</section><p>after");
        QVERIFY(load(page));
        QCOMPARE(m_text, "visible false\n\nin a section\n\nframe in view\n\nafter");
    }

    // A page that changes itself over many timer rounds and promises is read once it stops, the
    // same in every run, also beside two processes that keep the machine's cores busy; one that
    // never stops, at a bound.
    void readsAPageOnceItStopsChanging()
    {
        const QString page = writeFile(
            "changing.html",
            "<p id=slow><p id=fast><p id=promised><script>"
            "const count = (element, last, wait) => { let n = 0; const tick = () => {"
            " element.textContent = ++n; if (n < last) setTimeout(tick, wait); }; tick(); };"
            "count(slow, 30, 20); count(fast, 200, 0);"
            "const step = n => new Promise(resolve => setTimeout(resolve)).then(() => {"
            " promised.textContent = n; if (n < 50) return step(n + 1); }); step(1);</script>");
        std::array<QProcess, 2> busy;
        for (QProcess &process : busy)
            process.start("sh", {"-c", "while :; do :; done"});
        for (int run = 0; run < 3; ++run) {
            QVERIFY(load(page));
            QCOMPARE(m_text, "30\n\n200\n\n50");
        }
        for (QProcess &process : busy) {
            process.kill();
            process.waitForFinished();
        }

        QElapsedTimer timer;
        timer.start();
        QVERIFY(load(writeFile("clock.html",
                               "<p id=clock><script>"
                               "setInterval(() => clock.textContent = Date.now(), 10)"
                               "</script>")));
        QVERIFY2(timer.elapsed() < 6000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!m_text.isEmpty());
    }

    // Nothing a page's own policy forbids holds up its reading: the engine learns what arrived
    // and when the page settled through a channel no policy closes, so the page is read in far
    // less than the two seconds the engine waits for files that never report.
    void readsAPageWhateverItsPolicy_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<QString>("text");
        QTest::newRow("connect-src 'self'") << "connect-src 'self'"
                                            << "from a script file\n\nHello";
        QTest::newRow("default-src 'none'") << "default-src 'none'"
                                            << "Hello";
        QTest::newRow("script-src 'none'") << "script-src 'none'"
                                           << "Hello";
    }

    void readsAPageWhateverItsPolicy()
    {
        QFETCH(QString, policy);
        const QString page = writeFile(
            "policy.html",
            "<meta http-equiv=Content-Security-Policy content=\"" + policy.toUtf8()
                + "\"><script>var a = 1;</script><script src=write.js></script>"
                  "<p>Hello");
        QElapsedTimer timer;
        timer.start();
        QVERIFY(load(page));
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        QTEST(m_text, "text");
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
            "chains.html",
            "<p id=timed>timed:<p id=chained>chained:<script>const add = source =>"
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
        const QString refreshing = writeFile(
            "refresh.html", "<meta http-equiv=refresh content=0;url=moved.html><p>stay");
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

    // Where the engine goes without asking the page ends at once, with the text a browser shows
    // there: none for about:blank (or about:blank#blocked, for a URL the engine refuses), the
    // page's own where it stays. load() allows each page a few seconds.
    void endsAtOnceWhereTheEngineGoesByItself_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("text");
        QTest::newRow("script to about:blank")
            << "<p>own<script>location.replace('about:blank')</script>"
            << "";
        QTest::newRow("refresh to about:blank")
            << "<meta http-equiv=refresh content='0;url=about:blank'><p>own"
            << "";
        QTest::newRow("refresh to a NUL") << "<meta http-equiv=refresh content='0;url=a%00b.html'>"
                                             "<p>own"
                                          << "";
        QTest::newRow("script to a NUL") << "<p>own<script>location.href = 'a%00b.html'</script>"
                                         << "own";
        QTest::newRow("invalid URL") << "<p>own<script>location.href = 'http://%zz'</script>"
                                     << "own";
        QTest::newRow("about:srcdoc") << "<p>own<script>location.replace('about:srcdoc')</script>"
                                      << "own";
    }

    void endsAtOnceWhereTheEngineGoesByItself()
    {
        QFETCH(QString, content);
        QVERIFY(load(writeFile("goes.html", content.toUtf8())));
        QTEST(m_text, "text");
    }

    // A page sent elsewhere while it loads becomes the page it is sent to only when that is a
    // page in its own folder or below: anywhere else it would hand over a file it was never
    // given. It then keeps its own text, and the navigation is noted. A page of the kernel's
    // is not served at all.
    void followsItsNavigationsOnlyToPagesInItsTree_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        writeFile("below/page.html", "<p>page below");
        writeFileIn(m_elsewhere, "page.html", "<p>page elsewhere");
        QTest::newRow("page below") << "below/page.html"
                                    << "page below"
                                    << "";
        QTest::newRow("text file beside") << "secret.txt"
                                          << "own"
                                          << "it is not a page";
        QTest::newRow("style sheet beside") << "secret.css"
                                            << "own"
                                            << "it is not a page";
        QTest::newRow("text file elsewhere") << m_elsewhere.filePath("secret.txt") << "own"
                                             << "it is outside the page's folder";
        QTest::newRow("page elsewhere") << "file://" + m_elsewhere.filePath("page.html") << "own"
                                        << "it is outside the page's folder";
        QTest::newRow("link to the kernel's file") << "below/environ.html"
                                                   << "own"
                                                   << "it is not a page";
        QTest::newRow("network") << "http://127.0.0.1:9/"
                                 << "own"
                                 << "it is not a local file";
    }

    void followsItsNavigationsOnlyToPagesInItsTree()
    {
        QFETCH(QString, target);
        QFETCH(QString, why);
        QVERIFY(load(writeFile(
            "sends.html", "<p>own<script>location.href = '" + target.toUtf8() + "'</script>")));
        QTEST(m_text, "text");
        const QStringList notes = why.isEmpty() ? QStringList() : QStringList{why};
        for (const QString &note : m_notes)
            QVERIFY2(note.endsWith(why) && note.contains(QFileInfo(target).fileName()),
                     qPrintable(note));
        QCOMPARE(m_notes.size(), notes.size());
    }

    // Listed directly or through a link, a file of the kernel's fails as no page.
    void loadsNoPageOfTheKernel()
    {
        for (const QString &path :
             {QStringLiteral("/proc/self/environ"), m_dir.filePath("below/environ.html")}) {
            QVERIFY(load(path));
            QVERIFY(m_text.isNull());
            QVERIFY2(m_failure.contains("/proc"), qPrintable(m_failure));
        }
    }

    // A page's scripts read no other file, whether beside the page or elsewhere, in any way:
    // each page is an origin of its own, as a file: page is in a browser. Each probe says what
    // it got, and the secrets are also names a script would mention in an error.
    void scriptsReadNoOtherFile_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("text");
        const QList<std::pair<const char *, QString>> probes = {
            {"XMLHttpRequest",
             "<script>try { const x = new XMLHttpRequest();"
             " x.open('GET', '@S.txt', false); x.send(); say(x.responseText) }"
             " catch (e) { say('refused') }</script>"},
            {"XMLHttpRequest, asynchronous",
             "<script>const x = new XMLHttpRequest(); x.open('GET', '@S.txt');"
             " x.onload = () => say(x.responseText); x.onerror = () => say('refused');"
             " x.send()</script>"},
            {"fetch",
             "<script>fetch('@S.txt').then(r => r.text()).then(say,"
             " () => say('refused'))</script>"},
            {"frame's document",
             "<iframe src='@S.txt' onload='try { say(this.contentDocument.body.innerText) }"
             " catch (e) { say(\"refused\") }'></iframe>"},
            // Images are not loaded at all, and one that was would taint the canvas.
            {"canvas",
             "<img id=i src='@S.png'><script>onload = () => {"
             " const c = document.createElement('canvas').getContext('2d');"
             " try { c.drawImage(i, 0, 0); say(c.getImageData(0, 0, 1, 1).data) }"
             " catch (e) { say('refused') } }</script>"},
            // A worker made from the page's own blob fails later; it would not read either.
            {"workers",
             "<script>const url = new URL('@S.txt', location);"
             " const read = `const x = new XMLHttpRequest(); x.open('GET', '${url}',"
             " false); x.send(); postMessage(x.responseText)`;"
             " for (const source of ['reader.js?' + url,"
             " URL.createObjectURL(new Blob([read]))]) try {"
             " const w = new Worker(source); w.onmessage = e => say(e.data);"
             " } catch (e) { say('refused') }"
             "</script>"},
            {"module scripts",
             "<script>for (const type of ['json', 'css']) import('@S.' + type,"
             " { assert: { type } }).then(m => say(m.default.cssRules ?"
             " m.default.cssRules[0].cssText : JSON.stringify(m.default)),"
             " () => say('refused'))</script>"},
            {"error message", "<script>onerror = say</script><script src='@S.txt'></script>"},
            {"style sheet's rules",
             "<link rel=stylesheet href='@S.css' onload='try {"
             " say(this.sheet.cssRules[0].cssText) }"
             " catch (e) { say(\"refused\") }'>"},
        };
        const QList<std::pair<const char *, QString>> places = {
            {"beside", QStringLiteral("secret")}, {"elsewhere", m_elsewhere.filePath("secret")}};
        const QHash<QString, QString> texts = {{"canvas", "0,0,0,0"},
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
        QTest::newRow("device") << "/dev/zero"
                                << "rest";
        QTest::newRow("link to a device") << deviceLink << "rest";
        QTest::newRow("folder") << m_dir.path() << "rest";
        QTest::newRow("missing file") << m_dir.filePath("missing.js") << "rest";
        QTest::newRow("file URL of a device") << "file:///dev/zero"
                                              << "rest";
        QTest::newRow("file URL of a pipe") << "file://" + pipe << "rest";
        QTest::newRow("file URL of a file")
            << "file://" + m_dir.filePath("write.js") << "from a script file\n\nrest";
    }

    void servesPagesOnlyRegularFiles()
    {
        QFETCH(QString, source);
        const QString page = writeFile("source.html",
                                       "<script src='" + source.toUtf8()
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
        const bool hearsMdns = mdns.bind(QHostAddress::AnyIPv4, 5353,
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
        writeFile("more.js",
                  "for (const t = Date.now(); Date.now() - t < 100;);"
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
            FixedItems(
                {loading, hung, decodeFileName(latin1Name), writeFile("after.html", "<p>after")}),
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
