#include "BrowserAddress.h"
#include "EventTargets.h"
#include "HttpSyntax.h"
#include "NodeArguments.h"
#include "RealMembers.h"
#include "ScriptPage.h"
#include "V8Strings.h"

#include <v8-exception.h>
#include <v8-primitive.h>

// XMLHttpRequest as the browser engine runs it on a local page: a request for a local file fails
// as a network error, however the file is (the page's origin is opaque), and so does every
// request the runtime models; any other is not modelled.
namespace {

using Info = v8::FunctionCallbackInfo<v8::Value>;

enum ReadyState : int { Unsent = 0, Opened = 1, Done = 4 };

// A request's state, kept on the request object where the page cannot see it.
class RequestState
{
public:
    RequestState(v8::Isolate *isolate, v8::Local<v8::Object> request)
        : m_isolate(isolate)
        , m_request(request)
        , m_context(isolate->GetCurrentContext())
    {
    }

    int number(const char *field) const
    {
        v8::Local<v8::Value> value;
        if (!m_request->GetPrivate(m_context, key(field)).ToLocal(&value) || !value->IsInt32())
            return 0;
        return value.As<v8::Int32>()->Value();
    }
    void setNumber(const char *field, int value) const
    {
        m_request->SetPrivate(m_context, key(field), v8::Int32::New(m_isolate, value))
            .FromMaybe(false);
    }
    QString text(const char *field) const
    {
        v8::Local<v8::Value> value;
        if (!m_request->GetPrivate(m_context, key(field)).ToLocal(&value) || !value->IsString())
            return {};
        return fromV8(m_isolate, value.As<v8::String>());
    }
    void setText(const char *field, const QString &value) const
    {
        m_request->SetPrivate(m_context, key(field), toV8(m_isolate, value)).FromMaybe(false);
    }

    int readyState() const { return number("readyState"); }
    void setReadyState(int state) const { setNumber("readyState", state); }
    bool sending() const { return number("sending") != 0; }
    void setSending(bool sending) const { setNumber("sending", sending ? 1 : 0); }
    // Counts open() and abort(), which end whatever the request was doing before.
    int generation() const { return number("generation"); }
    void nextGeneration() const { setNumber("generation", generation() + 1); }

private:
    v8::Local<v8::Private> key(const char *field) const
    {
        return v8::Private::ForApi(
            m_isolate, toV8(m_isolate, QStringLiteral("request %1").arg(QLatin1String(field))));
    }

    v8::Isolate *m_isolate;
    v8::Local<v8::Object> m_request;
    v8::Local<v8::Context> m_context;
};

RequestState stateOf(const Info &info)
{
    return RequestState(info.GetIsolate(), info.This());
}

ScriptPage &pageOf(const Info &info)
{
    return ScriptPage::of(info.GetIsolate());
}

void fireRequestEvent(ScriptPage &page, int request, const char *type, const char *interface)
{
    EventTargets::fire(page, request, QLatin1String(type), false, false, interface);
}

// The request error steps: the request is done, with a network error, and says so.
void failRequest(ScriptPage &page, int request, const char *progressType)
{
    v8::HandleScope handles(page.isolate());
    const RequestState state(page.isolate(), page.events.objectTarget(page.isolate(), request));
    state.setReadyState(Done);
    state.setSending(false);
    fireRequestEvent(page, request, "readystatechange", "Event");
    fireRequestEvent(page, request, progressType, "ProgressEvent");
    fireRequestEvent(page, request, "loadend", "ProgressEvent");
}

void construct(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const int key = page.events.addObjectTarget(info.GetIsolate(), info.This());
    if (key == ScriptDocument::noNode) {
        page.runtime.notModelled("XMLHttpRequest.constructor");
        return;
    }
    info.This()->SetInternalField(0, v8::Integer::New(info.GetIsolate(), key));
    info.GetReturnValue().Set(info.This());
}

void open(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = pageOf(info);
    if (!NodeArguments::hasArguments(info, 2, "XMLHttpRequest", "open"))
        return;
    const std::optional<QString> method = domString(isolate, info[0]);
    const std::optional<QString> url = method ? domString(isolate, info[1]) : std::nullopt;
    if (!url)
        return;
    const bool async = info.Length() < 3 || info[2]->BooleanValue(isolate);
    const bool credentials = (info.Length() > 3 && !info[3]->IsNullOrUndefined())
        || (info.Length() > 4 && !info[4]->IsNullOrUndefined());
    const QUrl resolved = QUrl(page.context.baseUrl).resolved(QUrl(*url));
    // Methods the browser refuses, user names and addresses beyond local files are not modelled.
    if (!isHttpToken(*method) || isForbiddenMethod(*method) || credentials || !resolved.isValid()
        || !resolved.isLocalFile()) {
        page.runtime.notModelled("XMLHttpRequest.open");
        return;
    }
    const RequestState state = stateOf(info);
    state.nextGeneration();
    state.setSending(false);
    state.setNumber("async", async ? 1 : 0);
    // The address only a synchronous request's error names; where its form in the browser is not
    // modelled (a query, a fragment), such a request is not.
    state.setText("address", browserUrl(resolved).value_or(QString()));
    if (state.readyState() != Opened) {
        state.setReadyState(Opened);
        fireRequestEvent(page, internalValueOf(info.This()), "readystatechange", "Event");
    }
}

void send(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = pageOf(info);
    const RequestState state = stateOf(info);
    if (state.readyState() != Opened || state.sending()) {
        throwDomException(isolate, "InvalidStateError",
                          QStringLiteral("Failed to execute 'send' on 'XMLHttpRequest': The "
                                         "object's state must be OPENED."));
        return;
    }
    // A body of another kind than text would be read first, which is not modelled.
    if (!info[0]->IsNullOrUndefined() && !info[0]->IsString()) {
        page.runtime.notModelled("XMLHttpRequest.send");
        return;
    }
    const int request = internalValueOf(info.This());
    if (state.number("async") == 0) {
        if (state.text("address").isEmpty()) {
            page.runtime.notModelled("XMLHttpRequest.send");
            return;
        }
        state.setReadyState(Done);
        throwDomException(isolate, "NetworkError",
                          QStringLiteral("Failed to execute 'send' on 'XMLHttpRequest': Failed "
                                         "to load '%1'.")
                              .arg(state.text("address")));
        return;
    }
    state.setSending(true);
    fireRequestEvent(page, request, "loadstart", "ProgressEvent");
    if (state.readyState() != Opened || !state.sending())
        return;
    ScriptPage *pagePointer = &page;
    const int generation = state.generation();
    page.runtime.loop().post([pagePointer, request, generation] {
        v8::Isolate *taskIsolate = pagePointer->isolate();
        v8::HandleScope handles(taskIsolate);
        const v8::Local<v8::Object> object = pagePointer->events.objectTarget(taskIsolate, request);
        if (RequestState(taskIsolate, object).generation() == generation)
            failRequest(*pagePointer, request, "error");
    });
}

// Headers are not sent anywhere, but the browser checks them as it takes them.
void setRequestHeader(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = pageOf(info);
    if (!NodeArguments::hasArguments(info, 2, "XMLHttpRequest", "setRequestHeader"))
        return;
    const std::optional<QString> name = domString(isolate, info[0]);
    const std::optional<QString> value = name ? domString(isolate, info[1]) : std::nullopt;
    if (!value)
        return;
    const RequestState state = stateOf(info);
    if (state.readyState() != Opened) {
        throwDomException(isolate, "InvalidStateError",
                          QStringLiteral("Failed to execute 'setRequestHeader' on "
                                         "'XMLHttpRequest': The object's state must be OPENED."));
        return;
    }
    const bool plainValue = !value->contains(u'\0') && !value->contains(u'\r')
        && !value->contains(u'\n');
    if (state.sending() || !isHttpToken(*name) || !plainValue)
        page.runtime.notModelled("XMLHttpRequest.setRequestHeader");
}

void abort(const Info &info)
{
    const RequestState state = stateOf(info);
    state.nextGeneration();
    if (state.readyState() == Opened && state.sending())
        failRequest(pageOf(info), internalValueOf(info.This()), "abort");
    if (state.readyState() == Done)
        state.setReadyState(Unsent);
}

} // namespace

void addRequestMembers(RealMembers &members)
{
    members.constructor("XMLHttpRequest", construct);
    members.operation("XMLHttpRequest", "open", open);
    members.operation("XMLHttpRequest", "send", send);
    members.operation("XMLHttpRequest", "abort", abort);
    members.attribute("XMLHttpRequest", "readyState", [](const Info &info) {
        info.GetReturnValue().Set(stateOf(info).readyState());
    });
    // The response is always a network error's.
    const auto zero = [](const Info &info) { info.GetReturnValue().Set(0); };
    const auto empty = [](const Info &info) { info.GetReturnValue().SetEmptyString(); };
    members.attribute("XMLHttpRequest", "status", zero);
    members.attribute("XMLHttpRequest", "timeout", zero);
    members.attribute("XMLHttpRequest", "withCredentials",
                      [](const Info &info) { info.GetReturnValue().Set(false); });
    for (const char *name : {"statusText", "responseText", "responseURL", "responseType"})
        members.attribute("XMLHttpRequest", name, empty);
    members.attribute("XMLHttpRequest", "response", empty);
    members.attribute("XMLHttpRequest", "responseXML",
                      [](const Info &info) { info.GetReturnValue().SetNull(); });
    members.operation("XMLHttpRequest", "setRequestHeader", setRequestHeader);
    members.operation("XMLHttpRequest", "getAllResponseHeaders", empty);
    members.operation("XMLHttpRequest", "getResponseHeader", [](const Info &info) {
        if (!NodeArguments::hasArguments(info, 1, "XMLHttpRequest", "getResponseHeader"))
            return;
        if (domString(info.GetIsolate(), info[0]))
            info.GetReturnValue().SetNull();
    });
    // Progress events the runtime fires carry nothing: a request that fails loads no byte.
    members.attribute("ProgressEvent", "loaded", zero);
    members.attribute("ProgressEvent", "total", zero);
    members.attribute("ProgressEvent", "lengthComputable",
                      [](const Info &info) { info.GetReturnValue().Set(false); });
}
