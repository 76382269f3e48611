// Files of every type a browser opens from disk: XHTML, pages saved as one file, pages without
// a known extension, and files that are no pages, through the browser engine, the fast engine
// and a whole run, with the browser engine's text as the reference.

#include "FakePlatform.h"
#include "TestFiles.h"

#include "convert/ConversionRun.h"
#include "convert/RunItems.h"
#include "convert/TextFilesBesideInputs.h"
#include "engine/auto/AutoEngine.h"
#include "engine/browser/BrowserEngine.h"
#include "engine/browser/BrowserPageLoader.h"
#include "engine/browser/RenderEngineSetup.h"
#include "engine/fast/FastPage.h"
#include "platform/QtMessagePump.h"
#include "platform/QtTextFileWriter.h"
#include "platform/SystemClock.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

// HTML's parser would read "<title/>" as the start of a title that swallows the rest of the
// document, and the CDATA section as a comment.
const QByteArray xhtml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\""
                         " \"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
                         "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title/>"
                         "<style>.hidden { display: none }</style></head>\n"
                         "<body><p>hello <![CDATA[cdata-text]]> world&nbsp;&#233;</p><textarea/>"
                         "<p>after textarea</p><p class=\"hidden\">hidden</p></body></html>\n";
const QString xhtmlText = QStringLiteral("hello cdata-text world\u00a0é\n\nafter textarea");

struct Part
{
    QByteArray headers;
    QByteArray body;
};

QByteArray oneFileArchive(const QList<Part> &parts);

// A page saved as one file, as a browser saves it: the page in quoted-printable, in the charset
// its part declares, a style sheet in base64 and a frame, each by the URL it was saved from.
QByteArray savedPage()
{
    const QByteArray page =
        "<!DOCTYPE html><html><head><title>Saved</title>"
        "<link rel=\"stylesheet\" href=\"https://example.org/site/style.css?v=1&amp;x=2\">"
        "<link rel=\"stylesheet\" href=\"more.css\"></head><body><h1>Caf\xe9 saved</h1>"
        "<p class=\"hidden\">hidden by the archive's sheet</p><p class=\"more\">and by the next "
        "one</p>"
        "<iframe src=\"cid:frame-1@mhtml.blink\"></iframe><p>after the frame</p></body></html>";
    const QList<Part> parts{
        {"Content-Type: text/html; charset=iso-8859-1\r\nContent-ID: <frame-0@mhtml.blink>\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n"
         "Content-Location: https://example.org/site/page.html\r\n",
         page.left(60).replace("=", "=3D") + "=\r\n"
             + page.mid(60).replace("=", "=3D").replace("\xe9", "=E9")},
        {"Content-Type: text/css\r\nContent-Transfer-Encoding: base64\r\n"
         "Content-Location: https://example.org/site/style.css?v=1&x=2\r\n",
         QByteArray(".hidden { display: none } h1 { text-transform: uppercase }").toBase64()},
        {"Content-Type: text/css\r\nContent-Location: https://example.org/site/more.css\r\n",
         ".more { display: none }"},
        {"Content-Type: text/html\r\nContent-ID: <frame-1@mhtml.blink>\r\n"
         "Content-Location: cid:frame-1@mhtml.blink\r\n",
         "<p>inside the frame</p>"},
    };
    return oneFileArchive(parts);
}

// A page saved as one file whose page asks for a style sheet and a frame outside the archive by
// their file: URLs. Both files exist, but a saved page shows only what it holds.
QByteArray pageReachingOutside(const QString &hidingSheet, const QString &secretPage)
{
    const QByteArray page = "<html><head><link rel=\"stylesheet\" href=\""
        + QUrl::fromLocalFile(hidingSheet).toEncoded()
        + "\"></head><body><p class=\"x\">not hidden</p><iframe src=\""
        + QUrl::fromLocalFile(secretPage).toEncoded() + "\"></iframe><p>end</p></body></html>";
    return oneFileArchive({{"Content-Type: text/html\r\nContent-ID: <frame-0@mhtml.blink>\r\n"
                            "Content-Location: file:///saved/page.html\r\n",
                            page}});
}

QByteArray oneFileArchive(const QList<Part> &parts)
{
    const QByteArray boundary = "----MultipartBoundary--a1b2c3----";
    QByteArray archive =
        "From: <Saved by Blink>\r\nSubject: Saved\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n\tboundary=\""
        + boundary + "\"\r\n\r\n";
    for (const Part &part : parts)
        archive += "\r\n--" + boundary + "\r\n" + part.headers + "\r\n" + part.body;
    return archive + "\r\n--" + boundary + "--\r\n";
}

const QString handbook = QStringLiteral("/usr/share/doc/debian-handbook/html/en-US");

} // namespace

class FileTypesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    BrowserPageLoader m_loader;
    QtMessagePump m_pump;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        return writeTestFile(m_dir.filePath(name), content);
    }

    // The browser engine's text; a null string when the page failed or never answered.
    QString browserText(const QString &path)
    {
        QString text;
        bool done = false;
        const QMetaObject::Connection loaded = connect(&m_loader, &PageLoader::pageLoaded, this,
                                                       [&](const QString &t) {
            text = t, done = true;
        });
        const QMetaObject::Connection failed = connect(&m_loader, &PageLoader::pageFailed, this,
                                                       [&](const QString &) { done = true; });
        m_loader.load(path);
        const QDeadlineTimer deadline(20'000);
        while (!done && !deadline.hasExpired())
            m_pump.processPendingOrWait(10);
        disconnect(loaded);
        disconnect(failed);
        return text;
    }

    // Saves what a browser shows at a URL as one file (MHTML), as a user would.
    QString saveAsOneFile(const QUrl &url, const QString &name)
    {
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        bool saved = false;
        connect(&profile, &QWebEngineProfile::downloadRequested, this,
                [&saved](QWebEngineDownloadRequest *download) {
            connect(download, &QWebEngineDownloadRequest::isFinishedChanged, download,
                    [&saved] { saved = true; });
            download->accept();
        });
        bool loaded = false;
        connect(&page, &QWebEnginePage::loadFinished, this, [&loaded](bool) { loaded = true; });
        page.load(url);
        QDeadlineTimer deadline(20'000);
        while (!loaded && !deadline.hasExpired())
            m_pump.processPendingOrWait(10);
        page.save(m_dir.filePath(name), QWebEngineDownloadRequest::MimeHtmlSaveFormat);
        while (!saved && !deadline.hasExpired())
            m_pump.processPendingOrWait(10);
        return m_dir.filePath(name);
    }

private slots:
    // Both engines give each page the same text, the fast engine for sure (it needs no browser
    // for any of them).
    void bothEnginesReadEachKindOfPage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::newRow("XHTML") << "chapter.xhtml" << xhtml << xhtmlText;
        QTest::newRow("XML with an XHTML root") << "chapter.xml" << xhtml << xhtmlText;
        QTest::newRow("XHTML without a name") << "chapter" << xhtml << xhtmlText;
        QTest::newRow("HTML without a name")
            << "index" << QByteArray("<!DOCTYPE html><p>a page") << "a page";
        QTest::newRow("HTML of an unknown type")
            << "page.bak" << QByteArray("\n<HTML><p>backed up") << "backed up";
        QTest::newRow("saved as one file")
            << "saved.mht" << savedPage() << "CAFÉ SAVED\n\nafter the frame";
        QTest::newRow("saved as one file, reaching outside")
            << "outside.mht"
            << pageReachingOutside(writeFile("hide.css", ".x { display: none }"),
                                   writeFile("secret.html", "<p>secret</p>"))
            << "not hidden\n\nend";
    }

    void bothEnginesReadEachKindOfPage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        const QString path = writeFile(name, content);
        QCOMPARE(browserText(path), text);
        const FastPage page(content, path);
        QCOMPARE(page.bodyText(), text);
        QVERIFY(page.isExact());
    }

    // A real documentation page saved by the browser engine itself, alone and inside a frame of
    // a page made here, gives the same text in both engines; the archive's own file: parts are
    // not taken, by either.
    void pagesSavedByTheBrowserAgree()
    {
        const QString frames = writeFile("frames.html",
                                         "<!DOCTYPE html><h1>Framed</h1><iframe src=\"file://"
                                             + handbook.toUtf8()
                                             + "/foreword.html\"></iframe><p>below the frame");
        const QStringList saved{
            saveAsOneFile(QUrl::fromLocalFile(handbook + "/foreword.html"), "foreword.mhtml"),
            saveAsOneFile(QUrl::fromLocalFile(frames), "frames.mhtml")};
        QVERIFY(fileContents(saved[1]).contains("Content-Location: file://" + handbook.toUtf8()
                                                + "/foreword.html"));
        for (const QString &path : saved) {
            const QString browser = browserText(path);
            QVERIFY2(browser.size() > 10, qPrintable(path));
            const FastPage page(fileContents(path), path);
            QCOMPARE(page.bodyText(), browser);
            QVERIFY(page.isExact());
        }
        QCOMPARE(browserText(saved[1]), "Framed\n\nbelow the frame");
    }

    // XHTML that is not well-formed gets the browser's text: the fast engine cannot tell what the
    // browser makes of it, so it is no page for the fast engine.
    void xhtmlThatIsNotWellFormedIsLeftToTheBrowser()
    {
        const QByteArray broken =
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>open</body></html>";
        QVERIFY(!FastPage(broken, writeFile("broken.xhtml", broken)).isExact());
    }

    // What the fast engine cannot be sure of is left to the browser, and hostile archives and
    // documents are read in bounded work: an archive's parts are decoded from their own
    // encodings and charsets alone.
    void fastEngineKnowsWhatItCannotMatch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("exact");
        const QByteArray xhtmlStart = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>";
        QTest::newRow("entity of its own")
            << "own.xhtml"
            << "<!DOCTYPE html [<!ENTITY me \"mine\">]>" + xhtmlStart + "<p>&me;</p></body></html>"
            << "" << false;
        QTest::newRow("HTML entity without XHTML's document type")
            << "bare.xhtml" << xhtmlStart + "<p>a&nbsp;b</p></body></html>"
            << "ab" << false;
        QTest::newRow("XML style sheet")
            << "styled.xhtml"
            << "<?xml-stylesheet href=\"a.css\"?>" + xhtmlStart + "<p>p</p></body></html>"
            << "p" << false;
        QTest::newRow("element of another namespace")
            << "mixed.xhtml" << xhtmlStart + "<x:note xmlns:x=\"urn:x\">note</x:note></body></html>"
            << "note" << false;
        QTest::newRow("nested beyond the parser's bound")
            << "deep.xhtml" << xhtmlStart + QByteArray(100'000 * 5, 'x').replace("xxxxx", "<div>")
            << "" << false;
        const QByteArray archiveStart = "Content-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
                                        "Content-Type: text/html; charset=utf-8\r\n";
        QTest::newRow("archive in base64")
            << "a.mht"
            << archiveStart + "Content-Transfer-Encoding: base64\r\n\r\n"
                + QByteArray("<p>Gr\xc3\xbc\xc3\x9f</p>").toBase64() + "\r\n--b--\r\n"
            << "Grüß" << true;
        QTest::newRow("style sheet by a content ID") << "cid.mht"
                                                     << archiveStart
                + "\r\n<link rel=stylesheet href=cid:s><p>p\r\n--b\r\n"
                  "Content-Type: text/css\r\nContent-Location: "
                  "cid:s\r\n\r\np{display:none}\r\n--b--"
                                                     << "p" << false;
        QTest::newRow("style sheet saved from disk, not taken") << "disk.mht"
                                                                << archiveStart
                + "Content-Location: file:///site/a.html\r\n\r\n"
                  "<!DOCTYPE html><link rel=stylesheet href=a.css><p>shown\r\n--b\r\n"
                  "Content-Type: text/css\r\nContent-Location: file:///site/a.css\r\n\r\n"
                  "p{display:none}\r\n--b--"
                                                                << "shown" << true;
        // Read as the browser engine reads archives: lines end in CR LF, an archive not closed
        // holds nothing, and an 8bit part's lines are joined, each cut to its UTF-16 length.
        const QByteArray archive = archiveStart
            + "Content-Transfer-Encoding: 8bit\r\n\r\n"
              "<pre>one\r\ntwo</pre><p>K\xc3\xb6ln\r\n--b--\r\n";
        QTest::newRow("archive of lines in CR LF")
            << "crlf.mht" << archive << "onetwo\n\nK\xc3\xb6l" << true;
        QTest::newRow("archive of lines in LF")
            << "lf.mht" << QByteArray(archive).replace("\r\n", "\n") << "" << false;
        QTest::newRow("archive not closed") << "open.mht" << archive.chopped(7) << "" << false;
        QTest::newRow("no archive") << "plain.mht" << QByteArray("<p>not MIME") << "" << false;
        QByteArray manyParts = "Content-Type: multipart/related; boundary=b\r\n\r\n";
        for (int i = 0; i < 50'000; ++i)
            manyParts += "--b\r\nContent-Type: text/css\r\nContent-Location: http://x/"
                + QByteArray::number(i) + ".css\r\n\r\np{}\r\n";
        QTest::newRow("parts beyond the archive's bound") << "many.mht" << manyParts << "" << false;
    }

    void fastEngineKnowsWhatItCannotMatch()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const FastPage page(content, m_dir.filePath(name));
        QTEST(page.bodyText(), "text");
        QTEST(page.isExact(), "exact");
    }

    // A run over a folder of every kind: pages get the browser's text, whichever engine gives
    // it; the rest are left out, with nothing written beside them, and counted on one line.
    void theRunConvertsPagesAndLeavesOutTheRest()
    {
        QTemporaryDir folder;
        auto file = [&folder](const QString &name, const QByteArray &content) {
            return writeTestFile(folder.filePath(name), content);
        };
        const QStringList pages{
            file("chapter.xhtml", xhtml), file("saved.mhtml", savedPage()),
            file("index", "<p>a page"),
            file("broken.xhtml",
                 "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>open</body></html>")};
        const QStringList notPages{
            file("py.png", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)),
            file("jquery.js", "document.write('<p>script')"), file("basic.css", "p { color: red }"),
            file("logo.svg", "<svg xmlns='http://www.w3.org/2000/svg'><text>logo</text></svg>")};
        BrowserEngine browser;
        AutoEngine engine(browser);
        SystemClock clock;
        QtTextFileWriter writer;
        TextFilesBesideInputs textFiles(writer);
        ConversionRun run(engine, textFiles, m_pump, clock);
        FakeObserver observer;
        const ConversionReport report = run.run(FixedItems(pages + notPages), observer);

        for (const QString &page : pages) {
            const QString text = QFileInfo(page).path() + u'/' + QFileInfo(page).completeBaseName()
                + ".txt";
            QCOMPARE(QString::fromUtf8(fileContents(text)), browserText(page));
        }
        QCOMPARE(fileContents(folder.filePath("chapter.txt")), xhtmlText.toUtf8());
        QCOMPARE(
            QDir(folder.path()).entryList({"py.*", "jquery.*", "basic.*", "logo.*"}, QDir::Files),
            (QStringList{"basic.css", "jquery.js", "logo.svg", "py.png"}));
        QCOMPARE(report.count(ItemOutcome::Result::Converted), 4);
        QCOMPARE(report.items[4].reason, "not a web page (image/png)");
        QCOMPARE(report.items[7].reason, "not a web page (image/svg+xml)");
        QCOMPARE(doneMessage(report.failures(), report.count(ItemOutcome::Result::Skipped),
                             report.count(ItemOutcome::Result::NotAPage)),
                 "Done.\n\n4 files were left out: they are not web pages.");
    }
};

int main(int argc, char *argv[])
{
    prepareRenderEngine();
    QApplication app(argc, argv);
    FileTypesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filetypes.moc"
