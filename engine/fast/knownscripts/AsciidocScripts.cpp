// The inline script of the pages of AsciiDoc's xhtml11 backend, as git-doc 2.39 ships them in
// Debian 12, installed without a table of contents: it rebuilds the footnotes below the page.

#include "engine/fast/knownscripts/DomQueries.h"
#include "engine/fast/knownscripts/ScriptFamilies.h"

namespace {

// asciidoc.footnotes(): the footnotes' holder loses the entries it had, and goes altogether when
// the content has no footnote. Footnotes themselves, which the script copies out of the text as
// markup, are left to the browser.
bool rebuildFootnotes(Dom &dom, int, const ScriptPage &)
{
    const int holder = elementWithId(dom, QStringLiteral("footnotes"));
    if (holder < 0)
        return true;
    for (int child = dom.node(holder).firstChild; child >= 0;) {
        const int next = dom.node(child).nextSibling;
        if (dom.node(child).isElement("div")
            && dom.node(child).attribute(QLatin1String("class")) == QLatin1String("footnote"))
            dom.detach(child);
        child = next;
    }
    const int content = elementWithId(dom, QStringLiteral("content"));
    if (content < 0)
        return true; // the script stops there with an error
    const bool hasFootnotes = !findElements(dom, content,
                                            [](const DomNode &node) {
        return node.name == "span"
            && node.attribute(QLatin1String("class")) == QLatin1String("footnote");
                               }).empty();
    if (hasFootnotes)
        return false;
    dom.detach(holder);
    return true;
}

} // namespace

// Kept for speed. The script runtime gives the browser's text on all 206 pages of git-doc too,
// but at three times the cost: 12.5 to 13.0 ms of CPU a page and 46 to 50 files/s against 4.2
// to 4.6 ms and 122 to 127 files/s with this model (Release build, same sitting, 7 December
// 2026; `w3m -dump` 40 to 44 files/s). A page with footnotes goes to the runtime all the same.
const std::vector<KnownScript> &asciidocScripts()
{
    static const std::vector<KnownScript> scripts{
        {"inline asciidoc.js of the xhtml11 backend, asciidoc.install() (git-doc 2.39)",
         "85982b4f09e6e6c31f04c38b7b223132af1c150384d1ca74c9f0f9e66ec3b8a7", rebuildFootnotes},
    };
    return scripts;
}
