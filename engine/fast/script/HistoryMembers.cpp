#include "BrowserAddress.h"
#include "NodeArguments.h"
#include "RealMembers.h"

#include <v8-container.h>

using namespace NodeArguments;

// The session history as far as a page keeps its own address: replacing its entry by one of
// the same address, with a state that clones as it is. history.state and the rest are not
// modelled.
namespace {

// A state whose structured clone is plainly itself: a primitive, or an empty object made as
// `{}` makes one.
bool isPlainState(v8::Isolate *isolate, v8::Local<v8::Value> state)
{
    if (!state->IsObject())
        return !state->IsSymbol();
    const v8::Local<v8::Object> object = state.As<v8::Object>();
    v8::Local<v8::Array> names;
    return !object->IsFunction() && !object->IsProxy() && object->InternalFieldCount() == 0
        && object->GetPrototype()->StrictEquals(v8::Object::New(isolate)->GetPrototype())
        && object->GetOwnPropertyNames(isolate->GetCurrentContext(), v8::ALL_PROPERTIES)
               .ToLocal(&names)
        && names->Length() == 0;
}

} // namespace

void addHistoryMembers(RealMembers &members)
{
    members.operation("History", "replaceState", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        ScriptPage &page = pageOf(info);
        if (!hasArguments(info, 2, "History", "replaceState"))
            return;
        if (!stringArgument(info, 1))
            return;
        std::optional<QString> address = QStringLiteral("");
        if (!info[2]->IsNullOrUndefined() && !(address = stringArgument(info, 2)))
            return;
        // The empty address is the page's own, as is the page's address written out.
        const bool samePage = address->isEmpty()
            || *address == browserUrl(QUrl(page.context.pageUrl));
        if (!samePage || !isPlainState(isolate, info[0]))
            page.runtime.notModelled("History.replaceState");
    });
}
