#include "engine/PageDecoding.h"
#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetCache.h"
#include "engine/fast/script/PageScripts.h"
#include "engine/fast/text/InnerText.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// Pages whose scripts the runtime runs to the end, each with the text the browser engine shows
// of it (script-pages/*.txt); and pages that must go to the browser, each within its bound.
class TestPageScripts : public QObject
{
    Q_OBJECT

private slots:
    void pagesShowTheBrowsersText_data();
    void pagesShowTheBrowsersText();
    void pagesGoToTheBrowser_data();
    void pagesGoToTheBrowser();
    void aPageAfterOneThatRanAwaySettles();
    void aPageSeesNothingOfTheOneBefore();
};

namespace {

const QString pagesFolder = QStringLiteral(SCRIPT_PAGES);

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Outcome
{
    QString text;
    std::optional<BrowserReason> reason;
};

// Runs a page's scripts as the worker runs them, its linked files read from beside it, and
// takes the text of what they left.
Outcome runPage(const QByteArray &bytes, const QString &path)
{
    const Utf8Page page = decodePageToUtf8(bytes);
    const QByteArray encoding = page.encoding.isEmpty() ? QByteArrayLiteral("UTF-8")
                                                        : page.encoding;
    const QByteArray &html = page.utf8;
    Dom dom = parsePageForScripts(html);
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const PageScriptContext context{url, url, encoding};
    const auto read = [](const QString &address, PageResourceKind) -> std::optional<QByteArray> {
        QFile file(QUrl(address).toLocalFile());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    };
    Outcome outcome;
    outcome.reason = runPageScripts(dom, html, context, read);
    if (!outcome.reason && dom.body() >= 0) {
        const StyleResolver styles(dom, path, [&encoding](const QString &sheet) {
            return loadStyleSheetOfPageIn(sheet, encoding);
        });
        outcome.text = innerText(dom, styles.computeStyles(), dom.body());
    }
    return outcome;
}

} // namespace

void TestPageScripts::pagesShowTheBrowsersText_data()
{
    QTest::addColumn<QString>("page");
    const QDir folder(pagesFolder);
    const QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(pages.size() >= 10);
    for (const QString &page : pages)
        QTest::newRow(qPrintable(page)) << folder.filePath(page);
}

void TestPageScripts::pagesShowTheBrowsersText()
{
    QFETCH(QString, page);
    const Outcome outcome = runPage(readFile(page), page);
    QCOMPARE(outcome.reason, std::nullopt);
    const QString expected = QString::fromUtf8(readFile(page.chopped(4) + QStringLiteral("txt")));
    QCOMPARE(outcome.text.split(u'\n'), expected.split(u'\n'));
}

void TestPageScripts::pagesGoToTheBrowser_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<BrowserReason>("reason");
    QTest::newRow("member not modelled")
        << QByteArray("document.body.getBoundingClientRect();") << BrowserReason::ScriptNotModelled;
    QTest::newRow("interface not modelled")
        << QByteArray("new IntersectionObserver(function () {});")
        << BrowserReason::ScriptNotModelled;
    // An error nothing catches sends the page on where the page listens for such errors, where
    // the page's own call into its code threw it, or where one of our members threw in its task.
    QTest::newRow("a member's error in the task")
        << QByteArray("try { document.createElement('1'); } catch (e) {} undefinedFunction();")
        << BrowserReason::ScriptError;
    QTest::newRow("a member's error uncaught")
        << QByteArray("setTimeout(function () { document.body.appendChild(document); }, 0);")
        << BrowserReason::ScriptError;
    QTest::newRow("uncaught error heard")
        << QByteArray("window.onerror = function () {}; undefinedFunction();")
        << BrowserReason::ScriptError;
    QTest::newRow("error in a timer, heard")
        << QByteArray("addEventListener('error', function () {});"
                      " setTimeout(function () { throw new Error('late'); }, 0);")
        << BrowserReason::ScriptError;
    QTest::newRow("syntax error, heard")
        << QByteArray("</script><body onerror='1'><script>var = ;") << BrowserReason::ScriptError;
    QTest::newRow("error in an event the page dispatched")
        << QByteArray("document.body.addEventListener('x', function () { null.x; });"
                      " document.body.dispatchEvent(new Event('x'));")
        << BrowserReason::ScriptError;
    QTest::newRow("error in a microtask")
        << QByteArray("queueMicrotask(function () { throw 1; });") << BrowserReason::ScriptError;
    QTest::newRow("object not modelled, used")
        << QByteArray("if (navigator.clipboard) navigator.clipboard.writeText('x');")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("listener on an object not modelled")
        << QByteArray("visualViewport.addEventListener('resize', function () {});")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("request beyond local files")
        << QByteArray("new XMLHttpRequest().open('GET', 'https://example.org/');")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("fetch of a URL that may answer")
        << QByteArray("fetch('data:text/plain,x');") << BrowserReason::ScriptNotModelled;
    QTest::newRow("a colour keyword the browser may take")
        << QByteArray("document.body.style.color = 'Canvas';") << BrowserReason::ScriptNotModelled;
    QTest::newRow("a scroll position read after a scroll") << QByteArray(
        "document.body.scrollIntoView(); document.body.append(document.body.scrollTop);")
                                                           << BrowserReason::ScriptNotModelled;
    QTest::newRow("the active element where one may have been focused")
        << QByteArray("</script><input autofocus><script>document.activeElement.remove();")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a listener for promises left rejected")
        << QByteArray("addEventListener('unhandledrejection', function () {"
                      " document.body.append('heard'); }); fetch('x');")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("endless loop") << QByteArray("for (;;) {}") << BrowserReason::ScriptNotSettled;
    QTest::newRow("endless loop after inserting a script")
        << QByteArray("var s = document.createElement('script'); s.text = '1';"
                      " document.body.appendChild(s); for (;;) {}")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("endless loop in microtasks")
        << QByteArray("function again() { Promise.resolve().then(again); } again();")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("endless changes")
        << QByteArray("setInterval(function () { document.body.append('x'); }, 10);")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("endless frames")
        << QByteArray("function f() { document.body.append('x'); requestAnimationFrame(f); } f();")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("a frame that changes the tree")
        << QByteArray("requestAnimationFrame(function () { document.body.append('x'); });")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("module script")
        << QByteArray("</script><script type=module>1;") << BrowserReason::ScriptNotModelled;
    QTest::newRow("a script type with parameters")
        << QByteArray("</script><script type='text/javascript; charset=utf-8'>1;")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("timers without end")
        << QByteArray("for (var i = 0; i < 1e6; i++) setTimeout(function () {}, 0);")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("memory growth")
        << QByteArray("var a = []; for (;;) a.push({ n: a.length, s: 'x' + a.length });")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("array buffers")
        << QByteArray("var a = []; for (;;) a.push(new ArrayBuffer(1 << 24));")
        << BrowserReason::ScriptError;
    QTest::newRow("deep recursion")
        << QByteArray("function f(n) { return f(n + 1) + 1; } f(0);") << BrowserReason::ScriptError;
    QTest::newRow("huge string") << QByteArray("var s = 'x'; for (;;) s = s + s;")
                                 << BrowserReason::ScriptError;
    QTest::newRow("nodes without end")
        << QByteArray("for (;;) document.body.appendChild(document.createElement('p'));")
        << BrowserReason::ScriptNotSettled;
    // Computed styles: what the cascade cannot tell as the browser does.
    const QByteArray whenParsed = "addEventListener('DOMContentLoaded', function () { ";
    QTest::newRow("computed style while the page is parsed")
        << QByteArray("getComputedStyle(document.body).display;</script><p>after</p><script>")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("computed style of a pseudo-element")
        << whenParsed + "getComputedStyle(document.body, '::before').display; });"
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("computed property the cascade does not compute") << whenParsed
            + "getComputedStyle(document.body).color; });" << BrowserReason::ScriptNotModelled;
    QTest::newRow("computed display of a box laid out apart") << whenParsed
            + "var d = document.createElement('details'); document.body.append(d);"
              " getComputedStyle(d).display; });" << BrowserReason::ScriptNotModelled;
    QTest::newRow("computed style of a drawing") << whenParsed
            + "var svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');"
              " document.body.append(svg); getComputedStyle(svg).display; });"
                                                 << BrowserReason::ScriptNotModelled;
    QTest::newRow("computed style after changes without end") << whenParsed
            + "for (var i = 0; i < 1000; i++) { document.body.className = 'c' + i;"
              " getComputedStyle(document.body).display; } });"
                                                              << BrowserReason::ScriptNotModelled;
    QTest::newRow("rendered text of an inline element") << whenParsed
            + "var s = document.createElement('span'); s.textContent = 'a  b';"
              " document.body.append(s); s.innerText; });"
                                                        << BrowserReason::ScriptNotModelled;
    QTest::newRow("rendered text where content is rendered by its place")
        << QByteArray("</script><div style='content-visibility: auto'>far</div><script>")
            + whenParsed + "document.body.append(document.body.innerText); });"
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("geometry of an element with a box")
        << whenParsed + "document.querySelector('p').offsetWidth; });"
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("jQuery measuring a page with a style sheet")
        << QByteArray("</script><style>p { color: red }</style>"
                      "<script src='js/jquery-3.6.1.min.js'></script>"
                      "<script>$(function () { $('p').css('display'); });")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a write after the page was parsed")
        << QByteArray("setTimeout(function () { document.write('<p>late</p>'); }, 0);")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a write from written markup")
        << QByteArray("document.write('<script>document.write(1)<\\/script>');")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a write from a deferred script")
        << QByteArray("</script><script defer src='js/write.js'>")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a write the parser puts before what it had made")
        << QByteArray("</script><table><tr><td>cell</td></tr><script>document.write('text')")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("writes without end") << QByteArray("for (;;) document.write('<p>more</p>');")
                                        << BrowserReason::ScriptNotModelled;
    QTest::newRow("more writing scripts than the page is parsed again for")
        << QByteArray("document.write('a')</script>"
                      + QByteArray("<script>document.write('a')</script>").repeated(70)
                      + "<script>")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a script that writes something else each time")
        << QByteArray("document.write(Math.random());") << BrowserReason::ScriptNotModelled;
    QTest::newRow("an offset read for something else")
        << QByteArray("document.body.append(document.body.offsetTop);")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("an offset read for a scroll position a listener hears")
        << QByteArray("window.addEventListener('scroll', function () {}, true);\n"
                      "document.body.scrollTop = document.body.offsetTop - 10;")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("scripts inserting themselves")
        << QByteArray("function f() { var s = document.createElement('script');"
                      " s.textContent = 'f()'; document.body.appendChild(s); } f();")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("documents without end")
        << QByteArray("for (;;) document.implementation.createHTMLDocument('');")
        << BrowserReason::ScriptNotSettled;
    QTest::newRow("a second root in a made document")
        << QByteArray("var d = document.implementation.createHTMLDocument('');"
                      " d.appendChild(d.createElement('p'));")
        << BrowserReason::ScriptNotModelled;
    QTest::newRow("a URL of another address")
        << QByteArray("new URL('https://example.com/');") << BrowserReason::ScriptNotModelled;
    QTest::newRow("a history entry at another address")
        << QByteArray("history.replaceState(null, '', '#part');")
        << BrowserReason::ScriptNotModelled;
}

void TestPageScripts::pagesGoToTheBrowser()
{
    QFETCH(QByteArray, script);
    QFETCH(BrowserReason, reason);
    const QByteArray html = "<!DOCTYPE html><body><p>text</p><script>" + script + "</script>";
    const Outcome outcome = runPage(html, pagesFolder + QStringLiteral("/hostile.html"));
    QCOMPARE(outcome.reason, std::optional(reason));
}

// Pages share the process's one isolate: one that ran out of its heap, its time or its array
// buffers leaves the next as it found it.
void TestPageScripts::aPageAfterOneThatRanAwaySettles()
{
    const QString path = pagesFolder + QStringLiteral("/after.html");
    for (const char *runaway : {"var a = []; for (;;) a.push({ n: a.length });", "for (;;) {}",
                                "var b = []; for (;;) b.push(new ArrayBuffer(1 << 24));"}) {
        const QByteArray html = QByteArray("<body><script>") + runaway + "</script>";
        QVERIFY(runPage(html, path).reason.has_value());
        const Outcome after = runPage("<body><p>a</p><script>var kept = [];"
                                      " for (var i = 0; i < 1e5; i++) kept.push({ i: i });"
                                      " kept.push(new ArrayBuffer(1 << 25));"
                                      " document.body.append('b')</script>",
                                      path);
        QCOMPARE(after.reason, std::nullopt);
        QCOMPARE(after.text, QStringLiteral("a\n\nb"));
    }
}

// Every page's window is copied from one made once a process, and the interfaces' templates are
// shared: what a page adds to its window, to the interface objects the window is made with or
// made when first read, or to the language's own objects, stays with that page.
void TestPageScripts::aPageSeesNothingOfTheOneBefore()
{
    const QString path = pagesFolder + QStringLiteral("/after.html");
    const Outcome before = runPage(
        "<body><script>window.left = 1; document.left = 1; Object.prototype.left = 1;"
        " Array.prototype.left = 1; Window.prototype.left = 1; EventTarget.prototype.left = 1;"
        " Node.prototype.left = 1; HTMLElement.left = 1; window.Node = 1;"
        " delete window.EventTarget; document.body.append('a')</script>",
        path);
    QCOMPARE(before.reason, std::nullopt);
    const Outcome after = runPage(
        "<body><script>document.body.append([typeof left, typeof document.left,"
        " typeof {}.left, typeof [].left, typeof Window.prototype.left,"
        " typeof EventTarget.prototype.left, typeof Node.prototype.left,"
        " typeof HTMLElement.left, typeof Node, typeof EventTarget,"
        " document.body instanceof Node].join(' '))</script>",
        path);
    QCOMPARE(after.reason, std::nullopt);
    QCOMPARE(after.text,
             QStringLiteral("undefined undefined undefined undefined undefined undefined undefined "
                            "undefined function function true"));
}

QTEST_GUILESS_MAIN(TestPageScripts)
#include "tst_pagescripts.moc"
