// What a browser takes each file for when it opens it from disk: by its extension, else by its
// first bytes; only HTML, XHTML and saved single-file pages are pages.

#include "engine/PageType.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
const QByteArray xhtml =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE html>\n<!-- a comment -->\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title/></head></html>";

} // namespace

class TestPageType : public QObject
{
    Q_OBJECT

private slots:
    void byExtensionThenByContent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("mimeType");
        const int html = int(PageKind::Html), x = int(PageKind::Xhtml), m = int(PageKind::Mhtml),
                  none = int(PageKind::NotAPage);
        // The extension decides, whatever the bytes say.
        QTest::newRow("html") << "/d/a.html" << png << html << QByteArray("text/html");
        QTest::newRow("upper case")
            << "/d/A.HTM" << QByteArray() << html << QByteArray("text/html");
        QTest::newRow("shtml") << "/d/a.shtml" << QByteArray() << html << QByteArray("text/html");
        QTest::newRow("xhtml") << "/d/a.xhtml" << QByteArray("<p>") << x
                               << QByteArray("application/xhtml+xml");
        QTest::newRow("xht") << "/d/a.xht" << QByteArray() << x
                             << QByteArray("application/xhtml+xml");
        QTest::newRow("mht") << "/d/a.mht" << QByteArray() << m << QByteArray("multipart/related");
        QTest::newRow("mhtml") << "/d/a.mhtml" << QByteArray() << m
                               << QByteArray("multipart/related");
        QTest::newRow("png") << "/html/py.png" << png << none << QByteArray("image/png");
        QTest::newRow("svg") << "/html/py.svg" << QByteArray("<svg>") << none
                             << QByteArray("image/svg+xml");
        QTest::newRow("script") << "/html/jquery.js" << QByteArray("<!-- x") << none
                                << QByteArray("text/javascript");
        QTest::newRow("style sheet")
            << "/html/a.css" << QByteArray("<p>") << none << QByteArray("text/css");
        QTest::newRow("json") << "/html/doc-index.json" << QByteArray("[]") << none
                              << QByteArray("application/json");
        QTest::newRow("font") << "/html/a.woff2" << QByteArray() << none
                              << QByteArray("font/woff2");
        QTest::newRow("plain text holding HTML")
            << "/html/a.txt" << QByteArray("<html>") << none << QByteArray("text/plain");
        QTest::newRow("pdf") << "/html/a.pdf" << QByteArray() << none
                             << QByteArray("application/pdf");
        // XML is a page only with an XHTML root.
        QTest::newRow("xml with an XHTML root")
            << "/d/a.xml" << xhtml << x << QByteArray("application/xhtml+xml");
        QTest::newRow("prefixed XHTML root")
            << "/d/a.xml" << QByteArray("<h:html xmlns:h='http://www.w3.org/1999/xhtml'>") << x
            << QByteArray("application/xhtml+xml");
        QTest::newRow("root in another namespace")
            << "/d/a.xml" << QByteArray("<html xmlns='urn:other'>") << none
            << QByteArray("text/xml");
        QTest::newRow("other XML root") << "/d/feed.xml" << QByteArray("<?xml version='1.0'?><rss>")
                                        << none << QByteArray("text/xml");
        // An unknown extension or none: the first bytes decide.
        QTest::newRow("page without a name")
            << "/d/index" << QByteArray("\n  <!DOCTYPE html>") << html << QByteArray("text/html");
        QTest::newRow("backup of a page")
            << "/d/page.bak" << QByteArray("<HTML>") << html << QByteArray("text/html");
        QTest::newRow("comment first")
            << "/d/.hidden" << QByteArray("<!-- a -->") << html << QByteArray("text/html");
        QTest::newRow("a tag it does not know")
            << "/d/page.bak" << QByteArray("<meta charset=utf-8>") << none
            << QByteArray("text/plain");
        QTest::newRow("tag cut short")
            << "/d/index" << QByteArray("<p") << none << QByteArray("text/plain");
        QTest::newRow("sniffed XHTML")
            << "/d/chapter" << xhtml << x << QByteArray("application/xhtml+xml");
        QTest::newRow("sniffed PNG") << "/d/picture" << png << none << QByteArray("image/png");
        QTest::newRow("sniffed PDF")
            << "/d/paper.1" << QByteArray("%PDF-1.4") << none << QByteArray("application/pdf");
        QTest::newRow("binary") << "/d/objects.inv" << QByteArray("zlib\x01\x02", 6) << none
                                << QByteArray("application/octet-stream");
        QTest::newRow("text") << "/d/README" << QByteArray("Read me <p>") << none
                              << QByteArray("text/plain");
        QTest::newRow("empty") << "/d/empty" << QByteArray() << none << QByteArray("text/plain");
    }

    void byExtensionThenByContent()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, head);
        QFETCH(int, kind);
        QFETCH(QByteArray, mimeType);
        const FileType type = fileTypeOf(path, head);
        QCOMPARE(int(type.kind), kind);
        QCOMPARE(type.mimeType, mimeType);
    }

    // The file's own head is read; what is not a regular file is not read at all.
    void readsTheFileItself()
    {
        QTemporaryDir dir;
        QFile page(dir.filePath("index"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<!DOCTYPE html>" + QByteArray(5000, ' '));
        page.close();
        QCOMPARE(fileTypeOfFile(page.fileName()).kind, PageKind::Html);
        QFile picture(dir.filePath("picture"));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.write(png);
        picture.close();
        QCOMPARE(fileTypeOfFile(picture.fileName()).mimeType, QByteArray("image/png"));
        const QString pipe = dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe), 0600), 0); // reading would wait for a writer
        QVERIFY(fileTypeOfFile(pipe).isPage());
        QVERIFY(fileTypeOfFile(dir.filePath("missing")).isPage());
    }
};

QTEST_GUILESS_MAIN(TestPageType)
#include "tst_pagetype.moc"
