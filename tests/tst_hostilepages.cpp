// Pages built to crash or stall the fast engine: each must come out as the browser's text, and
// within a bound far above its time even in a sanitizer build, so that work that grows faster
// than the page fails the test by name (a page that never ends fails by the test's time-out).

#include "engine/PageCancellation.h"
#include "engine/fast/FastPage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class HostilePagesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QElapsedTimer m_pageTime;

    QString textOf(const QByteArray &html)
    {
        return FastPage(html, m_dir.filePath(QStringLiteral("page.html"))).bodyText();
    }

private slots:
    void init() { m_pageTime.start(); }

    void cleanup()
    {
        // The slowest page (100,000 rules) takes seconds in a Debug build on busy cores.
        constexpr qint64 boundMs = 60'000;
        QVERIFY2(m_pageTime.elapsed() < boundMs,
                 qPrintable(QStringLiteral("took %1 ms").arg(m_pageTime.elapsed())));
    }

    // Numbers from the page at the ends of their range, where a difference or a quotient
    // overflows unless it is taken in a wider type.
    void extremeNumbers_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("nth-child of a negative n") << QByteArray(
            "<style>p:nth-child(-n-2147483647){display:none}</style><p>one</p><p>two</p>")
                                                   << "one\n\ntwo";
        QTest::newRow("nth-of-type beyond 31 bits")
            << QByteArray("<style>b:nth-of-type(-2147483648n+1),i:nth-last-of-type(2147483647n-"
                          "2147483647){display:none}</style>"
                          "<b>b1</b> <b>b2</b> <i>i1</i> <i>i2</i>")
            << "b1 b2 i1 i2";
        QTest::newRow("nth-child within 31 bits") << QByteArray(
            "<style>b:nth-last-child(-1073741824n+2){display:none}</style><b>1</b><b>2</b><b>3</b>")
                                                  << "13";
    }
    void extremeNumbers()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, text);
        QCOMPARE(textOf(html), text);
    }

    // Selectors whose naive matching walks the tree once for every way of placing their
    // compounds on it: depth to the power of their length.
    void selectorMatchingDoesNotExplode_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("text");
        const auto nested = [](int depth, const QByteArray &innermost) {
            return QByteArray("<div>").repeated(depth) + innermost
                + QByteArray("</div>").repeated(depth);
        };
        QTest::newRow("descendants, no match")
            << "<style>x div div div div{display:none}</style>" + nested(400, "deep") << "deep";
        QTest::newRow("descendants, wrong order")
            << "<style>.a div div div div div{display:none}</style><div>"
                + nested(400, "<div class=a><div>deep</div></div>") + "</div>"
            << "deep";
        QTest::newRow("descendants and children")
            << "<style>.b > div div > div div > div div{display:none}</style><div class=b>"
                + nested(400, "gone") + "</div>"
            << "";
        QTest::newRow("later siblings, no match")
            << "<style>x ~ p ~ p ~ p ~ p{display:none}</style>"
                + QByteArray("<p>s</p>").repeated(20'000)
            << QStringList(20'000, "s").join("\n\n");
        QTest::newRow("later siblings, last match")
            << "<style>.z ~ p ~ p ~ p + p{display:none}</style><p class=z>z</p>"
                + QByteArray("<p>s</p>").repeated(10'000)
            << "z\n\ns\n\ns\n\ns";
        QTest::newRow("siblings of every ancestor")
            << "<style>.a ~ div div ~ div div{display:none}</style>"
                + QByteArray("<div>x</div><div>").repeated(300) + "end"
                + QByteArray("</div>").repeated(300)
            << QStringList(300, "x").join('\n') + "\nend";
        QTest::newRow("sibling of an ancestor")
            << QByteArray("<style>.a ~ div > p, #b + div p{display:none}</style>"
                          "<div class=a></div><div><p>gone</p></div>"
                          "<i id=b></i><div><b><p>gone</p></b></div><p>kept</p>")
            << "kept";
        QByteArray is = "em";
        for (int level = 0; level < 15; ++level)
            is = ":is(:not(:is(" + is + ", .n" + QByteArray::number(level) + " div)) div, q)";
        QTest::newRow(":is() and :not() nested")
            << "<style>" + is + "{display:none}</style>" + nested(200, "<em>e</em>") << "";
        const QByteArray value = QByteArray("ab").repeated(50'000);
        QTest::newRow("long attribute selectors") << "<style>[title*=\"" + value + "c\"],[title~=\""
                + value + "\"]" + "{display:none}</style>"
                + QByteArray("<p title=\"" + value + "\">t</p>").repeated(50)
                                                  << "";
        QByteArray rules;
        for (int rule = 0; rule < 100'000; ++rule)
            rules += ".c" + QByteArray::number(rule) + " p{display:none}";
        QTest::newRow("100,000 rules")
            << "<style>" + rules + "</style>" + nested(100, "<p>p</p>") << "p";
    }
    void selectorMatchingDoesNotExplode()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, text);
        QCOMPARE(textOf(html), text);
    }

    // The parser compares each attribute of a tag with every one before it: past a few hundred
    // only those that style or text may depend on reach it, and the page is marked inexact.
    void manyAttributes()
    {
        QByteArray attributes;
        for (int attribute = 0; attribute < 100'000; ++attribute)
            attributes += " a" + QByteArray::number(attribute) + "=x";
        const QByteArray html = "<style>.gone{display:none}</style><p" + attributes + ">hi</p><p"
            + attributes + " class=gone>gone</p><p>end</p>";
        const FastPage page(html, m_dir.filePath(QStringLiteral("page.html")));
        QCOMPARE(page.bodyText(), QString("hi\n\nend"));
        QVERIFY(!page.isExact());
        const QByteArray classes = "<p" + QByteArray(" class=gone").repeated(100'000) + ">x</p>";
        QCOMPARE(textOf("<style>.gone{display:none}</style>" + classes + "<p>end"), QString("end"));
        QVERIFY(FastPage("<p a=1 a=2 b=3>x", {}).isExact());
    }

    // libxml2 compares each attribute of a tag with every one before it, in one call nothing
    // interrupts: XHTML with a tag of too many attributes, or nested deeper than libxml2 goes, is
    // parsed up to that tag and goes to the browser. A parse given up on stops.
    void boundsXhtmlBeforeItsParser()
    {
        const auto xhtml = [](const QByteArray &body) {
            return "<?xml version=\"1.0\"?><!-- <p a=\"1\"> --><html "
                   "xmlns=\"http://www.w3.org/1999/xhtml\"><body>"
                + body + "</body></html>";
        };
        const auto attributes = [](int count) {
            QByteArray list;
            for (int attribute = 0; attribute < count; ++attribute)
                list += " a" + QByteArray::number(attribute) + "='=>'";
            return list;
        };
        const QString path = m_dir.filePath(QStringLiteral("page.xhtml"));
        // A quote in the document type's comment hides nothing from the count.
        for (const QByteArray &doctype :
             {QByteArray(), QByteArray("<!DOCTYPE html [<!-- ' -->]>")}) {
            const QByteArray page = xhtml("<p>before</p><p" + attributes(200'000) + ">after</p>");
            const FastPage many(QByteArray(page).replace("<html", doctype + "<html"), path);
            QCOMPARE(many.bodyText(), QString("before"));
            QVERIFY(!many.isExact());
        }
        const FastPage some(xhtml("<p>before</p><p" + attributes(1000) + ">after</p>"), path);
        QCOMPARE(some.bodyText(), QString("before\n\nafter"));
        QVERIFY(some.isExact());
        const FastPage deep(xhtml("<p>before</p>" + QByteArray("<div>").repeated(300) + "deep"
                                  + QByteArray("</div>").repeated(300)),
                            path);
        QCOMPARE(deep.bodyText(), QString("before"));
        QVERIFY(!deep.isExact());

        std::atomic_bool cancelled = true;
        const PageCancellationScope scope(cancelled);
        bool exact = true;
        QVERIFY_THROWS_EXCEPTION(PageCancelled, Dom::parseXml(xhtml("<p>a</p>"), exact));
    }

    // The parser searches its stack of open elements for nearly every tag: elements nested
    // far deeper than the browser keeps its tree are left out before it, and the page is
    // marked inexact.
    void deepNesting_data()
    {
        QTest::addColumn<QByteArray>("open");
        QTest::addColumn<QByteArray>("close");
        QTest::addColumn<bool>("deep"); // a <p> closes the one before it, so its nest stays flat
        QTest::newRow("div") << QByteArray("<div>") << QByteArray("</div>") << true;
        QTest::newRow("span") << QByteArray("<span>") << QByteArray("</span>") << true;
        QTest::newRow("b") << QByteArray("<b>") << QByteArray("</b>") << true;
        QTest::newRow("p") << QByteArray("<p>") << QByteArray("</p>") << false;
        QTest::newRow("table") << QByteArray("<table>") << QByteArray("</table>") << true;
        QTest::newRow("ul and li") << QByteArray("<ul><li>") << QByteArray("</li></ul>") << true;
    }
    void deepNesting()
    {
        QFETCH(QByteArray, open);
        QFETCH(QByteArray, close);
        QFETCH(bool, deep);
        const int depth = open == "<ul><li>" ? 20'000 : 50'000;
        const FastPage page(open.repeated(depth) + "x" + close.repeated(depth) + "<p>after</p>",
                            m_dir.filePath(QStringLiteral("page.html")));
        QCOMPARE(page.bodyText(), QString("x\n\nafter"));
        QCOMPARE(page.isExact(), !deep);
        QVERIFY(FastPage(open.repeated(400) + "x" + close.repeated(400), {}).isExact());
    }

    // UTF-8 with the WHATWG error handling: one U+FFFD for each maximal broken part; labels
    // that are not decoded here as the browser decodes them make the page inexact.
    void decodesBrokenUtf8AndOddLabels_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("exact");
        QTest::newRow("cut-off sequence") << QByteArray("<meta charset=utf-8><p>a\xE2\x82"
                                                        "b")
                                          << "a\uFFFDb" << true;
        QTest::newRow("cut off at the end")
            << QByteArray("<meta charset=utf-8><p>a\xF0\x9F\x98") << "a\uFFFD" << true;
        QTest::newRow("surrogate and overlong")
            << QByteArray("<meta charset=utf-8><p>\xED\xA0\x80|\xC0\xAF|\xE0\x80")
            << "\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD|\uFFFD\uFFFD" << true;
        QTest::newRow("valid") << QByteArray("<meta charset=utf-8><p>\xE2\x82\xAC\xF0\x9F\x98\x80")
                               << "\u20AC\U0001F600" << true;
        QTest::newRow("replacement")
            << QByteArray("<meta charset=replacement><p>a") << "a" << false;
        QTest::newRow("iso-2022-kr")
            << QByteArray("<meta charset=\"iso-2022-kr\"><p>a") << "a" << false;
        QTest::newRow("utf-7") << QByteArray("<meta charset=utf-7><p>a+AKM-") << "a+AKM-" << false;
    }
    void decodesBrokenUtf8AndOddLabels()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, text);
        QFETCH(bool, exact);
        const FastPage page(html, m_dir.filePath(QStringLiteral("page.html")));
        QCOMPARE(page.bodyText(), text);
        QCOMPARE(page.isExact(), exact);
    }

    // A navigation tree's data file (Doxygen's navtreedata.js) is read as data, never run: one
    // outside its form, too large or nested too deep makes its page need the browser, at once.
    void treeDataOutsideItsForm_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("known");
        QTest::newRow("data") << QByteArray(
            "/* c */ var NAVTREE = [ [ \"a\\u0041\\\"\", 'b.html', null ] ];\n"
            "var NAVTREEINDEX = [ \"a.html\" ];\nvar SYNCONMSG = 'x'; // end")
                              << true;
        QTest::newRow("nested 100,000 deep") << "var NAVTREE = " + QByteArray("[").repeated(100'000)
                + QByteArray("]").repeated(100'000)
                + ";" << false;
        QTest::newRow("nested 66 deep")
            << "var NAVTREE = " + QByteArray("[").repeated(66) + QByteArray("]").repeated(66) + ";"
            << false;
        QTest::newRow("over 4 MB")
            << "var NAVTREE = ['" + QByteArray(5'000'000, 'x') + "'];" << false;
        QTest::newRow("200,001 values")
            << "var NAVTREE = [" + QByteArray("0,").repeated(200'000) + "0];" << false;
        QTest::newRow("a call") << QByteArray("var NAVTREE = f();") << false;
        QTest::newRow("another name") << QByteArray("var jQuery = [];") << false;
        QTest::newRow("string left open") << QByteArray("var NAVTREE = ['a") << false;
        QTest::newRow("octal number") << QByteArray("var NAVTREE = [010];") << false;
        QTest::newRow("number past nine digits")
            << QByteArray("var NAVTREE = [12345678901234567890];") << false;
        QTest::newRow("hole in an array") << QByteArray("var NAVTREE = [1,,2];") << false;
        QTest::newRow("prototype key")
            << QByteArray("var NAVTREEINDEX = {\"__proto__\": []};") << false;
        QTest::newRow("not ASCII") << QByteArray("var SYNCONMSG = '\xC3\xA9';") << false;
    }
    void treeDataOutsideItsForm()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, known);
        const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/navtreedata.js"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
        file.close();
        const FastPage page("<script src=navtreedata.js></script><p>a",
                            folder + QStringLiteral("/page.html"));
        QCOMPARE(page.bodyText(), QString("a"));
        QCOMPARE(page.scriptsKnown(), known);
    }

    // rustdoc's list of a module's items is read as data too, its strings in UTF-8 only for a
    // page read as UTF-8 (in another encoding their bytes could close the string early).
    void sidebarItemsOutsideTheirForm_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<bool>("known");
        const QByteArray items = "window.SIDEBAR_ITEMS = {\"fn\":[[\"f\",\"A \\\"doc\\\".\"]]};";
        QTest::newRow("data") << items << QByteArray() << true;
        QTest::newRow("UTF-8 in a string, UTF-8 page")
            << QByteArray("window.SIDEBAR_ITEMS = {\"fn\":[[\"f\",\"\xE2\x80\x99\"]]};")
            << QByteArray("utf-8") << true;
        QTest::newRow("UTF-8 in a string, Shift_JIS page")
            << QByteArray("window.SIDEBAR_ITEMS = {\"fn\":[[\"f\",\"\xE2\x80\x99\\\\\"]]};")
            << QByteArray("shift_jis") << false;
        QTest::newRow("UTF-8 in a string, no charset")
            << QByteArray("window.SIDEBAR_ITEMS = {\"fn\":[[\"f\",\"\xE2\x80\x99\"]]};")
            << QByteArray() << false;
        QTest::newRow("broken UTF-8")
            << QByteArray("window.SIDEBAR_ITEMS = {\"fn\":[[\"f\",\"\x82\"]]};")
            << QByteArray("utf-8") << false;
        QTest::newRow("UTF-8 outside a string")
            << QByteArray("window.SIDEBAR_ITEMS = {}; // \xE2\x80\x99") << QByteArray("utf-8")
            << false;
        QTest::newRow("var, not window")
            << QByteArray("var SIDEBAR_ITEMS = {};") << QByteArray() << false;
        QTest::newRow("another property")
            << items + "window.location = \"x.html\";" << QByteArray() << false;
        QTest::newRow("a call") << QByteArray("window.SIDEBAR_ITEMS = f();") << QByteArray()
                                << false;
        QTest::newRow("nested 100,000 deep") << "window.SIDEBAR_ITEMS = "
                + QByteArray("[").repeated(100'000) + QByteArray("]").repeated(100'000)
                + ";" << QByteArray() << false;
    }
    void sidebarItemsOutsideTheirForm()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, charset);
        QFETCH(bool, known);
        const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/sidebar-items1.63.0.js"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
        file.close();
        const QByteArray html = (charset.isEmpty() ? QByteArray()
                                                   : "<meta charset=" + charset + ">")
            + "<script src=sidebar-items1.63.0.js></script><p>a";
        QFile pageFile(folder + QStringLiteral("/page.html"));
        QVERIFY(pageFile.open(QIODevice::WriteOnly) && pageFile.write(html) == html.size());
        pageFile.close();
        const FastPage page(html, pageFile.fileName());
        QCOMPARE(page.bodyText(), QString("a"));
        QCOMPARE(page.scriptsKnown(), known);
    }
};

QTEST_GUILESS_MAIN(HostilePagesTest)
#include "tst_hostilepages.moc"
