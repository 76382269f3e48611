#include "NodeArguments.h"
#include "RealMembers.h"

#include <v8-context.h>

using namespace NodeArguments;

namespace {

// The text a page put in the status bar, which nothing shows: kept on the global object.
v8::Local<v8::Private> statusKey(v8::Isolate *isolate)
{
    return v8::Private::ForApi(isolate, toV8(isolate, "quillmere window status"));
}

void status(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    v8::Local<v8::Value> text;
    if (pageOf(info)
            .global()
            ->GetPrivate(isolate->GetCurrentContext(), statusKey(isolate))
            .ToLocal(&text)
        && text->IsString())
        info.GetReturnValue().Set(text);
    else
        returnString(info, QStringLiteral(""));
}

void setStatus(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    v8::Local<v8::String> text;
    if (!info[0]->ToString(isolate->GetCurrentContext()).ToLocal(&text))
        return;
    pageOf(info)
        .global()
        ->SetPrivate(isolate->GetCurrentContext(), statusKey(isolate), text)
        .FromMaybe(false);
}

} // namespace

void addWindowStatusMembers(RealMembers &members)
{
    members.attribute("Window", "status", status, setStatus);
}
