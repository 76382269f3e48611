// Feeds the fast engine pages whose style sheets are made from the grammar of CSS (selectors,
// declarations, at-rules, @imports between a few sheets on disk), then broken at random the
// way hostile sheets are: unbalanced brackets, cut strings, escapes, huge numbers and deep
// nesting. A crash ends the program by itself; a page that takes more than a second is kept
// in the working folder as fuzz-css-slow.html (with its sheets) and ends the run.
//
//     fuzz_css <seconds>

#include "engine/fast/FastPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <random>

#include <unistd.h>

namespace {

constexpr qint64 slowMilliseconds = 1000;
constexpr unsigned hangSeconds = 10;

class Grammar
{
public:
    explicit Grammar(std::mt19937 &random) : m_random(random) {}

    QByteArray sheet(int depth = 0)
    {
        QByteArray out;
        const int items = int(below(depth == 0 ? 40 : 6));
        for (int i = 0; i < items; ++i)
            out += chance(4) ? atRule(depth) : rule();
        return out;
    }

    // Noise of the kinds that break naive scanners, put anywhere.
    QByteArray broken(QByteArray text)
    {
        static const QByteArrayList noise{"{",
                                          "}",
                                          "(",
                                          ")",
                                          "[",
                                          "]",
                                          "\"",
                                          "'",
                                          "\\",
                                          "/*",
                                          "*/",
                                          ";",
                                          ":",
                                          "@",
                                          "url(",
                                          "<!--",
                                          "-->",
                                          "\\0",
                                          "\\110000 ",
                                          "#",
                                          "!important",
                                          "\n",
                                          QByteArray("\0", 1),
                                          "\xC3",
                                          "\xFF",
                                          "99999999999999999999",
                                          "-2147483648n+-2147483648",
                                          ":not(",
                                          ":is(",
                                          "@media all{",
                                          "@layer a{",
                                          "@import 'fuzz-a.css';"};
        const int cuts = int(below(6));
        for (int i = 0; i < cuts && !text.isEmpty(); ++i) {
            const qsizetype at = qsizetype(below(uint(text.size())));
            if (chance(3))
                text.insert(at, pick(noise).repeated(1 + int(below(chance(8) ? 2000 : 4))));
            else
                text.remove(at, qsizetype(below(40)));
        }
        return text;
    }

    QByteArray page(const QByteArray &style)
    {
        QByteArray body;
        int open = 0;
        const int elements = int(below(400));
        for (int i = 0; i < elements; ++i) {
            if (open > 0 && chance(3)) {
                body += "</" + pick(tags) + ">";
                --open;
                continue;
            }
            body += "<" + pick(tags) + " class='" + pick(classes) + " " + pick(classes)
                + "' id=" + pick(ids) + (chance(5) ? " style='" + declarations() + "'" : "") + ">"
                + pick(words);
            ++open;
        }
        return (chance(2) ? "<!DOCTYPE html>" : "")
            + QByteArray("<link rel=stylesheet href=fuzz-a.css><style>") + style + "</style>"
            + body;
    }

private:
    uint below(uint bound) { return bound == 0 ? 0 : uint(m_random() % bound); }
    bool chance(uint oneIn) { return below(oneIn) == 0; }
    QByteArray pick(const QByteArrayList &list)
    {
        return list[qsizetype(below(uint(list.size())))];
    }

    QByteArray rule() { return selectorList(0) + " {" + declarations() + "}\n"; }

    QByteArray selectorList(int depth)
    {
        QByteArray out = complex(depth);
        while (chance(3))
            out += ", " + complex(depth);
        return out;
    }

    QByteArray complex(int depth)
    {
        static const QByteArrayList combinators{" ", " > ", " + ", " ~ ", ">", ""};
        QByteArray out = compound(depth);
        const int more = int(below(chance(10) ? 12 : 4));
        for (int i = 0; i < more; ++i)
            out += pick(combinators) + compound(depth);
        if (chance(6))
            out += pick(
                {"::before", "::after", ":first-letter", "::marker", "::-webkit-x", ":after"});
        return out;
    }

    QByteArray compound(int depth)
    {
        QByteArray out = chance(2) ? pick(tags) : QByteArray(chance(3) ? "*" : "");
        const int tests = int(below(4));
        for (int i = 0; i < tests; ++i) {
            switch (below(7)) {
            case 0:
                out += "#" + pick(ids);
                break;
            case 1:
                out += "." + pick(classes);
                break;
            case 2:
                out += "[" + pick({"class", "id", "data-x", "lang", "TYPE"})
                    + pick({"", "=", "~=", "|=", "^=", "$=", "*="})
                    + pick({"a", "'b c'", "\"\"", "x\\31"}) + pick({"", " i", " s"}) + "]";
                break;
            case 3:
                out += ":"
                    + pick({"first-child", "last-child", "only-child", "empty", "root", "hover",
                            "link", "checked", "first-of-type", "bogus"});
                break;
            case 4:
                out += ":"
                    + pick({"nth-child", "nth-last-child", "nth-of-type", "nth-last-of-type"}) + "("
                    + pick({"odd", "even", "2n+1", "-n+3", "n", "+ 2n", "3", "-n-2147483647",
                            "2147483647n+2147483647", "0n+0", "99999999999n-99999999999", "2n - 1"})
                    + ")";
                break;
            case 5:
                if (depth < 4)
                    out += ":" + pick({"not", "is", "where", "matches"}) + "("
                        + selectorList(depth + 1) + ")";
                break;
            case 6:
                out += ":lang(" + pick({"en", "fr", "\"de\""}) + ")";
                break;
            }
        }
        return out.isEmpty() ? "*" : out;
    }

    QByteArray declarations()
    {
        static const QByteArrayList properties{
            "display", "visibility", "white-space", "text-transform", "content-visibility",
            "float",   "position",   "content",     "color",          "DISPLAY",
            "--custom"};
        static const QByteArrayList values{"none",        "block",          "inline",
                                           "contents",    "table-cell",     "flex",
                                           "grid",        "hidden",         "collapse",
                                           "pre",         "pre-line",       "nowrap",
                                           "uppercase",   "capitalize",     "left",
                                           "absolute",    "fixed",          "inherit",
                                           "initial",     "unset",          "revert",
                                           "\"text\"",    "attr(id)",       "counter(x)",
                                           "open-quote",  "url(a.png)",     "\"a\" / \"alt\"",
                                           "block block", "calc(1px + 2px)"};
        QByteArray out;
        const int count = int(below(5));
        for (int i = 0; i < count; ++i)
            out += pick(properties) + ":" + pick(values) + (chance(5) ? " !important" : "") + ";";
        return out;
    }

    QByteArray atRule(int depth)
    {
        if (depth > 12)
            return {};
        switch (below(8)) {
        case 0:
            return "@media "
                + pick({"screen", "print", "(min-width: 600px)", "not all and (monochrome)",
                        "screen and (max-width: 100px), (orientation: landscape)", "(bogus)"})
                + " {" + sheet(depth + 1) + "}\n";
        case 1:
            return "@supports "
                + pick({"(display: grid)", "not (display: grid)", "selector(:is(a))"}) + " {"
                + sheet(depth + 1) + "}\n";
        case 2:
            return "@layer " + pick({"a", "b", "a.b", "c, a, b"}) + ";\n";
        case 3:
            return "@layer " + pick({"", "a", "b.c"}) + " {" + sheet(depth + 1) + "}\n";
        case 4:
            return "@import "
                + pick({"'fuzz-a.css'", "url(fuzz-b.css)", "\"fuzz-c.css\"", "'missing.css'",
                        "'/proc/self/pagemap'"})
                + pick({"", " layer", " layer(x)", " print", " screen and (min-width: 1px)"})
                + ";\n";
        case 5:
            return "@font-face {" + declarations() + "}\n";
        case 6:
            return "@" + pick({"keyframes k", "page", "namespace x url(y)", "charset \"utf-8\""})
                + " {}\n";
        default:
            return "@unknown " + pick({"a b c", "(x)", "[y]"}) + (chance(2) ? ";" : "{}") + "\n";
        }
    }

    std::mt19937 &m_random;
    const QByteArrayList tags{"div", "p",  "span", "table", "tr",     "td",
                              "ul",  "li", "pre",  "b",     "section"};
    const QByteArrayList classes{"a", "b", "c", "x", "Y"};
    const QByteArrayList ids{"i", "j", "k"};
    const QByteArrayList words{"one ", "two", " three ", "", "\n"};
};

QByteArray current;

void keep(const char *name)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(current);
}

void keepHangingPage(int)
{
    keep("fuzz-css-slow.html");
    const char message[] = "a page hung; kept as fuzz-css-slow.html\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(1);
}

void writeSheet(const QString &name, const QByteArray &text)
{
    QFile file(QDir::current().filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    bool ok = false;
    const double seconds = app.arguments().value(1).toDouble(&ok);
    if (!ok) {
        std::fprintf(stderr, "usage: fuzz_css <seconds>\n");
        return 2;
    }
    std::signal(SIGALRM, keepHangingPage);
    std::mt19937 random(4242);
    Grammar grammar(random);
    QElapsedTimer elapsed;
    elapsed.start();
    long pages = 0;
    qint64 slowest = 0;
    while (elapsed.elapsed() < qint64(seconds * 1000)) {
        if (pages % 50 == 0) {
            for (const char *name : {"fuzz-a.css", "fuzz-b.css", "fuzz-c.css"})
                writeSheet(name, grammar.broken(grammar.sheet()));
        }
        current = grammar.page(grammar.broken(grammar.sheet()));
        QElapsedTimer timer;
        timer.start();
        alarm(hangSeconds);
        const FastPage page(current, QDir::current().filePath("fuzz-css.html"));
        (void)page.bodyText();
        alarm(0);
        slowest = std::max(slowest, timer.elapsed());
        if (timer.elapsed() > slowMilliseconds) {
            keep("fuzz-css-slow.html");
            std::fprintf(stderr, "a page took %lld ms; kept as fuzz-css-slow.html\n",
                         timer.elapsed());
            return 1;
        }
        ++pages;
    }
    std::printf("%ld pages in %.0f s: no crash, none over %lld ms (slowest %lld ms)\n", pages,
                double(elapsed.elapsed()) / 1000, slowMilliseconds, slowest);
    return 0;
}
