#include "NodeArguments.h"
#include "RealMembers.h"

using namespace NodeArguments;

void addImplementationMembers(RealMembers &members)
{
    members.attribute("Document", "implementation", [](const Info &info) {
        info.GetReturnValue().Set(sameObject(info, "implementation", [&] {
            return pageOf(info).templates.newInstance("DOMImplementation", self(info));
        }));
    });
    // Every document's implementation makes the same kind of document.
    members.operation("DOMImplementation", "createHTMLDocument", [](const Info &info) {
        std::optional<QString> title;
        if (!info[0]->IsUndefined() && !(title = stringArgument(info, 0)))
            return;
        ScriptPage &page = pageOf(info);
        const NodeResult made = page.document.createHtmlDocument(title);
        if (page.check(made.error, "DOMImplementation.createHTMLDocument")) {
            returnNode(info, made.node);
            page.checkTreeSize();
        }
    });
    // The standard has it answer true whatever it is asked, for pages that still ask.
    members.operation("DOMImplementation", "hasFeature",
                      [](const Info &info) { info.GetReturnValue().Set(true); });
}
