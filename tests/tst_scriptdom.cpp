// The document tree as a page's scripts see it: the DOM standard's answers on the engine's own
// tree, and the view of a page the parser has not finished.

#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/scriptdom/ScriptDocument.h"
#include "engine/fast/text/InnerText.h"

#include <QTest>

namespace {

Dom parsed(const QByteArray &html)
{
    return Dom::parse(html, Dom::ParseOptions{true});
}

QString bodyText(const Dom &dom)
{
    const StyleResolver resolver(dom, QString(), [](const QString &) { return nullptr; });
    return innerText(dom, resolver.computeStyles(), dom.body());
}

QStringList names(const ScriptDocument &document, const std::vector<int> &nodes)
{
    QStringList list;
    for (int node : nodes) {
        const QString id = document.attribute(node, QStringLiteral("id"));
        list.append(id.isEmpty() ? document.nodeName(node) : document.nodeName(node) + '#' + id);
    }
    return list;
}

} // namespace

class ScriptDomTest : public QObject
{
    Q_OBJECT

private slots:
    void commentsAndTheDoctypeAreNodesButNoText()
    {
        const QByteArray page = "<!DOCTYPE html><!--a--><html><head><style>p:empty{display:none}"
                                "</style></head><body>x<!--b-->y<p><!--only--></p>"
                                "<table><!--t--><tr><td>c</table></body></html><!--z-->";
        Dom dom = parsed(page);
        ScriptDocument document(dom);
        QCOMPARE(names(document, document.childNodes(ScriptDocument::documentNode)),
                 QStringList({"html", "#comment", "HTML", "#comment"}));
        QCOMPARE(document.doctypeName(), QStringLiteral("html"));
        QCOMPARE(names(document, document.childNodes(document.body())).mid(0, 3),
                 QStringList({"#text", "#comment", "#text"}));
        QCOMPARE(document.textContent(document.body()), QStringLiteral("xyc"));
        QCOMPARE(document.nodeValue(document.nextSibling(document.documentElement())),
                 QStringLiteral("z"));
        // Kept or not, comments change nothing in the text, even where the cascade and
        // selectors look at children.
        QCOMPARE(bodyText(dom), bodyText(Dom::parse(page)));
        QCOMPARE(bodyText(dom), QStringLiteral("xy\nc"));
        // Nor does one a script adds.
        const int comment = document.createComment(QStringLiteral("new")).node;
        document.appendChild(document.body(), comment);
        dom.finishEditing();
        QCOMPARE(bodyText(dom), QStringLiteral("xy\nc"));
    }

    void theEnginesTreeFollowsTheScripts()
    {
        Dom dom = parsed("<!--a--><html><body><p>old</p></body></html><!--z-->");
        ScriptDocument document(dom);
        const int body = document.createElement("body").node;
        document.setInnerHtml(body, "<p>new</p>");
        document.replaceChild(document.documentElement(), body, document.body());
        QCOMPARE(dom.body(), body);
        document.remove(document.firstChild(ScriptDocument::documentNode));
        document.appendChild(ScriptDocument::documentNode, document.createComment("y").node);
        dom.finishEditing();
        QCOMPARE(bodyText(dom), QStringLiteral("new"));
        ScriptDocument after(dom);
        QCOMPARE(names(after, after.childNodes(ScriptDocument::documentNode)),
                 QStringList({"HTML", "#comment", "#comment"}));
        QCOMPARE(after.nodeValue(after.lastChild(ScriptDocument::documentNode)),
                 QStringLiteral("y"));
    }

    void anXhtmlDocumentKeepsNamesAsWritten()
    {
        bool exact = false;
        Dom dom = Dom::parseXml("<html xmlns='http://www.w3.org/1999/xhtml'><body>"
                                "<p Data-X='1'>a</p></body></html>",
                                exact);
        ScriptDocument document(dom, false);
        QCOMPARE(document.tagName(document.documentElement()), QStringLiteral("html"));
        const int p = document.firstElementChild(document.body());
        QCOMPARE(document.tagName(p), QStringLiteral("p"));
        QCOMPARE(document.attribute(p, "data-x"), QString());
        QCOMPARE(document.attribute(p, "Data-X"), QStringLiteral("1"));
        QCOMPARE(document.localName(document.createElement("Div").node), QStringLiteral("Div"));
    }

    void changesObeyTheStandardsValidity()
    {
        Dom dom = parsed("<body><div id=a><p id=b>text</p></div><span id=c></span>");
        ScriptDocument document(dom);
        const int a = document.getElementById(ScriptDocument::documentNode, "a");
        const int b = document.getElementById(ScriptDocument::documentNode, "b");
        const int c = document.getElementById(ScriptDocument::documentNode, "c");
        const int text = document.createTextNode("t").node;
        QCOMPARE(document.appendChild(ScriptDocument::documentNode, text).error,
                 DomError::HierarchyRequest);
        QCOMPARE(document.appendChild(b, a).error, DomError::HierarchyRequest);
        QCOMPARE(document.appendChild(text, c).error, DomError::HierarchyRequest);
        QCOMPARE(document.insertBefore(a, c, c).error, DomError::NotFound);
        QCOMPARE(document.removeChild(a, c).error, DomError::NotFound);
        QCOMPARE(
            document.appendChild(ScriptDocument::documentNode, document.createElement("x").node)
                .error,
            DomError::HierarchyRequest);
        QCOMPARE(document.createElement("a b").error, DomError::InvalidCharacter);

        // A fragment gives up its children; before() skips the nodes it moves itself.
        const int fragment = document.createDocumentFragment().node;
        document.append(fragment, {{c, {}}, {-1, "s"}});
        QCOMPARE(document.appendChild(a, fragment).node, fragment);
        QVERIFY(!document.hasChildNodes(fragment));
        QCOMPARE(names(document, document.childNodes(a)), QStringList({"P#b", "SPAN#c", "#text"}));
        QCOMPARE(document.before(c, {{b, {}}, {c, {}}}), DomError::None);
        QCOMPARE(names(document, document.childNodes(a)), QStringList({"P#b", "SPAN#c", "#text"}));
        QCOMPARE(document.replaceWith(b, {{-1, "r"}, {c, {}}}), DomError::None);
        QCOMPARE(names(document, document.childNodes(a)),
                 QStringList({"#text", "SPAN#c", "#text"}));
        QCOMPARE(document.textContent(a), QStringLiteral("rs"));
        QCOMPARE(document.parentNode(b), ScriptDocument::noNode);

        const int clone = document.cloneNode(a, true).node;
        QCOMPARE(document.parentNode(clone), ScriptDocument::noNode);
        QVERIFY(document.matches(document.firstElementChild(clone), "div > :only-child").value);
        QCOMPARE(document.outerHtml(clone).text,
                 QStringLiteral("<div id=\"a\">r<span id=\"c\"></span>s</div>"));
        QVERIFY(!document.isConnected(clone));
        QCOMPARE(document.compareDocumentPosition(a, c), 0x10 | 0x04);
        QCOMPARE(document.compareDocumentPosition(c, a), 0x08 | 0x02);
        QCOMPARE(document.compareDocumentPosition(document.head(), c), 0x04);
        QVERIFY(document.compareDocumentPosition(a, clone) & 0x01);
    }

    void theParsersWatermarkHidesWhatItHasNotMade()
    {
        Dom dom = parsed("<body><div id=open><script id=s>x()</script><p id=late>t</p></div>"
                         "<p id=after>u</p>");
        ScriptDocument document(dom);
        const int open = document.getElementById(ScriptDocument::documentNode, "open");
        const int script = document.getElementById(ScriptDocument::documentNode, "s");
        const std::uint64_t fullView = document.viewVersion();
        document.setParsedUpTo(script);
        QVERIFY(document.viewVersion() != fullView);
        QCOMPARE(document.getElementById(ScriptDocument::documentNode, "late"), -1);
        QCOMPARE(document.lastChild(document.body()), open);
        QCOMPARE(document.textContent(document.body()), QStringLiteral("x()"));
        QCOMPARE(document.querySelectorAll(ScriptDocument::documentNode, "p").nodes.size(), 0u);
        QCOMPARE(document.querySelector(ScriptDocument::documentNode, "div:empty").error,
                 DomError::NotModelled);
        QCOMPARE(document.innerHtml(open).text, QStringLiteral("<script id=\"s\">x()</script>"));

        // Appended to the open element, a node goes before the children not yet parsed.
        const int span = document.createElement("span").node;
        document.appendChild(open, span);
        QCOMPARE(document.querySelector(ScriptDocument::documentNode, "span:last-child").node,
                 span);
        document.finishParsing();
        QCOMPARE(names(document, document.childNodes(open)),
                 QStringList({"SCRIPT#s", "SPAN", "P#late"}));
        QCOMPARE(document.querySelector(ScriptDocument::documentNode, "span:last-child").node, -1);
        QCOMPARE(document.textContent(document.body()), QStringLiteral("x()tu"));
        // After a change nothing shown is hidden again: the span would be left below it.
        document.setParsedUpTo(script);
        QCOMPARE(document.textContent(document.body()), QStringLiteral("x()tu"));
    }

    void markupSetWhileParsingPrecedesWhatTheParserAddsLater()
    {
        Dom dom = parsed("<head><script id=h></script></head><body><div id=open><script id=s>"
                         "</script><p id=late>t</p></div>");
        ScriptDocument document(dom);
        const int head = document.getElementById(ScriptDocument::documentNode, "h");
        const int script = document.getElementById(ScriptDocument::documentNode, "s");
        const int open = document.parentNode(script);
        document.setParsedUpTo(head);
        QCOMPARE(document.body(), -1);
        document.setParsedUpTo(script);
        QCOMPARE(document.setInnerHtml(open, "<i>n</i>"), DomError::None);
        QCOMPARE(document.lastElementChild(open), document.firstChild(open));
        document.finishParsing();
        QCOMPARE(names(document, document.childNodes(open)), QStringList({"I", "P#late"}));
    }

    void serialisesAsTheBrowserDoes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("html");
        QTest::newRow("text escaping")
            << QByteArray("a &amp; &lt;b&gt; &nbsp;\"'") << "a &amp; &lt;b&gt; &nbsp;\"'";
        QTest::newRow("attribute escaping") << QByteArray("<i title='&amp;&quot;&lt;&gt;&nbsp;'>")
                                            << "<i title=\"&amp;&quot;<>&nbsp;\"></i>";
        QTest::newRow("void elements") << QByteArray("<br><img src=x alt><input></input><p>a</p>")
                                       << "<br><img src=\"x\" alt=\"\"><input><p>a</p>";
        QTest::newRow("raw text") << QByteArray("<script>a<b&amp;</script><style>x>y</style>"
                                                "<textarea>a<b</textarea>")
                                  << "<script>a<b&amp;</script><style>x>y</style>"
                                     "<textarea>a&lt;b</textarea>";
        QTest::newRow("comments") << QByteArray("<!-- a -- b -->") << "<!-- a -- b -->";
        QTest::newRow("svg names")
            << QByteArray("<svg viewBox='0 0 1 1' xml:lang=en><foreignObject/><clipPath/>"
                          "<use xlink:href=#a /></svg>")
            << "<svg viewBox=\"0 0 1 1\" xml:lang=\"en\"><foreignObject></foreignObject>"
               "<clipPath></clipPath><use xlink:href=\"#a\"></use></svg>";
    }

    void serialisesAsTheBrowserDoes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, html);
        Dom dom = parsed("<body>" + body);
        ScriptDocument document(dom);
        QCOMPARE(document.innerHtml(document.body()).text, html);
        // Read back, the markup gives the same tree.
        QCOMPARE(document.setInnerHtml(document.body(), html), DomError::None);
        QCOMPARE(document.innerHtml(document.body()).text, html);
    }

    void parsesFragmentsInTheirContext_data()
    {
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("html");
        QTest::newRow("table") << QByteArray("<table id=c></table>") << "<tr><td>a"
                               << "<tbody><tr><td>a</td></tr></tbody>";
        QTest::newRow("row") << QByteArray("<table><tr id=c></tr></table>") << "<td>a<td>b"
                             << "<td>a</td><td>b</td>";
        QTest::newRow("cells out of a table") << QByteArray("<div id=c></div>") << "<td>a</td>x"
                                              << "ax";
        QTest::newRow("select") << QByteArray("<select id=c></select>") << "<option>a<option>b"
                                << "<option>a</option><option>b</option>";
        QTest::newRow("textarea") << QByteArray("<textarea id=c></textarea>") << "<b>x</b>"
                                  << "&lt;b&gt;x&lt;/b&gt;";
        QTest::newRow("svg") << QByteArray("<svg id=c></svg>") << "<clippath/>"
                             << "<clipPath></clipPath>";
    }

    void parsesFragmentsInTheirContext()
    {
        QFETCH(QByteArray, context);
        QFETCH(QString, markup);
        QFETCH(QString, html);
        Dom dom = parsed("<body>" + context);
        ScriptDocument document(dom);
        const int element = document.getElementById(ScriptDocument::documentNode, "c");
        QCOMPARE(document.setInnerHtml(element, markup), DomError::None);
        QCOMPARE(document.innerHtml(element).text, html);
    }

    void insertsMarkupBesideAndInside()
    {
        Dom dom = parsed("<body><p id=p>b</p>");
        ScriptDocument document(dom);
        const int p = document.getElementById(ScriptDocument::documentNode, "p");
        QCOMPARE(document.insertAdjacentHtml(p, "beforeBegin", "<i>1</i>"), DomError::None);
        QCOMPARE(document.insertAdjacentHtml(p, "afterbegin", "a"), DomError::None);
        QCOMPARE(document.insertAdjacentText(p, "beforeend", "<c>"), DomError::None);
        QCOMPARE(document.insertAdjacentHtml(p, "afterend", "<script>x()</script>"),
                 DomError::None);
        QCOMPARE(document.insertAdjacentHtml(p, "middle", "x"), DomError::Syntax);
        QCOMPARE(document.innerHtml(document.body()).text,
                 QStringLiteral("<i>1</i><p id=\"p\">ab&lt;c&gt;</p><script>x()</script>"));
        QCOMPARE(document.insertAdjacentHtml(document.documentElement(), "afterend", "x"),
                 DomError::NoModificationAllowed);
        // A script from markup is connected, but never runs.
        const std::vector<int> connected = document.takeConnectedResourceElements();
        QCOMPARE(connected.size(), 1u);
        QVERIFY(document.isMarkupScript(connected.front()));
        QCOMPARE(document.setOuterHtml(p, "<b>x</b>y"), DomError::None);
        QCOMPARE(document.innerHtml(document.body()).text,
                 QStringLiteral("<i>1</i><b>x</b>y<script>x()</script>"));
        QCOMPARE(document.innerHtml(document.createElement("template").node).error,
                 DomError::NotModelled);
    }

    void serialisesTreesDeeperThanAnyStack()
    {
        Dom dom = parsed("<body>");
        ScriptDocument document(dom);
        int parent = document.body();
        for (int depth = 0; depth < 100000; ++depth) {
            const int child = document.createElement("b").node;
            document.appendChild(parent, child);
            parent = child;
        }
        const QString html = document.innerHtml(document.body()).text;
        QCOMPARE(html.size(), 100000 * 7);
        QVERIFY(document.contains(document.body(), parent));
        QCOMPARE(document.closest(parent, "body > b").node, document.firstChild(document.body()));
    }

    void classListIsAnOrderedSet()
    {
        Dom dom = parsed("<body><p id=p class='  b a\tb '></p><i id=i></i>");
        ScriptDocument document(dom);
        const int p = document.getElementById(ScriptDocument::documentNode, "p");
        const int i = document.getElementById(ScriptDocument::documentNode, "i");
        QCOMPARE(document.classList(p), QStringList({"b", "a"}));
        QCOMPARE(document.classListAdd(p, {"a"}), DomError::None);
        QCOMPARE(document.className(p), QStringLiteral("b a"));
        QCOMPARE(document.classListReplace(p, "a", "b").value, true);
        QCOMPARE(document.className(p), QStringLiteral("b"));
        QCOMPARE(document.classListReplace(p, "x", "y").value, false);
        QCOMPARE(document.classListToggle(p, "c", true).value, true);
        QCOMPARE(document.classListToggle(p, "c", true).value, true);
        QCOMPARE(document.classListToggle(p, "b", {}).value, false);
        QCOMPARE(document.className(p), QStringLiteral("c"));
        QCOMPARE(document.classListAdd(p, {"d", ""}), DomError::Syntax);
        QCOMPARE(document.classListRemove(p, {"a b"}), DomError::InvalidCharacter);
        QCOMPARE(document.className(p), QStringLiteral("c"));
        // Removing from an element without the attribute makes none.
        QCOMPARE(document.classListRemove(i, {"x"}), DomError::None);
        QVERIFY(!document.hasAttribute(i, "class"));
        // Selectors see the classes at once.
        QCOMPARE(document.getElementsByClassName(ScriptDocument::documentNode, "c").size(), 1u);
        QCOMPARE(document.querySelector(ScriptDocument::documentNode, ".c").node, p);
    }

    void attributesAreBounded()
    {
        Dom dom = parsed("<body><p id=p><svg id=s viewBox='0 0 1 1'></svg>");
        ScriptDocument document(dom);
        const int p = document.getElementById(ScriptDocument::documentNode, "p");
        for (int i = 1; i < ScriptDocument::maxAttributes; ++i)
            QCOMPARE(document.setAttribute(p, "a" + QString::number(i), "v"), DomError::None);
        QCOMPARE(document.setAttribute(p, "one-more", "v"), DomError::NotModelled);
        QCOMPARE(document.setAttribute(p, "a1", "changed"), DomError::None);
        // A foreign element's mixed-case name is kept apart from its lower-case spelling.
        const int svg = document.getElementById(ScriptDocument::documentNode, "s");
        QCOMPARE(document.attribute(svg, "viewbox"), QString());
        QCOMPARE(document.setAttribute(svg, "viewbox", "x"), DomError::NotModelled);
        QCOMPARE(document.setAttribute(svg, "viewBox", "0 0 2 2"), DomError::None);
        QCOMPARE(document.attributeNames(svg), QStringList({"id", "viewBox"}));
    }

    void attributesAndDataset()
    {
        Dom dom = parsed("<body><p id=p data-foo-bar=1 data-x-=2 data-Y=3>");
        ScriptDocument document(dom);
        const int p = document.getElementById(ScriptDocument::documentNode, "p");
        QCOMPARE(document.attribute(p, "DATA-FOO-BAR"), QStringLiteral("1"));
        QCOMPARE(document.dataset(p),
                 (QList<std::pair<QString, QString>>{{"fooBar", "1"}, {"x-", "2"}, {"y", "3"}}));
        QCOMPARE(document.datasetAttributeName("fooBarBaz").text,
                 QStringLiteral("data-foo-bar-baz"));
        QCOMPARE(document.datasetAttributeName("foo-bar").error, DomError::Syntax);
        QCOMPARE(document.toggleAttribute(p, "Hidden", {}).value, true);
        QCOMPARE(document.attributeNames(p).last(), QStringLiteral("hidden"));
        QCOMPARE(document.setAttribute(p, "a\"b", "x"), DomError::InvalidCharacter);
        // Asked twice, the ids are indexed; the index follows a change.
        QCOMPARE(document.getElementById(ScriptDocument::documentNode, "p"), p);
        document.setId(p, "q");
        QCOMPARE(document.getElementById(ScriptDocument::documentNode, "q"), p);
        QCOMPARE(document.getElementById(ScriptDocument::documentNode, "q"), p);
        QCOMPARE(document.getElementById(ScriptDocument::documentNode, "x"), -1);
        QCOMPARE(document.getElementById(ScriptDocument::documentNode, "p"), -1);
    }

    void selectorsOnAnEditedTree()
    {
        Dom dom = parsed("<body><ul id=u><li id=a>1<li id=b>2</ul><ol id=o></ol>");
        ScriptDocument document(dom);
        const int u = document.getElementById(ScriptDocument::documentNode, "u");
        const int o = document.getElementById(ScriptDocument::documentNode, "o");
        const int a = document.getElementById(ScriptDocument::documentNode, "a");
        const int b = document.getElementById(ScriptDocument::documentNode, "b");
        // Moved into an element made after them, the items must still be found below it.
        const int wrapper = document.createElement("section").node;
        document.appendChild(o, wrapper);
        document.appendChild(wrapper, b);
        document.appendChild(wrapper, a);
        QCOMPARE(
            names(document, document.querySelectorAll(ScriptDocument::documentNode, "ol li").nodes),
            QStringList({"LI#b", "LI#a"}));
        // Places among siblings are counted for the first selector that tests them, nested too.
        QCOMPARE(document.querySelector(wrapper, ":is(li:not(:first-child))").node, a);
        QCOMPARE(document.querySelector(ScriptDocument::documentNode, "li:first-child").node, b);
        QCOMPARE(document.querySelector(u, "li").node, -1);
        QCOMPARE(document.querySelectorAll(o, ":scope > section > li").nodes.size(), 2u);
        QCOMPARE(document.querySelectorAll(wrapper, ":scope > section > li").nodes.size(), 0u);
        QVERIFY(document.matches(a, "section > li:last-child:nth-of-type(2)").value);
        QCOMPARE(document.closest(a, "ol").node, o);
        QCOMPARE(document.getElementsByTagName(o, "LI").size(), 2u);

        QCOMPARE(document.querySelector(o, "li:").error, DomError::Syntax);
        QCOMPARE(document.querySelector(o, "*,:x").error, DomError::Syntax);
        QCOMPARE(document.querySelector(o, "").error, DomError::Syntax);
        QCOMPARE(document.querySelector(o, "li:focus").error, DomError::NotModelled);
        QCOMPARE(document.querySelector(o, "input:required").error, DomError::NotModelled);
        QCOMPARE(document.querySelector(o, "li:hover").node, -1);
    }

    void reportsChangesAndInsertedResources()
    {
        Dom dom = parsed("<body><p id=p>");
        ScriptDocument document(dom);
        const std::uint64_t before = document.mutationCount();
        const int p = document.getElementById(ScriptDocument::documentNode, "p");
        document.textContent(p);
        document.querySelectorAll(ScriptDocument::documentNode, "p");
        QCOMPARE(document.mutationCount(), before);
        const int holder = document.createElement("div").node;
        const int script = document.createElement("script").node;
        const int style = document.createElement("style").node;
        document.appendChild(holder, script);
        document.appendChild(holder, style);
        QVERIFY(document.takeConnectedResourceElements().empty());
        document.appendChild(p, holder);
        QCOMPARE(document.takeConnectedResourceElements(), (std::vector<int>{script, style}));
        QVERIFY(!document.isMarkupScript(script));
        QVERIFY(document.mutationCount() > before);
        const std::uint64_t afterInsert = document.mutationCount();
        document.setAttribute(p, "title", "t");
        QVERIFY(document.mutationCount() > afterInsert);
    }

    void aMadeDocumentStaysApartUntilItsNodesAreAdopted()
    {
        Dom dom = parsed("<body><p id=p>a</p>");
        ScriptDocument document(dom);
        const int made = document.createHtmlDocument(QStringLiteral("t")).node;
        QCOMPARE(document.nodeType(made), DomNodeType::Document);
        QCOMPARE(names(document, document.childNodes(made)), (QStringList{"html", "HTML"}));
        const int madeBody = document.body(made);
        QCOMPARE(document.title(), QString());
        QCOMPARE(document.setInnerHtml(madeBody, "<script>s()</script><b>b<i>i</i></b>"),
                 DomError::None);
        QVERIFY(document.takeConnectedResourceElements().empty());
        const int bold = document.querySelector(made, "b").node;
        QVERIFY(bold >= 0);
        QCOMPARE(document.querySelector(ScriptDocument::documentNode, "b").node, -1);
        QCOMPARE(document.querySelector(made, ":root").error, DomError::NotModelled);
        QCOMPARE(document.nodeDocument(document.firstChild(bold)), made);
        // Its own tree stays as made.
        const int comment = document.createComment("c", made).node;
        QCOMPARE(document.appendChild(made, comment).error, DomError::NotModelled);
        QCOMPARE(document.remove(document.documentElement(made)), DomError::NotModelled);
        QCOMPARE(document.cloneNode(made, true).error, DomError::NotModelled);
        // Moving a node in adopts it with its subtree; it is then the page's to render.
        const int p = document.getElementById(ScriptDocument::documentNode, "p");
        document.appendChild(p, bold);
        QCOMPARE(document.nodeDocument(bold), ScriptDocument::documentNode);
        QCOMPARE(document.nodeDocument(document.lastChild(bold)), ScriptDocument::documentNode);
        document.appendChild(madeBody, document.createElement("u").node);
        QCOMPARE(document.nodeDocument(document.lastChild(madeBody)), made);
        document.finishParsing();
        dom.finishEditing();
        QCOMPARE(bodyText(dom), QStringLiteral("abi"));
        QCOMPARE(dom.size(), parsed("<body><p>a<b>b<i>i</i></b></p>").size());
    }
};

QTEST_GUILESS_MAIN(ScriptDomTest)
#include "tst_scriptdom.moc"
