// Drives the script DOM with random calls, as a hostile page's scripts could make them, over a
// sample page for a while, and checks after each batch that the tree is still a tree: every
// child's links agree with its parent's and no walk runs in a circle. A crash ends the program
// by itself; a broken tree, or a round that runs on for seconds, ends it with a message and the
// seed that made it.
//
//     fuzz_scriptdom <seconds> <page.html> [seed]

#include "engine/fast/scriptdom/ScriptDocument.h"

#include <QElapsedTimer>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <random>

#include <unistd.h>

namespace {

constexpr unsigned hangSeconds = 10;
volatile std::sig_atomic_t currentSeed = 0;

void reportHang(int)
{
    char message[64];
    const int length = std::snprintf(message, sizeof message,
                                     "fuzz_scriptdom: a round hung with seed %u\n",
                                     unsigned(currentSeed));
    (void)!write(STDERR_FILENO, message, size_t(length));
    _exit(1);
}

const char *const markup[] = {"<p>a<b>b</p>c",
                              "<tr><td>x",
                              "<td>",
                              "<!--c-->",
                              "<script>x</script>",
                              "<style>p{}</style>",
                              "<svg><circle/><foreignObject><p>x",
                              "<table><tr><td>1</table>",
                              "<select><option>a",
                              "<template><b>t</b></template>",
                              "<form><form>",
                              "&amp;&nbsp;<",
                              "",
                              "<html><body>x",
                              "<a><p>x</a>",
                              "<math><mi>x"};

const char *const selectors[] = {"p",
                                 "div p",
                                 "*",
                                 ":scope > *",
                                 "li:last-child",
                                 "a ~ b",
                                 "p + p",
                                 "[id]",
                                 ".a.b",
                                 ":not(p)",
                                 ":is(p, div) > :first-child",
                                 "p::before",
                                 ":hover",
                                 ":focus",
                                 "",
                                 "p,",
                                 ":nth-child(2n+1)",
                                 ":empty",
                                 "svg|rect",
                                 ":root",
                                 "#a",
                                 "*:only-of-type"};

const char *const names[] = {"div", "p",        "span", "script", "link", "style", "table", "tr",
                             "td",  "template", "svg",  "a",      "li",   "body",  "head",  "html"};

const char *const positions[] = {"beforebegin", "afterbegin", "beforeend", "afterend", "x"};

class Fuzzer
{
public:
    Fuzzer(Dom &dom, unsigned seed) : m_document(dom), m_random(seed), m_parsedCount(dom.size()) {}

    void step()
    {
        switch (pick(16)) {
        case 0:
            m_document.appendChild(node(), node());
            break;
        case 1:
            m_document.insertBefore(node(), node(), node());
            break;
        case 2:
            m_document.removeChild(node(), node());
            break;
        case 3:
            m_document.replaceChild(node(), node(), node());
            break;
        case 4:
            changeWithList();
            break;
        case 5:
            make();
            break;
        case 6:
            setMarkup();
            break;
        case 7:
            m_document.innerHtml(node());
            m_document.outerHtml(node());
            break;
        case 8:
            changeAttributes();
            break;
        case 9:
            query();
            break;
        case 10:
            if (pick(8) == 0)
                m_document.finishParsing();
            else
                m_document.setParsedUpTo(pick(m_parsedCount + 1));
            break;
        case 11:
            m_document.setTextContent(node(), pick(2) ? "t" : "");
            m_document.textContent(node());
            break;
        case 12:
            m_document.compareDocumentPosition(node(), node());
            m_document.contains(node(), node());
            break;
        case 13:
            m_document.cloneNode(node(), pick(2));
            break;
        case 14:
            m_document.childNodes(node());
            m_document.children(node());
            break;
        default:
            m_document.remove(node());
            break;
        }
    }

    void finish() { m_document.finishParsing(); }

    // Links that agree, no node its own ancestor, and every node the document reaches walked
    // as scripts walk it in no more steps than there are nodes.
    bool treeHolds() const
    {
        const Dom &dom = m_document.dom();
        for (int at = 0; at < dom.size(); ++at) {
            const DomNode &each = dom.node(at);
            if (each.nextSibling >= 0 && dom.node(each.nextSibling).previousSibling != at)
                return false;
            if (each.parent >= 0 && each.previousSibling < 0
                && dom.node(each.parent).firstChild != at)
                return false;
            if (each.parent >= 0 && each.nextSibling < 0 && dom.node(each.parent).lastChild != at)
                return false;
            int depth = 0;
            for (int up = each.parent; up >= 0; up = dom.node(up).parent) {
                if (++depth > dom.size())
                    return false;
            }
        }
        int steps = 0;
        std::vector<int> pending{ScriptDocument::documentNode};
        while (!pending.empty()) {
            const int parent = pending.back();
            pending.pop_back();
            for (int child : m_document.childNodes(parent)) {
                if (m_document.parentNode(child) != parent || ++steps > dom.size() + 2)
                    return false;
                pending.push_back(child);
            }
        }
        return true;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    // Mostly a node of the document, sometimes a handle no node has.
    int node()
    {
        const int size = m_document.dom().size();
        switch (pick(20)) {
        case 0:
            return ScriptDocument::documentNode;
        case 1:
            return ScriptDocument::doctypeNode;
        case 2:
            return pick(2) ? -1 : size + pick(4);
        default:
            return size > 0 ? pick(size) : -1;
        }
    }

    template <std::size_t count>
    const char *any(const char *const (&list)[count])
    {
        return list[pick(int(count))];
    }

    void changeWithList()
    {
        std::vector<NodeOrText> list;
        for (int i = pick(3); i >= 0; --i)
            list.push_back(pick(3) ? NodeOrText{node(), {}} : NodeOrText{-1, "t"});
        const int target = node();
        switch (pick(6)) {
        case 0:
            m_document.before(target, list);
            break;
        case 1:
            m_document.after(target, list);
            break;
        case 2:
            m_document.replaceWith(target, list);
            break;
        case 3:
            m_document.append(target, list);
            break;
        case 4:
            m_document.prepend(target, list);
            break;
        default:
            m_document.replaceChildren(target, list);
            break;
        }
    }

    void make()
    {
        switch (pick(6)) {
        case 0:
            m_document.createElement(any(names), m_document.nodeDocument(node()));
            break;
        case 1:
            m_document.createElementNs("http://www.w3.org/2000/svg", "clipPath");
            break;
        case 2:
            m_document.createTextNode("x");
            break;
        case 3:
            m_document.createComment("c");
            break;
        case 4:
            m_document.createHtmlDocument(pick(2) ? std::optional<QString>("t") : std::nullopt);
            break;
        default:
            m_document.createDocumentFragment();
            break;
        }
    }

    void setMarkup()
    {
        switch (pick(3)) {
        case 0:
            m_document.setInnerHtml(node(), any(markup));
            break;
        case 1:
            m_document.setOuterHtml(node(), any(markup));
            break;
        default:
            m_document.insertAdjacentHtml(node(), any(positions), any(markup));
            m_document.insertAdjacentElement(node(), any(positions), node());
            break;
        }
    }

    void changeAttributes()
    {
        const int element = node();
        switch (pick(5)) {
        case 0:
            m_document.setAttribute(element, pick(2) ? "class" : "id", pick(2) ? "a b" : "a");
            break;
        case 1:
            m_document.removeAttribute(element, pick(2) ? "class" : "id");
            break;
        case 2:
            m_document.classListToggle(element, "b", std::nullopt);
            m_document.classListReplace(element, "a", "c");
            break;
        case 3:
            m_document.toggleAttribute(element, "hidden", std::nullopt);
            break;
        default:
            m_document.setAttribute(element, "data-x-y", "1");
            m_document.dataset(element);
            break;
        }
    }

    void query()
    {
        const QString selector = QString::fromLatin1(any(selectors));
        switch (pick(5)) {
        case 0:
            m_document.querySelectorAll(node(), selector);
            break;
        case 1:
            m_document.matches(node(), selector);
            break;
        case 2:
            m_document.closest(node(), selector);
            break;
        case 3:
            m_document.getElementById(node(), "a");
            m_document.getElementsByClassName(node(), "a b");
            break;
        default:
            m_document.getElementsByTagName(node(), "*");
            break;
        }
    }

    ScriptDocument m_document;
    std::mt19937 m_random;
    int m_parsedCount;
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_scriptdom <seconds> <page.html> [seed]\n");
        return 2;
    }
    const qint64 seconds = QByteArray(argv[1]).toLongLong();
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fuzz_scriptdom: cannot read %s\n", argv[2]);
        return 2;
    }
    const QByteArray page = file.readAll();
    unsigned seed = argc > 3 ? QByteArray(argv[3]).toUInt() : std::random_device()();
    std::signal(SIGALRM, reportHang);
    QElapsedTimer timer;
    timer.start();
    long long rounds = 0;
    while (timer.elapsed() < seconds * 1000) {
        currentSeed = std::sig_atomic_t(seed);
        alarm(hangSeconds);
        Dom dom = Dom::parse(page, Dom::ParseOptions{true});
        Fuzzer fuzzer(dom, seed);
        for (int batch = 0; batch < 20; ++batch) {
            for (int i = 0; i < 50; ++i)
                fuzzer.step();
            if (!fuzzer.treeHolds()) {
                std::fprintf(stderr, "fuzz_scriptdom: the tree broke with seed %u\n", seed);
                return 1;
            }
        }
        // The tree as the engine takes it back: in document order, parents first.
        fuzzer.finish();
        dom.finishEditing();
        for (int at = 0; at < dom.size(); ++at) {
            if (dom.node(at).parent >= at) {
                std::fprintf(stderr, "fuzz_scriptdom: out of order with seed %u\n", seed);
                return 1;
            }
        }
        ++rounds;
        ++seed;
    }
    std::printf("%lld rounds of 1,000 calls, no fault\n", rounds);
    return 0;
}
