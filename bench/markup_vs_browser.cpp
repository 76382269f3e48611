// Sets and reads innerHTML in the browser engine and in the script DOM, and says how often the
// markup agrees byte for byte, with every disagreement: fragments parsed in the contexts that
// change the parser's rules (tables, select, raw text, foreign content), and a parsed page's
// markup written back.
//
//     markup_vs_browser

#include "bench/PageText.h"
#include "engine/browser/BrowserPageLoader.h"
#include "engine/browser/RenderEngineSetup.h"
#include "engine/fast/scriptdom/ScriptDocument.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct FragmentCase
{
    const char *context;
    const char *ns; // "html", "svg" or "math"
    const char *markup;
};

const FragmentCase fragmentCases[] = {
    {"table", "html", "<tr><td>a"},
    {"table", "html", "<caption>c</caption><col><tr><td>x</td></tr>"},
    {"table", "html", "x<tr><td>a"},
    {"tbody", "html", "<tr><td>a<td>b"},
    {"tr", "html", "<td>a<th>b"},
    {"tr", "html", "x<td>a"},
    {"td", "html", "<td>a</td>b"},
    {"div", "html", "<td>a</td>x"},
    {"colgroup", "html", "<col><col>"},
    {"select", "html", "<option>a<option>b<optgroup><option>c"},
    {"select", "html", "<input><b>x</b>"},
    {"option", "html", "a<option>b"},
    {"textarea", "html", "<b>x</b>&amp;"},
    {"textarea", "html", "\nx"},
    {"title", "html", "<b>x</b>&amp;"},
    {"style", "html", "a<b>&amp;"},
    {"script", "html", "if (a<b) {}"},
    {"iframe", "html", "<b>x</b>"},
    {"noscript", "html", "<b>x</b>"},
    {"plaintext", "html", "<b>"},
    {"pre", "html", "\nx"},
    {"svg", "svg", "<circle r=1 /><foreignobject><p>a</p></foreignobject>"},
    {"svg", "svg", "<p>a"},
    {"math", "math", "<mi>x</mi>"},
    {"foreignObject", "svg", "<p>x<svg><circle/></svg>"},
    {"mi", "math", "<b>x</b><mglyph/>"},
    {"my-element", "html", "<td>x</td><p>a<li>b"},
    {"ul", "html", "<li>a<li>b"},
    {"dl", "html", "<dt>a<dd>b"},
    {"p", "html", "<p>a"},
    {"html", "html", "<head></head><body>x"},
    {"head", "html", "<title>t</title><p>"},
    {"frameset", "html", "<frame>"},
    {"div", "html", "<!--c--><![CDATA[x]]>"},
    {"div", "html", "<noscript><b>n</b></noscript>"},
    {"div", "html", "a&nbsp;b<br/>c<img src=x alt='\"'>"},
    {"div", "html", "<table><tr><td>1</table>"},
    {"div", "html", "<table><td>x</td><b>y</b></table>"},
    {"div", "html", "<form><form>x</form>"},
    {"div", "html", "<pre>\n\nx</pre><textarea>\n\ny</textarea><listing>\n\nz</listing>"},
    {"div", "html", "<a><p>x</a>y"},
    {"div", "html", "<b><i>x</b>y</i>"},
    {"div", "html", "<p>a<div>b</div>"},
    {"div", "html", "<svg><clippath/><use xlink:href=#a /></svg>"},
    {"div", "html", "<math><mi definitionURL=u>x</mi></math>"},
};

// Parts of a parsed page whose markup is read back.
const char *const pageSections[] = {
    "a &lt; &gt; &amp; &nbsp; \" '<span title='a\"b&amp;<>'>x</span>",
    "<svg viewBox=\"0 0 1 1\" xml:lang=en><foreignObject><p>x</p></foreignObject>"
    "<use xlink:href=\"#a\"/></svg>",
    "<!-- c --><br><input value=x><wbr><param><keygen>",
    "<table><!--t--><tr><td>a</td></tr></table><select><option>1</select>",
};

// The page: the sections, then a script that writes every answer as a JSON string on a line.
QByteArray comparisonPage()
{
    QJsonArray cases;
    for (const FragmentCase &each : fragmentCases)
        cases.append(QJsonArray{each.context, each.ns, each.markup});
    QByteArray page = "<!DOCTYPE html><html><head><meta charset=utf-8></head><body>";
    for (size_t i = 0; i < std::size(pageSections); ++i)
        page += "<div id=s" + QByteArray::number(qulonglong(i)) + " hidden>" + pageSections[i]
            + "</div>";
    page += "<script>const cases = " + QJsonDocument(cases).toJson(QJsonDocument::Compact) + R"(;
const out = [];
for (const [context, ns, markup] of cases) {
  const element = ns == 'svg' ? document.createElementNS('http://www.w3.org/2000/svg', context)
    : ns == 'math' ? document.createElementNS('http://www.w3.org/1998/Math/MathML', context)
    : document.createElement(context);
  element.innerHTML = markup;
  out.push(JSON.stringify(element.innerHTML));
}
for (let i = 0; document.getElementById('s' + i); ++i)
  out.push(JSON.stringify(document.getElementById('s' + i).innerHTML));
const pre = document.createElement('pre');
pre.textContent = out.join('\n');
document.body.replaceChildren(pre);
</script></body></html>)";
    return page;
}

QString describe(const TextResult &result)
{
    return result.error == DomError::None ? result.text
                                          : QStringLiteral("(error %1)").arg(int(result.error));
}

// The script DOM's answers, in the order the page writes the browser's.
QStringList scriptDomAnswers(const QByteArray &page)
{
    Dom dom = Dom::parse(page, Dom::ParseOptions{true});
    ScriptDocument document(dom);
    QStringList answers;
    for (const FragmentCase &each : fragmentCases) {
        const QString ns = QString::fromLatin1(each.ns);
        const NodeResult element = ns == "svg"
            ? document.createElementNs("http://www.w3.org/2000/svg", each.context)
            : ns == "math"
            ? document.createElementNs("http://www.w3.org/1998/Math/MathML", each.context)
            : document.createElement(each.context);
        const DomError error = document.setInnerHtml(element.node, QString::fromUtf8(each.markup));
        answers << (error == DomError::None ? describe(document.innerHtml(element.node))
                                            : QStringLiteral("(error %1)").arg(int(error)));
    }
    for (size_t i = 0; i < std::size(pageSections); ++i) {
        const int section = document.getElementById(ScriptDocument::documentNode,
                                                    "s" + QString::number(i));
        answers << describe(document.innerHtml(section));
    }
    return answers;
}

QStringList browserAnswers(const QString &text)
{
    QStringList answers;
    for (const QString &line : text.split('\n')) {
        const QJsonDocument parsed = QJsonDocument::fromJson(('[' + line + ']').toUtf8());
        answers << (parsed.isArray() ? parsed.array().at(0).toString() : line);
    }
    return answers;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareRenderEngine();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("markup.html");
    const QByteArray page = comparisonPage();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size()) {
        std::fprintf(stderr, "markup_vs_browser: cannot write %s\n", qPrintable(path));
        return 2;
    }
    file.close();
    BrowserPageLoader engine;
    const std::optional<QString> text = waitForPageText(engine, path, 30'000);
    if (!text) {
        std::fprintf(stderr, "markup_vs_browser: the browser engine gave no text\n");
        return 2;
    }
    const QStringList browser = browserAnswers(*text);
    const QStringList ours = scriptDomAnswers(page);
    int identical = 0;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        const QString theirs = i < browser.size() ? browser[i] : QString();
        if (theirs == ours[i]) {
            ++identical;
            continue;
        }
        const QString input = i < qsizetype(std::size(fragmentCases))
            ? QString("%1 <- %2").arg(fragmentCases[i].context, fragmentCases[i].markup)
            : QString("page section %1").arg(i - qsizetype(std::size(fragmentCases)));
        std::printf("case %lld: %s\n  browser: %s\n  ours:    %s\n", (long long)i + 1,
                    qPrintable(input), qPrintable(theirs), qPrintable(ours[i]));
    }
    std::printf("%d of %lld markup answers identical\n", identical, (long long)ours.size());
    return identical == ours.size() ? 0 : 1;
}
