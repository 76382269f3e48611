// The tree's wire form, between a script worker and the converter: a tree sent is the tree
// received, text and all, and bytes no encoder wrote are refused without harm.

#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetCache.h"
#include "engine/fast/dom/DomWire.h"
#include "engine/fast/dom/WireBytes.h"
#include "engine/fast/text/InnerText.h"

#include <QTest>

namespace {

QString bodyText(const Dom &dom)
{
    const StyleResolver resolver(dom, QStringLiteral("/nonexistent/page.html"),
                                 SheetLoader(loadStyleSheet));
    return dom.body() < 0 ? QString() : innerText(dom, resolver.computeStyles(), dom.body());
}

void compareTrees(const Dom &sent, const Dom &received)
{
    QCOMPARE(received.size(), sent.size());
    QCOMPARE(received.documentElement(), sent.documentElement());
    QCOMPARE(received.body(), sent.body());
    QCOMPARE(received.quirksMode(), sent.quirksMode());
    for (int at = 0; at < sent.size(); ++at) {
        const DomNode &a = sent.node(at);
        const DomNode &b = received.node(at);
        QCOMPARE(b.kind, a.kind);
        QCOMPARE(b.ns, a.ns);
        QCOMPARE(b.holdsComment, a.holdsComment);
        QCOMPARE(b.parent, a.parent);
        QCOMPARE(b.nextSibling, a.nextSibling);
        QCOMPARE(b.lastChild, a.lastChild);
        QCOMPARE(b.name, a.name);
        QCOMPARE(b.attributes, a.attributes);
        QCOMPARE(b.text, a.text);
        QCOMPARE(b.id, a.id);
        QCOMPARE(b.classes, a.classes);
        QCOMPARE(b.elementIndex, a.elementIndex);
        QCOMPARE(b.typeIndex, a.typeIndex);
        QCOMPARE(b.typeCount, a.typeCount);
    }
    QCOMPARE(bodyText(received), bodyText(sent));
}

// A tree of the root and the records `write` adds, `count` nodes in all.
QByteArray craftedTree(std::uint32_t count, const std::function<void(WireWriter &)> &write)
{
    WireWriter out;
    out.putByte(1); // version
    out.putByte(0); // flags
    out.putCount(count);
    out.putByte(0); // the root: an element
    out.putCount(0);
    out.putByte(DomNode::Html);
    out.putByte(0);
    out.putString(QStringLiteral("html"));
    out.putCount(0);
    write(out);
    return out.take();
}

void putText(WireWriter &out, std::uint32_t parentPlusOne, const QString &text)
{
    out.putByte(1);
    out.putCount(parentPlusOne);
    out.putString(text);
}

} // namespace

class DomWireTest : public QObject
{
    Q_OBJECT

private slots:
    void parsedTreesComeBackWhole_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::newRow("standards")
            << QByteArray("<!DOCTYPE html><title>T</title><style>p{display:none}</style>"
                          "<div id=a class='x  y'>one<!-- c --><p>hidden</p><span>two</span>"
                          "<span lang=fr>three</span></div>");
        QTest::newRow("quirks") << QByteArray("<table><tr><td>cell<td>cell</table>");
        QTest::newRow("foreign") << QByteArray(
            "<!DOCTYPE html><p>a<svg viewBox='0 0 1 1'><title>t</title><foreignObject>"
            "<div>b</div></foreignObject></svg><math><mi>x</mi></math>");
        QTest::newRow("frameset") << QByteArray("<!DOCTYPE html><frameset><frame></frameset>");
        QTest::newRow("no body element") << QByteArray("");
        QTest::newRow("text beyond Latin-1") << QByteArray(
            "<!DOCTYPE html><p title='\xF0\x9F\x98\x80'>\xE2\x82\xAC \xF0\x9F\x98\x80");
    }
    void parsedTreesComeBackWhole()
    {
        QFETCH(QByteArray, page);
        const Dom dom = Dom::parse(page);
        const std::optional<QByteArray> bytes = encodeDom(dom);
        QVERIFY(bytes);
        const std::optional<Dom> received = decodeDom(*bytes);
        QVERIFY(received);
        compareTrees(dom, *received);
    }

    // A script's tree: nodes made, moved and dropped, nesting deeper than any parser's, and a
    // string holding half of a surrogate pair.
    void editedTreesComeBackWhole()
    {
        Dom dom = Dom::parse("<!DOCTYPE html><p id=gone>x</p><p id=moved>y</p><div>z</div>");
        int parent = dom.body();
        for (int depth = 0; depth < 100000; ++depth) {
            const int child = dom.createElement(QStringLiteral("span"));
            dom.insertBefore(parent, child);
            parent = child;
        }
        dom.insertBefore(parent, dom.createText(QString(QChar(0xD800)) + QStringLiteral("half")));
        dom.insertBefore(dom.body(), dom.node(dom.body()).firstChild + 2); // #moved to the end
        dom.detach(dom.node(dom.body()).firstChild);
        const std::optional<QByteArray> bytes = encodeDom(dom);
        QVERIFY(bytes);
        dom.finishEditing();
        const std::optional<Dom> received = decodeDom(*bytes);
        QVERIFY(received);
        compareTrees(dom, *received);
        QVERIFY(bodyText(*received).contains(QString(QChar(0xD800)) + QStringLiteral("half")));
    }

    void bytesNoEncoderWroteAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("no root") << craftedTree(0, [](WireWriter &) {});
        QTest::newRow("more nodes than sent")
            << craftedTree(3, [](WireWriter &out) { putText(out, 1, QStringLiteral("a")); });
        QTest::newRow("bytes after the tree")
            << craftedTree(1, [](WireWriter &out) { out.putByte(0); });
        QTest::newRow("a parent after its child")
            << craftedTree(2, [](WireWriter &out) { putText(out, 2, QStringLiteral("a")); });
        QTest::newRow("a second root")
            << craftedTree(2, [](WireWriter &out) { putText(out, 0, QStringLiteral("a")); });
        QTest::newRow("a child of a text") << craftedTree(3, [](WireWriter &out) {
            putText(out, 1, QStringLiteral("a"));
            putText(out, 2, QStringLiteral("b"));
        });
        QTest::newRow("an unknown namespace") << craftedTree(2, [](WireWriter &out) {
            out.putByte(0);
            out.putCount(1);
            out.putByte(DomNode::Other + 1);
            out.putByte(0);
            out.putString(QStringLiteral("p"));
            out.putCount(0);
        });
        QTest::newRow("attributes past the bound") << craftedTree(2, [](WireWriter &out) {
            out.putByte(0);
            out.putCount(1);
            out.putByte(DomNode::Html);
            out.putByte(0);
            out.putString(QStringLiteral("p"));
            out.putCount(0xFFFFFFFF);
        });
        QTest::newRow("a string longer than the bytes") << craftedTree(2, [](WireWriter &out) {
            out.putByte(1);
            out.putCount(1);
            out.putCount(0x7FFFFFFF);
        });
        QTest::newRow("nodes past the bound") << craftedTree(maxWireNodes + 1, [](WireWriter &) {});
    }
    void bytesNoEncoderWroteAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeDom(bytes));
    }

    // Under the sanitizers, every cut and every changed byte of a real tree: refused, or a tree
    // every walk can take.
    void damagedTreesDoNoHarm()
    {
        const QByteArray bytes = *encodeDom(
            Dom::parse("<!DOCTYPE html><p class=a>x<b>y</b><!--c--></p><i>z</i>"));
        for (qsizetype size = 0; size < bytes.size(); ++size)
            QVERIFY(!decodeDom(bytes.first(size)));
        for (qsizetype at = 0; at < bytes.size(); ++at) {
            for (const char change : {'\x01', '\x80', '\xFF'}) {
                QByteArray damaged = bytes;
                damaged[at] = char(damaged[at] ^ change);
                if (const std::optional<Dom> received = decodeDom(damaged)) {
                    QVERIFY(encodeDom(*received));
                    bodyText(*received);
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(DomWireTest)
#include "tst_domwire.moc"
