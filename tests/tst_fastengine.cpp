// The fast engine on small pages, one rule at a time. Every expected text is the one the
// browser engine gives for the same page (bench/fast_vs_browser checks them against it).

#include "TestFiles.h"

#include "engine/PageDecoding.h"
#include "engine/ScriptMarkup.h"
#include "engine/fast/FastPage.h"
#include "engine/fast/css/MediaQuery.h"
#include "engine/fast/dom/ScriptDetection.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class FastEngineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        return writeTestFile(m_dir.filePath(name), content);
    }

    QString textOf(const QByteArray &html, const QString &name = QStringLiteral("page.html"))
    {
        return FastPage(html, m_dir.filePath(name)).bodyText();
    }

private slots:
    void rendersTheBrowsersText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        // Blocks, paragraphs and breaks.
        QTest::newRow("blocks") << QByteArray("<h1>T</h1><h2>U</h2>text<address>addr</address>")
                                << "T\nU\ntext\naddr";
        QTest::newRow("empty paragraphs")
            << QByteArray("<p></p><p>a</p><p></p><div></div><p>b</p>") << "a\n\nb";
        QTest::newRow("br") << QByteArray("<br>a<br><br>b<br>") << "\na\n\nb\n";
        QTest::newRow("spaces around br")
            << QByteArray("<p>a <br> b</p><p> <br>c</p>") << "a\nb\n\n\nc";
        QTest::newRow("lists") << QByteArray(
            "<ul><li>one<li>two<ul><li>inner</ul><li>three</ul><ol><li>a</ol>")
                               << "one\ntwo\ninner\nthree\na";
        QTest::newRow("definition list and rule")
            << QByteArray("a<hr>b<dl><dt>term<dd>def</dl>c") << "a\nb\nterm\ndef\nc";
        QTest::newRow("p made inline")
            << QByteArray("<p style=\"display:inline\">a</p>b<p style=\"display:inline\">c</p>")
            << "a\n\nb\n\nc";
        // White space, collapsed across element boundaries.
        QTest::newRow("nested spaces")
            << QByteArray("<div> <span> a </span> <b> b </b> </div>") << "a b";
        QTest::newRow("tabs and newlines")
            << QByteArray("<p>a\tb &#9; c</p><p>a\r\nb</p>") << "a b c\n\na b";
        QTest::newRow("carriage return in pre")
            << QByteArray("<pre>a&#13;b\r\nc</pre>") << "a\rb\nc";
        QTest::newRow("pre") << QByteArray("<pre>\n  first\n\tsecond  \n</pre>after")
                             << "  first\n\tsecond  \n\nafter";
        QTest::newRow("pre-line") << QByteArray(
            "<div style=\"white-space:pre-line\">  a  b  \n   c   \n\n d </div>")
                                  << "a b\nc\n\nd";
        QTest::newRow("pre-wrap") << QByteArray(
            "<div style=\"white-space:pre-wrap\">  a  b  \n   c   </div>x")
                                  << "  a  b  \n   c   \nx";
        QTest::newRow("pre inside a line")
            << QByteArray("<p>a <span style=\"white-space:pre\">  b  </span> c</p>") << "a   b   c";
        QTest::newRow("hidden text keeps its spaces")
            << QByteArray("<p>a <span style=\"visibility:hidden\">h</span> b</p><p>c<span "
                          "style=\"visibility:hidden\"> d</span> e</p>")
            << "a  b\n\nc e";
        QTest::newRow("word break and spaces")
            << QByteArray("<p>a<wbr>b a&nbsp;b a&#8203;b a <wbr> b</p>")
            << "ab a\u00a0b a\u200bb a b";
        QTest::newRow("boxes in a line") << QByteArray(
            "<span style=display:inline-block>a</span> <span style=display:inline-block>b</span>")
                                         << "a b";
        QTest::newRow("empty inline-block")
            << QByteArray("a <span style=\"display:inline-block\"></span> b") << "a  b";
        QTest::newRow("images") << QByteArray(
            "a <img> b <img alt=\"alt\"> c<img src=\"none.png\" alt=\"x\">d")
                                << "a  b  cd";
        QTest::newRow("form controls")
            << QByteArray("a <button>B</button> c <textarea>T</textarea> d <input value=v> e "
                          "<input type=submit value=go> f")
            << "a B c  d  e  f";
        QTest::newRow("generated space") << QByteArray(
            "<style>.a::after{content:\" \"}</style><p><span class=a>foo</span> bar</p>")
                                         << "foobar";
        QTest::newRow("generated block") << QByteArray(
            "<style>.x::before{content:\"\";display:block}</style><p>z<span class=x> a</span></p>")
                                         << "za";
        // Tables, selects and replaced elements.
        QTest::newRow("table") << QByteArray(
            "<table><caption>Cap</caption><tr><th>h1<th>h2<tr><td><p>para</p><td></table>after")
                               << "Cap\nh1\th2\n\n\npara\n\n\t\nafter";
        QTest::newRow("table sections")
            << QByteArray("<table><thead><tr><td>h</thead><tfoot><tr><td>f</"
                          "tfoot><tbody><tr><td>b</tbody></table>")
            << "h\nf\nb";
        QTest::newRow("hidden cells")
            << QByteArray("<table><tr><td>a<td style=\"display:none\">b<td "
                          "style=\"visibility:hidden\">c<td>d</table>")
            << "a\td";
        QTest::newRow("table made of divs") << QByteArray(
            "<div style=display:table-row><div style=display:table-cell>a</div><div "
            "style=display:table-cell>b</div></div>"
            "<div style=display:table-row><div style=display:table-cell>c</div></div>")
                                            << "a\tb\nc";
        QTest::newRow("select") << QByteArray(
            "x<select><option>one</option><option> two  x </option><optgroup "
            "label=g><option>three</optgroup></select>y")
                                << "x\none\ntwo x\nthree\ny";
        QTest::newRow("fallback content")
            << QByteArray("a<iframe>fallback</iframe>b<object>objfb</object>c<video>vid</"
                          "video>d<canvas>can</canvas>e<audio>aud</audio>f")
            << "abobjfbcdef";
        QTest::newRow("drawing") << QByteArray("a<svg><text>svgtext</text></svg>b")
                                 << "a\nsvgtext\nb";
        QTest::newRow("ruby") << QByteArray(
            "<p><ruby>漢<rp>(</rp><rt>kan</rt><rp>)</rp></ruby>字</p>")
                              << "漢kan字";
        // Display, visibility and the rest of the style that decides the text.
        QTest::newRow("float") << QByteArray("a <span style=\"float:left\">X</span> b")
                               << "a \nX\nb";
        QTest::newRow("positioned") << QByteArray("a <span style=\"position:absolute\">X</span> b "
                                                  "<div style=\"position:absolute\">Y</div> c")
                                    << "a \nX\nb \nY\nc";
        QTest::newRow("positioned at a line's end")
            << QByteArray("<p>a <span style=\"position:absolute\">X</span></p><p><span "
                          "style=\"float:left\">F</span> a</p>")
            << "a\nX\n\nF\na";
        QTest::newRow("flex") << QByteArray(
            "<div style=\"display:flex\">a <span>b</span> c</div><div style=\"display:flex\"> "
            "<span>x</span> <span>y</span> </div>")
                              << "a\nb\nc\nx\ny";
        QTest::newRow("grid") << QByteArray("<div style=\"display:grid\">a<span>b</span>c</div>")
                              << "a\nb\nc";
        QTest::newRow("contents") << QByteArray(
            "<div style=\"display:contents\">a</div>b<p style=\"display:contents\">c</p>d")
                                  << "abcd";
        QTest::newRow("list-item span")
            << QByteArray("a<span style=\"display:list-item\">b</span>c") << "a\nb\nc";
        QTest::newRow("visible inside hidden") << QByteArray(
            "<div style=\"visibility:hidden\">x<span style=\"visibility:visible\">y</span><p "
            "style=\"visibility:visible\">z</p></div>")
                                               << "y\n\nz";
        QTest::newRow("hidden block")
            << QByteArray("a<div style=\"visibility:hidden\">x</div>b") << "ab";
        QTest::newRow("hidden attribute")
            << QByteArray("<div hidden>h</div><div hidden style=\"display:block\">shown</div><span "
                          "hidden>x</span>y")
            << "shown\ny";
        QTest::newRow("content-visibility")
            << QByteArray("<div style=\"content-visibility:hidden\">hid</div><div "
                          "style=\"content-visibility:auto\">auto</div>z")
            << "auto\nz";
        QTest::newRow("details") << QByteArray(
            "<details><summary>Sum</summary>hidden text</details><details "
            "open><summary>S2</summary>shown</details>")
                                 << "Sum\nS2\nshown";
        QTest::newRow("dialog") << QByteArray("<dialog>closed</dialog><dialog open>open</dialog>z")
                                << "open\nz";
        QTest::newRow("noscript") << QByteArray(
            "<noscript>ns body</noscript>a<noscript><p>ns p</p></noscript>b")
                                  << "ab";
        QTest::newRow("uppercase")
            << QByteArray("<p style=\"text-transform:uppercase\">straße i</p><p "
                          "style=\"text-transform:lowercase\">ÀB</p>")
            << "STRASSE I\n\nàb";
        QTest::newRow("capitalize")
            << QByteArray("<p style=\"text-transform:capitalize\">hello-world don't foo.bar 3d x_y "
                          "émile (paren) ab<b>cd</b> ef</p>")
            << "Hello-World Don't Foo.bar 3d X_y Émile (Paren) Abcd Ef";
        // The cascade.
        QTest::newRow("specificity") << QByteArray(
            "<style>#a { display: none } div.b { display: block } .b { display: none }</style>"
            "<div id=a class=b>x</div><div class=b>y</div>z")
                                     << "y\nz";
        QTest::newRow("important")
            << QByteArray("<style>.a { display: none !important }</style><div class=a "
                          "style=\"display:block\">x</div>y")
            << "y";
        QTest::newRow("later wins, invalid is dropped") << QByteArray(
            "<style>p { text-transform: uppercase } p { text-transform: bogus }</style><p>x")
                                                        << "X";
        QTest::newRow("cascade layers")
            << QByteArray("<style>@layer base, theme; @layer theme { p { display: none } .i { "
                          "display: block !important } }"
                          " @layer base { p.x { display: block } .i { display: none !important } }"
                          " @layer { .z { display: inline } } .u { display: block }</style>"
                          "<p class=x>x</p><p class=z>z</p><p class=u>u</p><p class=i>i</p>")
            << "z\n\nu";
        QTest::newRow("sublayers rank below their layer's own rules") << QByteArray(
            "<style>@layer a { .x { display: none } @layer b { .x { display: block } } }"
            " @layer c.d { .y { display: none } } @layer c { .y { display: block } }</style>"
            "<p class=x>x<p class=y>y<p>z") << "y\n\nz";
        QTest::newRow("inheritance") << QByteArray("<div style=\"text-transform:uppercase\">a<span "
                                                   "style=\"text-transform:none\">b</span></div>")
                                     << "Ab";
        QTest::newRow("selectors")
            << QByteArray("<style>li:first-child, li:nth-child(3n+4), ul > .x + li, :not(ul) > li "
                          "{ display: none }"
                          " [data-k^=ab] { text-transform: uppercase }</style>"
                          "<ul><li>1<li class=x>2<li>3<li>4<li data-k=abc>5</ul>")
            << "2\n5";
        // As in the desktop window of 1280 x 720 pixels that pages are laid out for.
        QTest::newRow("media") << QByteArray("<style>@media print { p { display: none } } @media "
                                             "(min-width: 1000px) { .w { display: none } }"
                                             " @media screen and (max-width: 600px) { .n { "
                                             "display: none } }</style><p class=w>w<p class=n>n")
                               << "n";
    }

    void rendersTheBrowsersText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QCOMPARE(textOf("<!DOCTYPE html><meta charset=utf-8>" + body), text);
    }

    // Media queries as the browser engine reads them: the grammar before Level 4 on CSS tokens.
    void readsMediaQueriesAsTheBrowserDoes_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("holds");
        auto rows = [](bool holds, std::initializer_list<const char *> queries) {
            for (const char *query : queries)
                QTest::newRow(query) << QString::fromUtf8(query) << holds;
        };
        // Types, keywords and lists; comments and escapes count as anywhere in CSS.
        rows(true,
             {"", " ", "screen", "SCREEN", "not print", "only screen", "sc\\72 een",
              "garbage, screen", "(min-width: 600px) /* c */ and (max-width: 2000px)",
              "(min-width: 600px)and (color)", "not screen and (max-width: 100px)",
              "(min-width: 600px), (", "(min-width: 1px"});
        rows(false,
             {"print", "tv", "and", "only", "not", "screen and", "only (color)",
              "print, (min-width: 1px) and", "screen and(min-width: 600px)",
              "(min-width:600px)and(color)", "screen screen", "(color) (color)",
              "(min-width: 600 px)", "(width:)", "(min-width: 600px;)"});
        // What Level 4 added is "not all" to the browser engine.
        rows(false,
             {"(width >= 600px)", "(400px < width < 2000px)",
              "(min-width: 600px) or (max-width: 100px)", "not (min-width: 2000px)",
              "((min-width: 600px))", "screen and not (min-width: 2000px)"});
        // Values, and a value the feature refuses makes even "not" false.
        rows(true,
             {"(min-width: 0)", "(min-width: 1e3px)", "(max-width: 100vw)",
              "(min-aspect-ratio: 16/10)", "(min-aspect-ratio: +1/1)", "(resolution: 96dpi)",
              "(-webkit-min-device-pixel-ratio: 1.0)", "(grid: 0)", "(orientation)",
              "(-webkit-transform-3d)", "not screen and (scan: progressive)"});
        rows(false,
             {"(min-width: -100px)", "(width: 1280)", "(min-aspect-ratio: 1)",
              "(aspect-ratio: 16/9.0)", "(min-aspect-ratio: 0/1)", "(color: 8.0)",
              "(min-color: -1)", "not screen and (color: abc)", "(min-resolution: -1dppx)",
              "(-webkit-device-pixel-ratio: 1/1)", "(min-grid: 0)", "(scan)",
              "not screen and (update: fast)", "not all and (unknown)"});
    }

    void readsMediaQueriesAsTheBrowserDoes()
    {
        QFETCH(QString, query);
        QFETCH(bool, holds);
        QCOMPARE(mediaMatches(query), holds);
    }

    // The :nth- argument ("An+B") read from tokens: the texts are the browser engine's, with the
    // children the argument picks hidden.
    void readsNthArgumentsAsTheBrowserDoes_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("shown");
        const QString all = "1 2 3 4 5 6 7";
        QTest::newRow("comment") << "2n/**/+1"
                                 << "2 4 6";
        QTest::newRow("comment after +") << "+/**/n"
                                         << "";
        QTest::newRow("escaped n") << "-\\6e+2"
                                   << "3 4 5 6 7";
        QTest::newRow("escaped odd") << "o\\64 d"
                                     << "2 4 6";
        QTest::newRow("keyword case") << "EVEN"
                                      << "1 3 5 7";
        QTest::newRow("spaces around B's sign") << " 2n + 1 "
                                                << "2 4 6";
        QTest::newRow("space after n-") << "2n- 2"
                                        << "1 3 5 7";
        QTest::newRow("signed B") << "2n -1"
                                  << "2 4 6";
        QTest::newRow("+n with B") << "+n+3"
                                   << "1 2";
        QTest::newRow("-n with B") << "-n+3"
                                   << "4 5 6 7";
        QTest::newRow("n-digits") << "+n-2"
                                  << "";
        QTest::newRow("integer") << "+3"
                                 << "1 2 4 5 6 7";
        QTest::newRow("zero step") << "-0n+2"
                                   << "1 3 4 5 6 7";
        for (const char *invalid :
             {"+ n", "- n", "2 n", "n 1", "2n + +1", "2n+-1", "2n-+1", "2.0n", "1e1", "2n+1.0",
              "+-n", "n--1", "n-", "2n+1 of p", "99999999999n+1"})
            QTest::newRow(invalid) << QString::fromUtf8(invalid) << all;
    }

    void readsNthArgumentsAsTheBrowserDoes()
    {
        QFETCH(QString, argument);
        QFETCH(QString, shown);
        const QString page = "<!DOCTYPE html><style>i:nth-child(" + argument
            + ") { display: none }</style><p><i>1</i> <i>2</i> <i>3</i> <i>4</i> <i>5</i>"
              " <i>6</i> <i>7</i>";
        QCOMPARE(textOf(page.toUtf8()), shown);
    }

    void classesIgnoreCaseInQuirksMode()
    {
        const QByteArray body = "<style>.Foo { display: none }</style><p class=foo>gone</p><p>x";
        QCOMPARE(textOf(body), QString("x"));
        QCOMPARE(textOf("<!DOCTYPE html>" + body), QString("gone\n\nx"));
    }

    void decodesAsTheBrowserDoes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF<meta charset=latin1><p>\xC3\xA9") << "é";
        QTest::newRow("UTF-16 byte-order mark") << QByteArray("\xFF\xFE<\0p\0>\0\xE9\0", 10) << "é";
        QTest::newRow("latin1 is windows-1252")
            << QByteArray("<meta http-equiv=Content-Type content='text/html; "
                          "charset=iso-8859-1'><p>\x93q\x94 \xe9")
            << "\u201cq\u201d é";
        QTest::newRow("Shift_JIS")
            << QByteArray("<meta charset=\"shift_jis\"><p>\x93\xfa\x96\x7b") << "日本";
        QTest::newRow("KOI8-R") << QByteArray("<meta charset=koi8-r><p>\xd2\xd5\xd3") << "рус";
        QTest::newRow("latin5 is windows-1254")
            << QByteArray("<meta charset=iso-8859-9><p>\x80\x9c") << "€œ";
        QTest::newRow("holes above 0x9F")
            << QByteArray("<meta charset=iso-8859-7><p>\xae\x81") << "\uFFFD\u0081";
        QTest::newRow("windows-1258 composes nothing")
            << QByteArray("<meta charset=windows-1258><p>a\xec\xc3") << "a\u0301Ă";
        QTest::newRow("GBK: two bytes at most, the euro sign in one")
            << QByteArray("<meta charset=gb2312><p>\xd6\xd0\x80\xa2\xe3\x81\x30\x81\x30")
            << "中€\uE76C\uFFFD0\uFFFD0";
        QTest::newRow("gb18030: four bytes too") << QByteArray(
            "<meta charset=gb18030><p>\xa2\xe3\x90\x30\x81\x30\x84\x31\xa5\x30\xa1\xff")
                                                 << "€\U00010000\uFFFD\uFFFD";
        QTest::newRow("declared UTF-16 means UTF-8")
            << QByteArray("<meta charset=utf-16><p>\xC3\xA9") << "é";
        QTest::newRow("unknown label") << QByteArray("<meta charset=nonsense><p>\xC3\xA9") << "é";
        QTest::newRow("declaration after a long head")
            << QByteArray("<title>t</title><!--" + QByteArray(2000, 'x')
                          + "--><meta charset=windows-1251><p>\xe4\xe0")
            << "да";
        // Undeclared, or declared too late for the prescan: UTF-8 that lies far in is UTF-8.
        QTest::newRow("declaration after a frame 8 KB into the head")
            << QByteArray("<head>" + QByteArray("<meta name=x content=y>").repeated(360)
                          + "<iframe></iframe><meta charset=utf-8></head><p>Habits\xE2\x84\xA2")
            << "Habits\u2122";
        QTest::newRow("first byte that is not ASCII 70 KB in")
            << QByteArray("<p>" + QByteArray(70'000, 'a') + "<p>Habits\xE2\x84\xA2")
            << QString(70'000, u'a') + "\n\nHabits\u2122";
        QTest::newRow("declaration in the body is too late")
            << QByteArray("<p>" + QByteArray(1100, 'x') + "<meta charset=windows-1251>\xC3\xA9")
                    .right(0)
                + "<p>\xC3\xA9"
            << "é";
    }

    void decodesAsTheBrowserDoes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(textOf(bytes), text);
    }

    // The browser's own tables: where the system's differ, the page's decoding is not exact.
    void leavesToTheBrowserWhatOnlyItDecodesOrLoads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exact");
        QTest::newRow("latin5 is windows-1254")
            << QByteArray("<meta charset=iso-8859-9><p>\x80") << true;
        QTest::newRow("Shift_JIS") << QByteArray("<meta charset=shift_jis><p>\x87\x40") << false;
        QTest::newRow("EUC-KR") << QByteArray("<meta charset=euc-kr><p>\xb0\xa1") << false;
        QTest::newRow("Big5") << QByteArray("<meta charset=big5><p>\xa4\x40") << false;
        QTest::newRow("ISO-8859-16, unknown to the browser")
            << QByteArray("<meta charset=iso-8859-16><p>\xa1") << false;
        QTest::newRow("object of a known type")
            << QByteArray("<object data=a.swf>fallback</object>") << true;
        QTest::newRow("object of a type only the browser knows")
            << QByteArray("<object data=a.unknown-extension>fallback</object>") << false;
        QTest::newRow("object with nothing to fall back on")
            << QByteArray("<object data=a.unknown-extension></object>") << true;
    }

    void leavesToTheBrowserWhatOnlyItDecodesOrLoads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exact);
        QCOMPARE(FastPage(bytes, m_dir.filePath("page.html")).isExact(), exact);
    }

    void tellsAGuessedEncoding()
    {
        const QString path = m_dir.filePath("page.html");
        QVERIFY(FastPage("<p>caf\xe9 \x80", path).encodingGuessed());
        QCOMPARE(FastPage("<p>caf\xe9 \x80", path).bodyText(), QString("café €"));
        QVERIFY(!FastPage("<meta charset=latin1><p>caf\xe9", path).encodingGuessed());
        QVERIFY(!FastPage("<p>café", path).encodingGuessed());
        QCOMPARE(FastPage("<p>café", path).bodyText(), QString("café"));
        QVERIFY(!FastPage("<p>cafe", path).encodingGuessed());
    }

    // The encoding a page declares, in which the scripts it loads are read too: by a byte-order
    // mark or a <meta> label, as the decoder names it; none for a page that declares none.
    void tellsTheDeclaredEncoding()
    {
        QCOMPARE(decodePageToUtf8("\xEF\xBB\xBF<p>a").encoding, QByteArray("UTF-8"));
        QCOMPARE(decodePageToUtf8(QByteArray("\xFF\xFE"
                                             "a\0",
                                             4))
                     .encoding,
                 QByteArray("UTF-16LE"));
        QCOMPARE(decodePageToUtf8("<meta charset=' Unicode20UTF8'><p>a").encoding,
                 QByteArray("UTF-8"));
        QCOMPARE(decodePageToUtf8("<meta charset=latin1><p>caf\xe9").encoding,
                 QByteArray("WINDOWS-1252"));
        for (const QByteArray &undeclared : {QByteArray("<p>a"), QByteArray("<p>caf\xc3\xa9"),
                                             QByteArray("<meta charset=utf-7><p>a")})
            QVERIFY(decodePageToUtf8(undeclared).encoding.isEmpty());
    }

    void readsLinkedStyleSheets()
    {
        writeFile("hide.css", "@import url(\"more/upper.css\"); .gone { display: none }");
        QDir(m_dir.path()).mkpath("more");
        writeFile(
            "more/upper.css",
            "@import 'upper.css'; @import '../print.css' print; .up { text-transform: uppercase }");
        writeFile("print.css", ".up { display: none }");
        writeFile("sheet.txt", ".txt { display: none }");
        QDir(m_dir.path()).mkpath("folder.css");
        const QByteArray links =
            "<link rel=stylesheet href=hide.css><link rel=stylesheet href=sheet.txt>"
            "<link rel='alternate stylesheet' href=print.css><link rel=stylesheet href=print.css "
            "media=print>"
            "<link rel=stylesheet href=folder.css><link rel=stylesheet href=missing.css>"
            "<p class=gone>g<p class=up>u<p class=txt>t";
        QCOMPARE(textOf("<!DOCTYPE html>" + links), QString("U\n\nt"));
        // A quirks-mode page takes a style sheet whatever its type.
        QCOMPARE(textOf(links), QString("U"));
        // References start from the page's <base>.
        QCOMPARE(textOf("<!DOCTYPE html><base href=more/><link rel=stylesheet href=upper.css><p "
                        "class=up>u"),
                 QString("U"));
        QCOMPARE(textOf("<!DOCTYPE html><base href=http://example.org/><link rel=stylesheet "
                        "href=hide.css><p class=gone>g"),
                 QString("g"));
    }

    void detectsScripts_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<bool>("carriesScript");
        QTest::newRow("plain") << QByteArray(
            "<p>script <code>&lt;script&gt;</code><!-- <script> -->")
                               << false;
        QTest::newRow("script") << QByteArray("<p>x<script>var a;</script>") << true;
        QTest::newRow("module") << QByteArray("<script type=module src=m.js></script>") << true;
        QTest::newRow("JavaScript type with charset")
            << QByteArray("<script type='text/javascript; charset=utf-8'></script>") << true;
        QTest::newRow("data block") << QByteArray(
            "<script type=application/ld+json>{}</script><script type=text/template>x</script>")
                                    << false;
        QTest::newRow("old language")
            << QByteArray("<script language=vbscript>x</script>") << false;
        QTest::newRow("handler") << QByteArray("<body onload=f()>") << true;
        QTest::newRow("handler in a drawing") << QByteArray("<svg><rect onload=f()></svg>") << true;
        QTest::newRow("javascript URL")
            << QByteArray("<iframe src=' \tjava\nscript:f()'></iframe>") << true;
        QTest::newRow("javascript URL of a link, followed on a click only")
            << QByteArray("<a href='javascript:void(0)'>x</a><map><area HREF=javascript:f()></map>")
            << false;
        QTest::newRow("handlers for clicks and keys only")
            << QByteArray("<button onclick=f() onKeyDown=g()>b</button>") << false;
        QTest::newRow("click handler written as a URL")
            << QByteArray("<span onclick='javascript:f(1);'>1</span>") << false;
        QTest::newRow("refresh") << QByteArray("<meta http-equiv=Refresh content='0; url=x.html'>")
                                 << true;
        QTest::newRow("script in a template")
            << QByteArray("<template><script>x</script></template>") << false;
        QTest::newRow("script in raw text")
            << QByteArray("<textarea><script>x</script></textarea><title><p onclick=x></title>")
            << false;
        QTest::newRow("attribute like a handler")
            << QByteArray("<p title=' onclick=x'>a <b\tdata-on=1>b") << false;
    }

    void detectsScripts()
    {
        QFETCH(QByteArray, html);
        QFETCH(bool, carriesScript);
        const FastPage page(html, m_dir.filePath("page.html"));
        QCOMPARE(page.carriesScript(), carriesScript);
        // The quick look at the bytes finds the same in these, but for <script> elements.
        QCOMPARE(pageBytesCarryScriptOutsideElements(html),
                 carriesScript && findPageScripts(page.dom()).elements.empty());
    }

    // The parser and every walk over the tree are loops, and the tree is kept as shallow as the
    // browser keeps it.
    void survivesDeepNesting()
    {
        constexpr int depth = 100'000;
        const QByteArray spans = "<p>top</p>" + QByteArray("<span>").repeated(depth) + "deep"
            + QByteArray("</span>").repeated(depth) + "<p>end";
        QCOMPARE(textOf(spans), QString("top\n\ndeep\n\nend"));
        const QByteArray unclosed = "<style>span { display: contents } b { display: block }</style>"
            + QByteArray("<span><b>a").repeated(depth / 10);
        QCOMPARE(textOf(unclosed).count('a'), depth / 10);
    }
};

QTEST_GUILESS_MAIN(FastEngineTest)
#include "tst_fastengine.moc"
