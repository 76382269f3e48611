// Focus, as far as a page that nothing focuses shows it: no script focuses an element here (the
// members that would are not modelled), so only an element the browser focuses as the page
// loads could be; where there is none, the body is the active element. The browser engine's page
// is never shown, so its document never has the focus.

#include "NodeArguments.h"
#include "RealMembers.h"

using namespace NodeArguments;

namespace {

void activeElement(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const int body = page.document.body(self(info));
    const bool autofocused =
        page.document.querySelector(ScriptDocument::documentNode, QStringLiteral("[autofocus]"))
            .node
        != ScriptDocument::noNode;
    if (body == ScriptDocument::noNode || autofocused) {
        page.runtime.notModelled("Document.activeElement");
        return;
    }
    returnNode(info, body);
}

} // namespace

void addFocusMembers(RealMembers &members)
{
    members.attribute("Document", "activeElement", activeElement);
    members.operation("Document", "hasFocus",
                      [](const Info &info) { info.GetReturnValue().Set(false); });
}
