// Times the script DOM on a real page: what a page's scripts do most (markup out and in,
// selector queries, changes between queries), each with the figures a script would see it at.
//
//     bench_scriptdom <page.html>

#include "engine/fast/scriptdom/ScriptDocument.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <functional>

namespace {

void timed(const char *what, int times, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < times; ++i)
        work();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%-58s %9.3f ms each (%d)\n", what, ms / times, times);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_scriptdom <page.html>\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_scriptdom: cannot read %s\n", argv[1]);
        return 2;
    }
    const QByteArray page = file.readAll();
    std::optional<Dom> dom;
    timed("parse, comments kept", 5, [&] { dom = Dom::parse(page, Dom::ParseOptions{true}); });
    std::printf("%d nodes, %lld bytes\n", dom->size(), (long long)page.size());
    ScriptDocument document(*dom);
    const int body = document.body();
    QString markup;
    timed("body.innerHTML (get)", 5, [&] { markup = document.innerHtml(body).text; });
    timed("a copy's innerHTML (set: fragment parse)", 5,
          [&] { document.setInnerHtml(document.createElement("div").node, markup); });
    timed("body.textContent", 5, [&] { document.textContent(body); });
    timed("querySelectorAll('div p a') from the document", 5,
          [&] { document.querySelectorAll(ScriptDocument::documentNode, "div p a"); });
    timed("getElementsByTagName('a')", 5,
          [&] { document.getElementsByTagName(ScriptDocument::documentNode, "a"); });
    timed("getElementById of an id the page lacks", 5,
          [&] { document.getElementById(ScriptDocument::documentNode, "no-such-id"); });
    // A script that builds a list and asks about it as it goes: positions are counted again
    // only below the parents that changed.
    const int list = document.createElement("ul").node;
    document.appendChild(body, list);
    timed("appendChild(li) then querySelector('ul > li:last-child')", 1000, [&] {
        document.appendChild(list, document.createElement("li").node);
        document.querySelector(list, ":scope > li:last-child");
    });
    timed("classList.toggle on the list", 1000,
          [&] { document.classListToggle(list, "open", std::nullopt); });
    return 0;
}
