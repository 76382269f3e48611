#include "NodeArguments.h"
#include "RealMembers.h"

using namespace NodeArguments;

namespace {

// write(...text) and writeln(...text): every argument converted first, then written as one.
void writeMarkup(const Info &info, bool newLine)
{
    ScriptPage &page = pageOf(info);
    QString markup;
    for (int at = 0; at < info.Length(); ++at) {
        const std::optional<QString> text = stringArgument(info, at);
        if (!text)
            return;
        markup += *text;
    }
    if (newLine)
        markup += u'\n';
    if (!page.document.isHtmlDocument() || !page.documentWrite) {
        page.runtime.notModelled("Document.write");
        return;
    }
    page.documentWrite(markup);
}

} // namespace

void addDocumentWriteMembers(RealMembers &members)
{
    members.operation("Document", "write", [](const Info &info) { writeMarkup(info, false); });
    members.operation("Document", "writeln", [](const Info &info) { writeMarkup(info, true); });
}
