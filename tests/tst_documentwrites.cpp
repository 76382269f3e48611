#include "engine/fast/script/DocumentWrites.h"

#include <QTest>

// The page's input with what its scripts wrote: where each piece goes, which scripts lie in
// written markup, and which writes the page cannot take.
class TestDocumentWrites : public QObject
{
    Q_OBJECT

private slots:
    void writesGoAfterTheirScriptsEndTags();
    void aScriptInWrittenMarkupIsKnownAsOne();
    void writesThePageCannotTakeAreRefused();
    void theParseBeforeAWriteMustStayAsItWas();
};

namespace {

const QByteArray page = "<p>a<script>1</script>b<script>2</script>c";
const qsizetype firstEnd = page.indexOf("</script>") + 9;
const qsizetype secondEnd = page.lastIndexOf("</script>") + 9;

} // namespace

void TestDocumentWrites::writesGoAfterTheirScriptsEndTags()
{
    DocumentWrites writes(page);
    QVERIFY(!writes.any());
    QVERIFY(writes.setWrittenAfter(secondEnd, QStringLiteral("[two]")));
    QVERIFY(writes.setWrittenAfter(firstEnd, QStringLiteral("[one]")));
    QCOMPARE(writes.input().utf8,
             QByteArray("<p>a<script>1</script>[one]b<script>2</script>[two]c"));
    // The second script's end, moved by what the first wrote, still finds its own markup.
    const qsizetype movedEnd = writes.inputOffset(secondEnd);
    QCOMPARE(movedEnd, secondEnd + 5);
    QCOMPARE(writes.writtenAfter(movedEnd), std::optional(QStringLiteral("[two]")));
    QCOMPARE(writes.writtenAfter(firstEnd), std::optional(QStringLiteral("[one]")));
    // Writing nothing takes the markup out again.
    QVERIFY(writes.setWrittenAfter(firstEnd, QString()));
    QCOMPARE(writes.input().utf8, QByteArray("<p>a<script>1</script>b<script>2</script>[two]c"));
    QCOMPARE(writes.writtenAfter(firstEnd), std::optional(QStringLiteral("")));
}

void TestDocumentWrites::aScriptInWrittenMarkupIsKnownAsOne()
{
    DocumentWrites writes(page);
    const QString written = QStringLiteral("<script>3</script>");
    QVERIFY(writes.setWrittenAfter(firstEnd, written));
    const qsizetype writtenEnd = firstEnd + written.size();
    QCOMPARE(writes.writtenAfter(writtenEnd), std::nullopt);
    QVERIFY(!writes.setWrittenAfter(writtenEnd, QStringLiteral("x")));
}

void TestDocumentWrites::writesThePageCannotTakeAreRefused()
{
    DocumentWrites writes(page);
    // Markup the parser's input would rewrite is not written as the page's own was read.
    QVERIFY(!writes.setWrittenAfter(firstEnd, QStringLiteral("<noscript>x</noscript>")));
    QVERIFY(!writes.setWrittenAfter(firstEnd, QStringLiteral("a\x01z")));
    QVERIFY(!writes.setWrittenAfter(
        firstEnd, QString(DocumentWrites::maxWrittenBytes + 1, QLatin1Char('x'))));
    QVERIFY(!writes.any());
}

void TestDocumentWrites::theParseBeforeAWriteMustStayAsItWas()
{
    const Dom::ParseOptions options{true, true};
    const QByteArray table = "<table><tr><td>x</td></tr><script>1</script></table>";
    const qsizetype scriptEnd = table.indexOf("</script>") + 9;
    const Dom before = Dom::parseInput(parserInput(table), options);
    int script = 0;
    while (!before.node(script).isElement("script"))
        ++script;
    QCOMPARE(before.sourceSpan(script).end, scriptEnd);
    const int last = script + 1; // its text
    for (const auto &[markup, same] :
         {std::pair{"<tr><td>y</td></tr>", true}, std::pair{"text the table pushes out", false}}) {
        DocumentWrites writes(table);
        QVERIFY(writes.setWrittenAfter(scriptEnd, QString::fromLatin1(markup)));
        const Dom after = Dom::parseInput(writes.input(), options);
        QCOMPARE(sameParseUpTo(before, after, last), same);
    }
}

QTEST_GUILESS_MAIN(TestDocumentWrites)
#include "tst_documentwrites.moc"
