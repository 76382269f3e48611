// Pages and style sheets made to crash the fast engine, stall it or eat the machine's memory.
// Each must give the browser engine's text (checked against it with bench/fast_vs_browser) and
// finish; the bound below only tells a hang from a slow machine, it is no speed figure.

#include "TestFiles.h"

#include "engine/fast/FastPage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr qint64 hangMilliseconds = 20'000;

QByteArray repeated(const QByteArray &pattern, int count, bool numbered = false)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += numbered ? QByteArray(pattern).replace("#", QByteArray::number(i)) : pattern;
    return out;
}

} // namespace

class HostileStyleSheetsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        return writeTestFile(m_dir.filePath(name), content);
    }

    QString textOf(const QByteArray &html)
    {
        QElapsedTimer timer;
        timer.start();
        const QString text = FastPage(html, m_dir.filePath("page.html")).bodyText();
        if (timer.elapsed() > hangMilliseconds)
            qWarning("the page took %lld ms", timer.elapsed());
        [&] { QVERIFY2(timer.elapsed() < hangMilliseconds, "the page hung"); }();
        return text;
    }

private slots:
    void styleSheetsThatGrowFasterThanThePage_data()
    {
        QTest::addColumn<QByteArray>("style");
        QTest::addColumn<QString>("text");
        QTest::newRow("at-rule blocks without a semicolon") << repeated(
            "@media print { p { display: none } } @font-face { font-family: f } ", 8'000)
                                                            << "y";
        QTest::newRow("statement at-rules") << repeated("@a;", 80'000) << "y";
        QTest::newRow("cascade layers")
            << repeated("@layer l#{.x{display:block}} ", 50'000, true) << "y";
        QTest::newRow("layer statements") << repeated("@layer a#, b#; ", 20'000, true) << "y";
        QTest::newRow("rules") << repeated(".c# { display: none } ", 100'000, true) << "y";
        QTest::newRow("long attribute selector")
            << "[data-x=\"" + QByteArray(200'000, 'a') + "\"] { display: none } "
            << "y";
        QTest::newRow("nested :is() and :not()")
            << "p" + repeated(":is(:not(", 6) + ".y" + repeated("))", 6) + " { display: none } "
            << "";
        QTest::newRow("too deeply nested :not()")
            << repeated(":not(", 5'000) + ".x" + repeated(")", 5'000) + " { display: none } "
            << "y";
        QTest::newRow("thousands of ids")
            << ".y" + repeated(":not(#z)", 3'000) + " { display: none } "
            << "";
        QTest::newRow("unclosed brackets") << repeated("([{", 30'000) << "y";
        QTest::newRow("extreme nth arguments")
            << QByteArray(":nth-child(99999999999999n+99999999999) { display: none }"
                          " :nth-last-of-type(-99999999999999) { display: none } ")
            << "y";
        QTest::newRow("deep @media nesting") << repeated("@media all {", 10'000) << "y";
    }

    void styleSheetsThatGrowFasterThanThePage()
    {
        QFETCH(QByteArray, style);
        QFETCH(QString, text);
        QCOMPARE(
            textOf("<!DOCTYPE html><style>" + style
                   + "</style><style>.x { display: none }</style><p class=x>x</p><p class=y>y</p>"),
            text);
    }

    // The browser follows :is(), :where() and :not() as deep as they nest: here far deeper than
    // any real sheet goes, and a selector nested deeper still leaves the page to the browser
    // rather than losing its rule. Nested selectors that walk the tree cost each of them once
    // per element.
    void deeplyNestedSelectors()
    {
        const auto nested = [](const QByteArray &pseudo, int depth, const QByteArray &inner) {
            return repeated(":" + pseudo + "(", depth) + inner + repeated(")", depth);
        };
        const QByteArray page = "<p class=h>hidden</p><p>shown</p>";
        for (const auto &[selector, exact] : {std::pair{nested("is", 20, "p.h"), true},
                                              std::pair{nested("where", 256, "p.h"), true},
                                              std::pair{"p" + nested("not", 256, ".h"), true},
                                              std::pair{nested("is", 257, "p.h"), false},
                                              std::pair{"p" + nested("not", 1'000, ".h"), false}}) {
            std::optional<BrowserReason> stylingReason;
            const FastPage nestedPage("<style>" + selector + "{display:none}</style>" + page,
                                      m_dir.filePath("page.html"));
            const QString text = nestedPage.bodyText(&stylingReason);
            QCOMPARE(!stylingReason, exact);
            if (exact)
                QCOMPARE(text, QString("shown"));
        }
        const QByteArray walking = repeated(":is(div ", 256) + "p" + repeated(")", 256)
            + "{display:none}";
        QCOMPARE(textOf("<style>" + walking + "</style>" + repeated("<div>", 400) + "deep" + page
                        + repeated("</div>", 400)),
                 QString("deep"));
    }

    // Every sheet is read once per page, however many @imports lead to it.
    void importFanOutAndCycles()
    {
        for (int i = 0; i < 10; ++i)
            writeFile(QString("fan%1.css").arg(i),
                      repeated(QString("@import 'fan%1.css';").arg(i + 1).toUtf8(), 4));
        writeFile("fan10.css", ".x { display: none }");
        QCOMPARE(textOf("<link rel=stylesheet href=fan0.css><p class=x>x<p>y"), QString("y"));

        for (int i = 0; i < 15; ++i)
            writeFile(QString("chain%1.css").arg(i),
                      QString("@import 'chain%1.css';").arg(i + 1).toUtf8());
        writeFile("chain15.css", ".x { display: none }");
        QCOMPARE(textOf("<link rel=stylesheet href=chain0.css><p class=x>x<p>y"), QString("y"));

        writeFile("cycle-a.css", "@import 'cycle-b.css'; .x { display: none }");
        writeFile("cycle-b.css",
                  "@import 'cycle-a.css'; @import 'cycle-b.css'; .y { display: none }");
        QCOMPARE(textOf("<link rel=stylesheet href=cycle-a.css><p class=x>x<p class=y>y<p>z"),
                 QString("z"));
    }

    // Files that are not style sheets give none, at once: the kernel's own files (whose size
    // says nothing of what they give), pipes, devices, folders and links to any of them.
    void specialFilesAsStyleSheets()
    {
        QVERIFY(QFile::link("/proc/self/pagemap", m_dir.filePath("pagemap.css")));
        QVERIFY(QFile::link("/dev/zero", m_dir.filePath("zero.css")));
        QVERIFY(mkfifo(QFile::encodeName(m_dir.filePath("fifo.css")).constData(), 0600) == 0);
        QVERIFY(QDir(m_dir.path()).mkpath("folder.css"));
        QVERIFY(QFile::link(m_dir.filePath("folder.css"), m_dir.filePath("folder-link.css")));
        const QByteArray sheets =
            "<style>@import '/proc/self/pagemap'; @import 'pagemap.css'; @import "
            "'/dev/zero';</style>"
            "<link rel=stylesheet href=/proc/self/pagemap><link rel=stylesheet href=pagemap.css>"
            "<link rel=stylesheet href=zero.css><link rel=stylesheet href=/dev/zero>"
            "<link rel=stylesheet href=fifo.css><link rel=stylesheet href=folder.css>"
            "<link rel=stylesheet href=folder-link.css><link rel=stylesheet href=/proc/self/maps>";
        QCOMPARE(textOf(sheets + "<p>a"), QString("a"));
        QCOMPARE(textOf("<!DOCTYPE html>" + sheets + "<p>a"), QString("a"));
    }

    // A sheet is parsed once for all pages, and read again when it changes.
    void sharedSheetsFollowTheirFile()
    {
        const QString path = writeFile("shared.css", ".x { display: none }");
        const QByteArray page = "<link rel=stylesheet href=shared.css><p class=x>x<p class=y>y";
        QCOMPARE(textOf(page), QString("y"));
        QCOMPARE(textOf(page), QString("y"));
        writeFile("shared.css", ".y { display: none } /* longer than before */");
        QCOMPARE(textOf(page), QString("x"));
        QFile::remove(path);
        QCOMPARE(textOf(page), QString("x\n\ny"));
        const QByteArray huge = ".y { display: none }" + QByteArray(9 * 1024 * 1024, ' ');
        writeFile("shared.css", huge);
        QCOMPARE(textOf(page), QString("x\n\ny"));
    }

    // Token by token as CSS Syntax has them: strings, escapes, comments and bad URLs.
    void tokensAsTheBrowserReadsThem_data()
    {
        QTest::addColumn<QByteArray>("style");
        QTest::addColumn<QString>("text");
        QTest::newRow("escaped class")
            << QByteArray(".\\78 { display: none } .a\\:b { display: none }") << "y";
        QTest::newRow("comment inside a rule")
            << QByteArray(".x/* } */{ display/**/: none }") << "y\n\nz";
        QTest::newRow("brace in a string")
            << QByteArray(".x::after { content: \"}\" } .y { display: none }") << "x\n\nz";
        QTest::newRow("bad string ends at the line")
            << QByteArray(".y { content: \"a\n; display: none } .x { display: none }") << "z";
        QTest::newRow("bad url swallows to its parenthesis")
            << QByteArray(".x { background: url(a b) ; display: none }") << "y\n\nz";
        QTest::newRow("at-rule without block ends the sheet")
            << QByteArray(".y { display: none } @media screen") << "x\n\nz";
        QTest::newRow("number as a class is invalid")
            << QByteArray(".1x, .y { display: none }") << "x\n\ny\n\nz";
        QTest::newRow("id must be an identifier")
            << QByteArray("#1 { display: none } #a\\31 { display: none }") << "x\n\ny\n\nz";
        QTest::newRow("important with spaces")
            << QByteArray(".y { display: none ! important } .y { display: block }") << "x\n\nz";
        QTest::newRow("two values are invalid")
            << QByteArray(".y { display: none block }") << "x\n\ny\n\nz";
        QTest::newRow("html comment tokens")
            << QByteArray("<!-- .y { display: none } -->") << "x\n\nz";
    }

    void tokensAsTheBrowserReadsThem()
    {
        QFETCH(QByteArray, style);
        QFETCH(QString, text);
        QCOMPARE(textOf("<!DOCTYPE html><style>" + style
                        + "</style><p class=x>x<p class=y>y<p class=a:b>z"),
                 text);
    }
};

QTEST_GUILESS_MAIN(HostileStyleSheetsTest)
#include "tst_hostilestylesheets.moc"
