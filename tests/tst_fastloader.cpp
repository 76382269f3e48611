// The fast engine's page loader, and the automatic choice between it and the browser engine
// (a fake here): which pages go where, and files that cannot be read.

#include "FakePlatform.h"
#include "TestFiles.h"
#include "convert/ConversionRun.h"
#include "convert/RunItems.h"
#include "convert/TextFilesBesideInputs.h"
#include "engine/auto/AutoEngine.h"
#include "engine/auto/AutoPageLoader.h"
#include "engine/fast/FastEngine.h"
#include "engine/fast/FastPageLoader.h"
#include "platform/FileNames.h"
#include "platform/QtMessagePump.h"
#include "platform/QtTextFileWriter.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Outcome
{
    bool loaded = false;
    QString textOrReason;
};

} // namespace

class TestFastLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakePageEngine m_browser; // answers "browser: <name>" for every page written here

    QString page(const QString &name, const QByteArray &html)
    {
        const QString path = m_dir.filePath(name);
        // By the name's own bytes: QFile would write those that are not UTF-8 as "?".
        std::FILE *file = std::fopen(encodeFileName(path).constData(), "wb");
        const bool written = file
            && std::fwrite(html.constData(), 1, html.size(), file) == size_t(html.size());
        if (!file || std::fclose(file) != 0 || !written)
            qFatal("cannot write %s", qPrintable(path));
        m_browser.pages.insert(path, "browser: " + name);
        return path;
    }

    // Loads a page and processes events, the fake browser's among them, until it is done;
    // a loader that never answers fails the test instead of hanging it.
    Outcome load(PageLoader &loader, const QString &path)
    {
        QSignalSpy loaded(&loader, &PageLoader::pageLoaded);
        QSignalSpy failed(&loader, &PageLoader::pageFailed);
        loader.load(path);
        if (!loaded.isEmpty() || !failed.isEmpty())
            qFatal("%s was answered inside load()", qPrintable(path));
        const QDeadlineTimer deadline(10'000);
        while (loaded.isEmpty() && failed.isEmpty() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            m_browser.processEvents();
        }
        if (loaded.size() + failed.size() != 1)
            qFatal("%s: %lld answers", qPrintable(path),
                   static_cast<long long>(loaded.size() + failed.size()));
        return loaded.isEmpty() ? Outcome{false, failed.first().first().toString()}
                                : Outcome{true, loaded.first().first().toString()};
    }

    // A page that would keep the fast engine busy for minutes: every rule is tried on every
    // element.
    QString endlessPage(const QString &name)
    {
        QByteArray html = "<style>";
        for (int rule = 0; rule < 20'000; ++rule)
            html += "p:not(.c" + QByteArray::number(rule) + "){display:block}";
        return page(name, html + "</style>" + QByteArray("<p>p</p>").repeated(20'000));
    }

    // Whether every page computation has given its pool thread back by then.
    static bool poolFreeWithin(int milliseconds)
    {
        return QThreadPool::globalInstance()->waitForDone(milliseconds);
    }

private slots:
    // These cases hold the routes of pages whose scripts the fast engine runs nowhere: the
    // script runtime's own routes are tst_pagescripts' and tst_scriptworker's.
    void initTestCase() { qputenv("QUILLMERE_SCRIPT_WORKER", "off"); }
    void init() { m_browser.loads.clear(); }

    // Only pages whose text is the browser's for sure go to the fast engine, and the browser
    // engine is not started before a page needs it.
    void autoSendsEachPageToTheRightEngine()
    {
        AutoEngine engine(m_browser);
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        // Elements styled "content-visibility: auto" with nothing in them to render.
        const QString plain = page(
            "plain.html",
            "<p>Plain <b>text</b><style>b { text-transform: uppercase }</style>"
            "<div style='content-visibility: auto'></div><div hidden><p "
            "style='content-visibility: auto'>hidden</div>");
        const QString declared = page("declared.html", "<meta charset=windows-1252><p>caf\xe9");
        QCOMPARE(load(*loader, plain).textOrReason, QString("Plain TEXT"));
        QCOMPARE(load(*loader, declared).textOrReason, QString("café"));
        QCOMPARE(m_browser.loadersMade, 0);

        const QString script = page("script.html", "<p>a</p><script>document.write('b')</script>");
        const QString handler = page("handler.html", "<body onload='x()'><p>a</p>");
        const QString guessed = page("guessed.html", "<p>caf\xe9");
        // Its style sheets would be missed (names that are not UTF-8 are held as in FileNames.h).
        const QString oddName = page(decodeFileName("odd\xff.html"), "<p>plain");
        // Encodings not decoded here as the browser decodes them.
        const QString utf7 = page("utf7.html", "<meta charset=utf-7><p>a+AKM-");
        const QString replacement = page("replacement.html", "<meta charset=iso-2022-kr><p>a");
        // A rule whose selector nests deeper than is followed here, as the browser follows it.
        const QString nested = page("nested.html",
                                    "<style>" + QByteArray(":is(").repeated(300) + "p"
                                        + QByteArray(")").repeated(300)
                                        + "{display:none}</style><p>a");
        for (const QString &path :
             {script, plain, handler, guessed, oddName, utf7, replacement, nested}) {
            const Outcome outcome = load(*loader, path);
            QVERIFY(outcome.loaded);
            QCOMPARE(outcome.textOrReason.startsWith("browser: "), path != plain);
        }
        QCOMPARE(m_browser.loadersMade, 1);
        QCOMPARE(m_browser.loads,
                 (QStringList{script, handler, guessed, oddName, utf7, replacement, nested}));
        // QTemporaryDir removes only names that are UTF-8.
        QCOMPARE(::unlink(encodeFileName(oddName).constData()), 0);
    }

    // Each page the browser takes is counted with why the fast engine left it, and the run's
    // figures name the reasons.
    void autoCountsWhyPagesGoToTheBrowser()
    {
        AutoEngine engine(m_browser);
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        QByteArray attributes;
        for (int attribute = 0; attribute < 1'000; ++attribute)
            attributes += " a" + QByteArray::number(attribute) + "=x";
        const QByteArray archive =
            "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"b\"\r\n\r\n"
            "--b\r\nContent-Type: text/html\r\nContent-Location: file:///saved/page.html\r\n\r\n"
            "<base href=elsewhere/><p>a\r\n--b--\r\n";
        const QStringList pages{
            page("plain.html", "<p>a"),
            page("script.html", "<script>var a;</script><p>a"),
            page("handler.html", "<body onload='x()'><p>a"),
            page("refresh.html", "<meta http-equiv=refresh content='0;URL=plain.html'><p>a"),
            page("long-refresh.html",
                 "<meta http-equiv=refresh content=0><p>" + QByteArray(5'000, 'a')),
            page("guessed.html", "<p>caf\xe9"),
            page("utf7.html", "<meta charset=utf-7><p>a+AKM-"),
            page(decodeFileName("odd\xff.html"), "<p>a"),
            page("attributes.html", "<p" + attributes + ">a"),
            page("deep.html", QByteArray("<div>").repeated(50'000) + "a"),
            page("form.html", "<form><b>in</b> the form</form>after it"),
            page("broken.xhtml",
                 "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>open</body></html>"),
            page("saved.mhtml", archive),
            page("sections.html",
                 "<section style='content-visibility: auto'><p>near</section><div style='height: "
                 "3000px'></div><section style='content-visibility: auto'><p>far</section>"),
        };
        for (const QString &path : pages)
            load(*loader, path);
        QCOMPARE(m_browser.loads, pages.mid(1));
        QCOMPARE(
            describePagesByEngine(*engine.pagesByEngine()),
            QString(
                "1 page by the fast engine, 13 by the browser engine (unknown script 2, refresh 2, "
                "undeclared encoding 1, unsupported encoding 1, file name not UTF-8 1, too many "
                "attributes 1, nesting too deep 1, text at a form's end 1, XHTML not well-formed "
                "or not modelled 1, saved-page archive not modelled 1, content-visibility: auto "
                "1)"));
        PagesByEngine before = *engine.pagesByEngine();
        load(*loader, pages[1]);
        QCOMPARE(describePagesByEngine(pagesTakenSince(before, *engine.pagesByEngine())),
                 QString("0 pages by the fast engine, 1 by the browser engine (unknown script 1)"));
        QCOMPARE(::unlink(encodeFileName(pages[7]).constData()), 0);
    }

    // A page whose scripts are all known ones goes to the fast engine; a known script changed
    // by one byte, one that is not a regular file or not there, and an unknown one send their
    // page to the browser; the engine counts the pages each took.
    void autoTakesPagesWhoseScriptsAreKnown()
    {
        AutoEngine engine(m_browser);
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        // Sphinx's documentation_options.js as python3.11-doc 3.11.2 ships it.
        const QByteArray options =
            "var DOCUMENTATION_OPTIONS = {\n"
            "    URL_ROOT: "
            "document.getElementById(\"documentation_options\").getAttribute('data-url_root'),\n"
            "    VERSION: '3.11.2',\n    LANGUAGE: 'en',\n    COLLAPSE_INDEX: false,\n"
            "    BUILDER: 'html',\n    FILE_SUFFIX: '.html',\n    LINK_SUFFIX: '.html',\n"
            "    HAS_SOURCE: true,\n    SOURCELINK_SUFFIX: '.txt',\n    NAVIGATION_WITH_KEYS: "
            "false,\n"
            "    SHOW_SEARCH_SUMMARY: true,\n    ENABLE_SEARCH_SHORTCUTS: true,\n};";
        page("options.js", options);
        page("changed.js", QByteArray(options).replace("3.11.2", "3.11.3"));
        QVERIFY(QDir(m_dir.path()).mkpath("folder.js"));
        const QString known = page("known.html",
                                   "<script id=documentation_options src=options.js></script>"
                                   "<p>a <button onclick=f()>b</button>");
        QCOMPARE(load(*loader, known).textOrReason, QString("a b"));
        QVERIFY(m_browser.loads.isEmpty());

        const QString changed = page("changed.html", "<script src=changed.js></script><p>a");
        const QString folder = page("script-folder.html", "<script src=folder.js></script><p>a");
        const QString missing = page("missing-script.html", "<script src=missing.js></script><p>a");
        const QString unknown = page("unknown.html",
                                     "<script src=options.js></script><script>var a;</script><p>a");
        const QString onLoad = page("onload.html",
                                    "<script src=options.js></script><body onload=f()><p>a");
        // Known scripts are verified where relative URLs start from the page itself.
        const QString elsewhere = page(
            "base-elsewhere.html", "<base href=folder.js/><script src=../options.js></script><p>a");
        const QString itself = page(
            "base-itself.html", "<base href=base-itself.html><script src=options.js></script><p>a");
        QCOMPARE(load(*loader, itself).textOrReason, QString("a"));
        for (const QString &path : {changed, folder, missing, unknown, onLoad, elsewhere})
            QCOMPARE(load(*loader, path).textOrReason, "browser: " + QFileInfo(path).fileName());
        QCOMPARE(m_browser.loads,
                 (QStringList{changed, folder, missing, unknown, onLoad, elsewhere}));
        // What --stats tells of the run.
        QCOMPARE(engine.pagesByEngine()->fast, 2);
        QCOMPARE(engine.pagesByEngine()->browser, 6);
        // A known script changed in place, its size and modification time kept, is read again:
        // its change time tells.
        const QByteArray optionsPath = encodeFileName(m_dir.filePath("options.js"));
        struct stat before
        {
        };
        QCOMPARE(::stat(optionsPath.constData(), &before), 0);
        page("options.js", QByteArray(options).replace("3.11.2", "3.11.9"));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, optionsPath.constData(), times, 0), 0);
        QCOMPARE(load(*loader, known).textOrReason, QString("browser: known.html"));
    }

    // A redirect page as rustdoc writes it for an item's old name: its text is its target's,
    // followed through another redirect page as the browser follows it; a loop, a chain longer
    // than the browser is followed for here, a target that is missing, runs an unknown script,
    // or names a fragment send the page to the browser, as does the script without its refresh.
    void autoFollowsRustdocRedirectPages()
    {
        const auto redirect = [this](const QString &name, const QByteArray &target) {
            return page(
                name,
                "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                "    <meta http-equiv=\"refresh\" content=\"0;URL="
                    + target
                    + "\">\n"
                      "    <title>Redirection</title>\n</head>\n<body>\n"
                      "    <p>Redirecting to <a href=\""
                    + target + "\">" + target
                    + "</a>...</p>\n"
                      "    <script>location.replace(\""
                    + target
                    + "\" + location.search + location.hash);</script>\n</body>\n</html>\n");
        };
        AutoEngine engine(m_browser);
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        QVERIFY(QDir(m_dir.path()).mkpath("items"));
        page("items/target.html", "<p>Target</p>");
        page("script-target.html", "<p>a</p><script>document.write('b')</script>");
        const QString followed = redirect("followed.html", "items/target.html");
        const QString twice = redirect("items/twice.html", "../followed.html");
        QCOMPARE(load(*loader, followed).textOrReason, QString("Target"));
        QCOMPARE(load(*loader, twice).textOrReason, QString("Target"));
        QVERIFY(m_browser.loads.isEmpty());

        const QString loop = redirect("loop-a.html", "loop-b.html");
        redirect("loop-b.html", "loop-a.html");
        QString chain = redirect("chain-0.html", "chain-1.html");
        for (int hop = 1; hop < 5; ++hop)
            redirect(QString("chain-%1.html").arg(hop),
                     QString("chain-%1.html").arg(hop + 1).toUtf8());
        page("chain-5.html", "<p>End</p>");
        const QString missing = redirect("to-missing.html", "gone.html");
        const QString unknown = redirect("unknown.html", "script-target.html");
        const QString fragment = redirect("fragment.html", "items/target.html#top");
        // Its script alone, without the refresh, is no redirect page known here.
        const QString scriptOnly = page("script-only.html",
                                        "<p>a</p><script>location.replace(\"items/target.html\""
                                        " + location.search + location.hash);</script>");
        for (const QString &path : {loop, chain, missing, unknown, fragment, scriptOnly})
            QCOMPARE(load(*loader, path).textOrReason, "browser: " + QFileInfo(path).fileName());
        QCOMPARE(m_browser.loads,
                 (QStringList{loop, chain, missing, unknown, fragment, scriptOnly}));
        QCOMPARE(engine.pagesByEngine()->fast, 2);
    }

    // A Doxygen page with its navigation tree, as tests/fetch_generator_pages.sh unpacks it (the
    // folder named by QUILLMERE_DOXYGEN_PAGES, else skipped): taken by the fast engine as it
    // is, and by the browser once navtree.js is changed by one byte, a file of the tree's data
    // is not data or is missing.
    void autoSendsDoxygenPagesWithChangedTreeFilesToTheBrowser()
    {
        const QString pages = qEnvironmentVariable("QUILLMERE_DOXYGEN_PAGES");
        if (pages.isEmpty())
            QSKIP("QUILLMERE_DOXYGEN_PAGES names no folder of Doxygen pages");
        const QDir source(pages);
        const QString folder = m_dir.filePath("doxygen");
        QVERIFY(QDir().mkpath(folder));
        const QStringList files = source.entryList({"*.js", "*.css", "a00026.html"}, QDir::Files);
        QVERIFY(files.contains("navtree.js") && files.contains("a00026.js"));
        for (const QString &name : files)
            QVERIFY(QFile::copy(source.filePath(name), folder + '/' + name));
        const auto readFile = [&folder](const QString &name) {
            return fileContents(folder + '/' + name);
        };
        const QByteArray html = readFile("a00026.html");
        const QByteArray navtree = readFile("navtree.js");
        const QByteArray list = readFile("a00026.js");

        AutoEngine engine(m_browser);
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        const QString known = page("doxygen/a00026.html", html);
        QVERIFY(load(*loader, known).textOrReason.contains("\u25BCFile List\n"));
        QVERIFY(m_browser.loads.isEmpty());

        QByteArray changed = navtree;
        changed[changed.indexOf("arrowDown = '") + 13] = 'x';
        page("doxygen/navtree.js", changed);
        QCOMPARE(load(*loader, known).textOrReason, QString("browser: doxygen/a00026.html"));
        page("doxygen/navtree.js", navtree);
        page("doxygen/a00026.js", QByteArray(list).replace("null ]", "f() ]"));
        QCOMPARE(load(*loader, known).textOrReason, QString("browser: doxygen/a00026.html"));
        QVERIFY(QFile::remove(folder + "/a00026.js"));
        QCOMPARE(load(*loader, known).textOrReason, QString("browser: doxygen/a00026.html"));
        page("doxygen/a00026.js", list);
        QVERIFY(!load(*loader, known).textOrReason.startsWith("browser: "));
        QCOMPARE(m_browser.loads.size(), 3);
    }

    // A rustdoc item page as tests/fetch_generator_pages.sh unpacks it (below the folder named by
    // QUILLMERE_RUSTDOC_PAGES, else skipped): taken by the fast engine, its sidebar listing the
    // module's items, and by the browser once main.js is changed by one byte, the items' file is
    // not data, main.js comes before it, or the theme is not the one storage.js picks.
    void autoSendsRustdocPagesWithChangedScriptsToTheBrowser()
    {
        const QString pages = qEnvironmentVariable("QUILLMERE_RUSTDOC_PAGES");
        if (pages.isEmpty())
            QSKIP("QUILLMERE_RUSTDOC_PAGES names no folder of rustdoc pages");
        const QString folder = m_dir.filePath("rustdoc");
        QVERIFY(QDir().mkpath(folder + "/std/fs"));
        const QDir source(pages);
        for (const QString &name :
             source.entryList({"*.css", "storage1.63.0.js", "main1.63.0.js"}, QDir::Files))
            QVERIFY(QFile::copy(source.filePath(name), folder + '/' + name));
        for (const char *name : {"std/fs/struct.File.html", "std/fs/sidebar-items1.63.0.js"})
            QVERIFY(QFile::copy(source.filePath(name), folder + '/' + name));
        const auto readFile = [&folder](const QString &name) {
            return fileContents(folder + '/' + name);
        };
        const QByteArray html = readFile("std/fs/struct.File.html");
        const QByteArray main = readFile("main1.63.0.js");
        const QByteArray items = readFile("std/fs/sidebar-items1.63.0.js");
        QVERIFY(!main.isEmpty() && !items.isEmpty());

        AutoEngine engine(m_browser);
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        const QString known = page("rustdoc/std/fs/struct.File.html", html);
        const QString browser("browser: rustdoc/std/fs/struct.File.html");
        QVERIFY(
            load(*loader, known).textOrReason.contains("\nStructs\nDirBuilder\nDirEntry\nFile\n"));
        QVERIFY(m_browser.loads.isEmpty());

        QByteArray changed = main;
        changed[changed.indexOf("Type Definitions")] = 't';
        page("rustdoc/main1.63.0.js", changed);
        QCOMPARE(load(*loader, known).textOrReason, browser);
        page("rustdoc/main1.63.0.js", main);
        page("rustdoc/std/fs/sidebar-items1.63.0.js", items + "window.SIDEBAR_ITEMS.fn = f();");
        QCOMPARE(load(*loader, known).textOrReason, browser);
        // A lone half of a surrogate pair comes out as the browser hands its text over: in
        // UTF-8, as the three bytes of its code point, read back as three U+FFFD.
        page("rustdoc/std/fs/sidebar-items1.63.0.js",
             QByteArray(items).replace("\"File\"", "\"Fi\\uD800le\""));
        QVERIFY(load(*loader, known).textOrReason.contains("\nDirEntry\nFi\uFFFD\uFFFD\uFFFDle\n"));
        page("rustdoc/std/fs/sidebar-items1.63.0.js", items);
        const QByteArray itemsScript = "<script defer src=\"sidebar-items1.63.0.js\"></script>";
        QVERIFY(html.contains(itemsScript));
        page("rustdoc/std/fs/struct.File.html",
             QByteArray(html).replace(itemsScript, "").replace("</body>", itemsScript + "</body>"));
        QCOMPARE(load(*loader, known).textOrReason, browser);
        page("rustdoc/std/fs/struct.File.html",
             QByteArray(html).replace("light1.63.0.css\" id", "dark1.63.0.css\" id"));
        QCOMPARE(load(*loader, known).textOrReason, browser);
        page("rustdoc/std/fs/struct.File.html", html);
        QVERIFY(!load(*loader, known).textOrReason.startsWith("browser: "));
        QCOMPARE(m_browser.loads.size(), 4);
    }

    // Under the fast engine alone a page's scripts are not run, and no browser is needed.
    void fastGivesTheTextWithoutRunningScripts()
    {
        FastEngine engine;
        const std::unique_ptr<PageLoader> loader = engine.createLoader();
        const QString script = page("script.html",
                                    "<p>a</p><script>document.write('b')</script><p>c</p>");
        QCOMPARE(load(*loader, script).textOrReason, QString("a\n\nc"));
    }

    // Files that cannot be read as pages are reported with a reason, and a pipe is never waited
    // on.
    void reportsWhatItCannotRead()
    {
        FastPageLoader loader;
        const QString pipe = m_dir.filePath("pipe.html");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(QDir().mkpath(m_dir.filePath("folder.html")));
        QCOMPARE(load(loader, m_dir.filePath("missing.html")).textOrReason,
                 QString("No such file or directory"));
        QCOMPARE(load(loader, m_dir.filePath("folder.html")).textOrReason,
                 QString("It is not a file"));
        QCOMPARE(load(loader, pipe).textOrReason, QString("It is not a file"));
        QCOMPARE(load(loader, QString()).textOrReason, QString("No file name was given"));
        // A page too large to parse in memory is never read whole; under auto the browser
        // engine takes it.
        QFile huge(page("huge.html", "<p>"));
        QVERIFY(huge.resize(33 * 1024 * 1024));
        QCOMPARE(load(loader, huge.fileName()).textOrReason,
                 QString("It is larger than the fast engine reads (32 MB)"));
        AutoEngine engine(m_browser);
        QCOMPARE(load(*engine.createLoader(), huge.fileName()).textOrReason,
                 QString("browser: huge.html"));
        QCOMPARE(engine.pagesByEngine()->browserByReason[size_t(BrowserReason::TooLarge)], 1);
        // A link is followed to the page it names.
        const QString target = page("target.html", "<p>linked");
        QVERIFY(QFile::link(target, m_dir.filePath("link.html")));
        QCOMPARE(load(loader, m_dir.filePath("link.html")).textOrReason, QString("linked"));
    }

    // A page given up on stops being computed at once, and a loader that goes away stops its
    // page too; under auto a page the fast engine takes too long over goes to the browser.
    void stopsAPageGivenUpOn()
    {
        const QString endless = endlessPage("endless.html");
        {
            FastPageLoader loader;
            loader.load(endless);
            QTest::qWait(300);
            QVERIFY(!poolFreeWithin(0));
            loader.abandon();
            QVERIFY(poolFreeWithin(2000));
            loader.load(endless);
            QTest::qWait(300);
        }
        QVERIFY(poolFreeWithin(2000));

        AutoPageLoader autoLoader([this] { return m_browser.createLoader(); }, 0.5);
        const auto pages = std::make_shared<PagesByEngine>();
        autoLoader.countPagesIn(pages);
        QCOMPARE(load(autoLoader, endless).textOrReason, QString("browser: endless.html"));
        QCOMPARE(pages->browserByReason[size_t(BrowserReason::TimeBound)], 1);
        QVERIFY(poolFreeWithin(2000));
    }

    // A run with pages that never end under the fast engine finishes once their time is up,
    // with every other page converted.
    void finishesARunWithEndlessPages()
    {
        QStringList pages;
        for (const char *name : {"a.html", "b.html", "c.html", "d.html"})
            pages += page(name, QByteArray("<p>") + name);
        pages.insert(1, endlessPage("endless1.html"));
        pages.insert(4, endlessPage("endless2.html"));
        FastEngine engine;
        QtTextFileWriter writer;
        TextFilesBesideInputs textFiles(writer);
        QtMessagePump pump;
        SystemClock clock;
        ConversionRun run(engine, textFiles, pump, clock);
        run.setPageTimeLimit(1);
        FakeObserver observer;
        const ConversionReport report = run.run(FixedItems(pages), observer);
        QCOMPARE(report.failures().size(), 2);
        for (const char *name : {"a", "b", "c", "d"}) {
            QFile text(m_dir.filePath(QString(name) + ".txt"));
            QVERIFY(text.open(QIODevice::ReadOnly));
            QCOMPARE(text.readAll(), QByteArray(name) + ".html");
        }
        QVERIFY(poolFreeWithin(2000));
    }

    // A page given up on says nothing when its text comes late; the next page is answered.
    void dropsTheResultOfAnAbandonedPage()
    {
        FastPageLoader loader;
        const QString first = page("first.html", "<p>first");
        const QString second = page("second.html", "<p>second");
        QSignalSpy loaded(&loader, &PageLoader::pageLoaded);
        loader.load(first);
        loader.abandon();
        QCOMPARE(load(loader, second).textOrReason, QString("second"));
        QTest::qWait(50);
        QCOMPARE(loaded.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFastLoader)
#include "tst_fastloader.moc"
