#include "EventTargets.h"

#include "NodeArguments.h"
#include "RealMembers.h"
#include "ScriptPage.h"
#include "UnmodelledObjects.h"
#include "V8Strings.h"

#include <v8-exception.h>
#include <v8-function.h>
#include <v8-primitive.h>
#include <v8-script.h>

#include <algorithm>

namespace {

enum EventFlag : int {
    Bubbles = 1 << 0,
    Cancelable = 1 << 1,
    Composed = 1 << 2,
    StopPropagation = 1 << 3,
    StopImmediate = 1 << 4,
    Canceled = 1 << 5,
    InPassiveListener = 1 << 6,
    Dispatching = 1 << 7,
    Trusted = 1 << 8,
};

enum Phase : int { None = 0, Capturing = 1, AtTarget = 2, Bubbling = 3 };

// An event's state, kept on the event object itself where the page cannot see it, so that the
// garbage collector frees it with the event.
class EventState
{
public:
    EventState(v8::Isolate *isolate, v8::Local<v8::Object> event)
        : m_isolate(isolate)
        , m_event(event)
        , m_context(isolate->GetCurrentContext())
    {
    }

    v8::Local<v8::Value> get(const char *field) const
    {
        v8::Local<v8::Value> value;
        if (!m_event->GetPrivate(m_context, key(field)).ToLocal(&value))
            return v8::Undefined(m_isolate);
        return value;
    }
    void set(const char *field, v8::Local<v8::Value> value) const
    {
        m_event->SetPrivate(m_context, key(field), value).FromMaybe(false);
    }

    int flags() const
    {
        const v8::Local<v8::Value> value = get("flags");
        return value->IsInt32() ? value.As<v8::Int32>()->Value() : 0;
    }
    bool has(int flag) const { return (flags() & flag) != 0; }
    void setFlag(int flag, bool on) const
    {
        set("flags", v8::Int32::New(m_isolate, on ? flags() | flag : flags() & ~flag));
    }
    int phase() const
    {
        const v8::Local<v8::Value> value = get("phase");
        return value->IsInt32() ? value.As<v8::Int32>()->Value() : None;
    }
    void setPhase(int phase) const { set("phase", v8::Int32::New(m_isolate, phase)); }
    QString type() const
    {
        const v8::Local<v8::Value> value = get("type");
        return value->IsString() ? fromV8(m_isolate, value.As<v8::String>()) : QString();
    }
    bool initialised() const { return get("type")->IsString(); }

    void cancel() const
    {
        if (has(Cancelable) && !has(InPassiveListener))
            setFlag(Canceled, true);
    }

private:
    v8::Local<v8::Private> key(const char *field) const
    {
        return v8::Private::ForApi(m_isolate, toV8(m_isolate, field));
    }

    v8::Isolate *m_isolate;
    v8::Local<v8::Object> m_event;
    v8::Local<v8::Context> m_context;
};

void initialise(v8::Isolate *isolate, v8::Local<v8::Object> event, v8::Local<v8::String> type,
                int flags)
{
    const EventState state(isolate, event);
    state.set("type", type);
    state.set("flags", v8::Int32::New(isolate, flags));
    state.setPhase(None);
    state.set("timeStamp", v8::Number::New(isolate, ScriptPage::of(isolate).runtime.loop().now()));
}

v8::Local<v8::Value> targetObject(ScriptPage &page, int target)
{
    if (target == EventTargets::windowTarget)
        return page.global();
    if (EventTargets::isObjectTarget(target))
        return page.events.objectTarget(page.isolate(), target);
    return page.wrapOrNull(target);
}

// The nodes an event at `target` passes, from the target up: its ancestors, the document and
// window when it is in the document (load, which window's own targets, excepted).
std::vector<int> eventPath(ScriptPage &page, int target, const QString &type)
{
    std::vector<int> path{target};
    if (target == EventTargets::windowTarget || EventTargets::isObjectTarget(target))
        return path;
    for (int node = page.document.parentNode(target); node != ScriptDocument::noNode;
         node = page.document.parentNode(node))
        path.push_back(node);
    if (path.back() == ScriptDocument::documentNode && type != u"load")
        path.push_back(EventTargets::windowTarget);
    return path;
}

bool readBoolOption(v8::Isolate *isolate, v8::Local<v8::Value> options, const char *name)
{
    if (!options->IsObject())
        return false;
    v8::Local<v8::Value> value;
    if (!options.As<v8::Object>()
             ->Get(isolate->GetCurrentContext(), toV8(isolate, name))
             .ToLocal(&value))
        return false;
    return value->BooleanValue(isolate);
}

QString typeArgument(const v8::FunctionCallbackInfo<v8::Value> &info, bool &ok)
{
    const std::optional<QString> type = domString(info.GetIsolate(), info[0]);
    ok = type.has_value();
    return type.value_or(QString());
}

void addEventListener(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    if (info.Length() < 2) {
        throwTypeError(isolate,
                       QStringLiteral("Failed to execute 'addEventListener' on "
                                      "'EventTarget': 2 arguments required."));
        return;
    }
    bool ok = false;
    const QString type = typeArgument(info, ok);
    if (!ok || !info[1]->IsObject())
        return;
    const v8::Local<v8::Value> options = info[2];
    bool capture = options->IsObject() ? readBoolOption(isolate, options, "capture")
                                       : options->BooleanValue(isolate);
    const bool once = readBoolOption(isolate, options, "once");
    const bool passive = readBoolOption(isolate, options, "passive");
    if (options->IsObject()) {
        v8::Local<v8::Value> signal;
        if (options.As<v8::Object>()
                ->Get(isolate->GetCurrentContext(), toV8(isolate, "signal"))
                .ToLocal(&signal)
            && !signal->IsUndefined()) {
            page.runtime.notModelled("EventTarget.addEventListener signal");
            return;
        }
    }
    const int target = eventTargetOf(page, info.This());
    if (target == ScriptDocument::noNode)
        return;
    if (!page.events.add(target, type, isolate, info[1].As<v8::Object>(), capture, once, passive))
        page.runtime.fail(BrowserReason::ScriptNotSettled);
}

void removeEventListener(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    bool ok = false;
    const QString type = typeArgument(info, ok);
    if (!ok || !info[1]->IsObject())
        return;
    const v8::Local<v8::Value> options = info[2];
    const bool capture = options->IsObject() ? readBoolOption(isolate, options, "capture")
                                             : options->BooleanValue(isolate);
    const int target = eventTargetOf(page, info.This());
    if (target != ScriptDocument::noNode)
        page.events.remove(target, type, info[1].As<v8::Object>(), capture);
}

bool isEvent(ScriptPage &page, v8::Local<v8::Value> value)
{
    return value->IsObject() && page.templates.get("Event")->HasInstance(value.As<v8::Object>());
}

void dispatchEvent(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    if (!isEvent(page, info[0])) {
        throwTypeError(isolate,
                       QStringLiteral("Failed to execute 'dispatchEvent' on "
                                      "'EventTarget': parameter 1 is not of type "
                                      "'Event'."));
        return;
    }
    const v8::Local<v8::Object> event = info[0].As<v8::Object>();
    const EventState state(isolate, event);
    if (state.has(Dispatching) || !state.initialised()) {
        throwDomException(isolate, "InvalidStateError",
                          QStringLiteral("Failed to execute 'dispatchEvent' on 'EventTarget': "
                                         "The event is already being dispatched."));
        return;
    }
    state.setFlag(Trusted, false);
    const int target = eventTargetOf(page, info.This());
    if (target == ScriptDocument::noNode)
        return;
    info.GetReturnValue().Set(EventTargets::dispatch(page, target, event));
}

void constructEvent(const v8::FunctionCallbackInfo<v8::Value> &info, const char *interface)
{
    v8::Isolate *isolate = info.GetIsolate();
    if (!NodeArguments::hasArguments(info, 1, interface, nullptr))
        return;
    v8::Local<v8::String> type;
    if (!info[0]->ToString(isolate->GetCurrentContext()).ToLocal(&type))
        return;
    const v8::Local<v8::Value> options = info[1];
    if (!options->IsUndefined() && !options->IsNull() && !options->IsObject()) {
        throwTypeError(isolate,
                       QStringLiteral("Failed to construct '%1': The provided value is "
                                      "not of type '%1Init'.")
                           .arg(QLatin1String(interface)));
        return;
    }
    const int flags = (readBoolOption(isolate, options, "bubbles") ? Bubbles : 0)
        | (readBoolOption(isolate, options, "cancelable") ? Cancelable : 0)
        | (readBoolOption(isolate, options, "composed") ? Composed : 0);
    // The receiver V8 made for `new` is an instance of the constructor called, subclasses too.
    const v8::Local<v8::Object> event = info.This();
    initialise(isolate, event, type, flags);
    if (options->IsObject()) {
        v8::Local<v8::Value> detail;
        if (options.As<v8::Object>()
                ->Get(isolate->GetCurrentContext(), toV8(isolate, "detail"))
                .ToLocal(&detail))
            EventState(isolate, event).set("detail", detail);
    }
    info.GetReturnValue().Set(event);
}

EventState stateOf(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    return EventState(info.GetIsolate(), info.This());
}

void setBool(const v8::FunctionCallbackInfo<v8::Value> &info, bool value)
{
    info.GetReturnValue().Set(value);
}

void addEventObjectMembers(RealMembers &members)
{
    members.constructor("Event", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        constructEvent(info, "Event");
    });
    members.constructor("CustomEvent", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        constructEvent(info, "CustomEvent");
    });
    members.attribute("Event", "type", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        info.GetReturnValue().Set(stateOf(info).get("type"));
    });
    members.attribute("Event", "bubbles", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, stateOf(info).has(Bubbles));
    });
    members.attribute("Event", "cancelable", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, stateOf(info).has(Cancelable));
    });
    members.attribute("Event", "composed", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, stateOf(info).has(Composed));
    });
    members.attribute("Event", "isTrusted", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, stateOf(info).has(Trusted));
    });
    members.attribute("Event", "defaultPrevented",
                      [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, stateOf(info).has(Canceled));
    });
    members.attribute(
        "Event", "returnValue",
        [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, !stateOf(info).has(Canceled));
        },
        [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        if (!info[0]->BooleanValue(info.GetIsolate()))
            stateOf(info).cancel();
    });
    members.attribute(
        "Event", "cancelBubble",
        [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        setBool(info, stateOf(info).has(StopPropagation));
        },
        [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        if (info[0]->BooleanValue(info.GetIsolate()))
            stateOf(info).setFlag(StopPropagation, true);
    });
    members.attribute("Event", "eventPhase", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        info.GetReturnValue().Set(stateOf(info).phase());
    });
    const auto target = [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        const v8::Local<v8::Value> value = stateOf(info).get("target");
        info.GetReturnValue().Set(
            value->IsUndefined() ? v8::Local<v8::Value>(v8::Null(info.GetIsolate())) : value);
    };
    members.attribute("Event", "target", target);
    members.attribute("Event", "srcElement", target);
    members.attribute("Event", "currentTarget",
                      [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        const v8::Local<v8::Value> value = stateOf(info).get("currentTarget");
        info.GetReturnValue().Set(
            value->IsUndefined() ? v8::Local<v8::Value>(v8::Null(info.GetIsolate())) : value);
    });
    members.attribute("Event", "timeStamp", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        info.GetReturnValue().Set(stateOf(info).get("timeStamp"));
    });
    members.attribute("CustomEvent", "detail", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        const v8::Local<v8::Value> value = stateOf(info).get("detail");
        info.GetReturnValue().Set(
            value->IsUndefined() ? v8::Local<v8::Value>(v8::Null(info.GetIsolate())) : value);
    });
    members.operation("Event", "preventDefault",
                      [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        stateOf(info).cancel();
    });
    members.operation("Event", "stopPropagation",
                      [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        stateOf(info).setFlag(StopPropagation, true);
    });
    members.operation("Event", "stopImmediatePropagation",
                      [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        const EventState state = stateOf(info);
        state.setFlag(StopPropagation, true);
        state.setFlag(StopImmediate, true);
    });
    members.operation("Event", "initEvent", [](const v8::FunctionCallbackInfo<v8::Value> &info) {
        v8::Isolate *isolate = info.GetIsolate();
        const EventState state = stateOf(info);
        v8::Local<v8::String> type;
        if (state.has(Dispatching)
            || !info[0]->ToString(isolate->GetCurrentContext()).ToLocal(&type))
            return;
        initialise(isolate, info.This(), type,
                   (info[1]->BooleanValue(isolate) ? Bubbles : 0)
                       | (info[2]->BooleanValue(isolate) ? Cancelable : 0));
    });
}

} // namespace

bool EventTargets::add(int target, const QString &type, v8::Isolate *isolate,
                       v8::Local<v8::Object> callback, bool capture, bool once, bool passive)
{
    ListenerList &list = m_listeners[target];
    for (const auto &listener : list) {
        if (!listener->isHandler && listener->type == type && listener->capture == capture
            && listener->callback == callback)
            return true;
    }
    if (m_count >= listenerBound)
        return false;
    ++m_count;
    auto listener = std::make_shared<Listener>();
    listener->type = type;
    listener->callback.Reset(isolate, callback);
    listener->capture = capture;
    listener->once = once;
    listener->passive = passive;
    list.push_back(std::move(listener));
    return true;
}

void EventTargets::remove(int target, const QString &type, v8::Local<v8::Object> callback,
                          bool capture)
{
    const auto found = m_listeners.find(target);
    if (found == m_listeners.end())
        return;
    std::erase_if(found->second, [&](const std::shared_ptr<Listener> &listener) {
        const bool match = !listener->isHandler && listener->type == type
            && listener->capture == capture && listener->callback == callback;
        if (match)
            listener->removed = true;
        return match;
    });
}

int EventTargets::addObjectTarget(v8::Isolate *isolate, v8::Local<v8::Object> object)
{
    if (m_objectTargets.size() >= objectTargetBound)
        return ScriptDocument::noNode;
    m_objectTargets.emplace_back(isolate, object);
    return firstObjectTarget - int(m_objectTargets.size() - 1);
}

v8::Local<v8::Object> EventTargets::objectTarget(v8::Isolate *isolate, int key) const
{
    const std::size_t index = std::size_t(firstObjectTarget - key);
    return index < m_objectTargets.size() ? m_objectTargets[index].Get(isolate)
                                          : v8::Local<v8::Object>();
}

bool EventTargets::listensFor(const QString &type) const
{
    for (const auto &[target, listeners] : m_listeners) {
        for (const auto &listener : listeners) {
            if (listener->type == type)
                return true;
        }
    }
    return false;
}

bool EventTargets::listensFor(const QString &type, int target) const
{
    const auto found = m_listeners.find(target);
    return found != m_listeners.end()
        && std::any_of(found->second.begin(), found->second.end(),
                       [&](const auto &listener) { return listener->type == type; });
}

v8::Local<v8::Value> EventTargets::handler(v8::Isolate *isolate, int target,
                                           const QString &type) const
{
    const auto found = m_listeners.find(target);
    if (found != m_listeners.end()) {
        for (const auto &listener : found->second) {
            if (listener->isHandler && listener->type == type) {
                if (listener->callback.IsEmpty() && !compile(ScriptPage::of(isolate), *listener))
                    return v8::Null(isolate);
                return listener->callback.Get(isolate);
            }
        }
    }
    return v8::Null(isolate);
}

void EventTargets::setHandler(v8::Isolate *isolate, int target, const QString &type,
                              v8::Local<v8::Value> value)
{
    ListenerList &list = m_listeners[target];
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto &listener) {
        return listener->isHandler && listener->type == type;
    });
    if (!value->IsFunction()) {
        if (found != list.end()) {
            (*found)->removed = true;
            list.erase(found);
        }
        return;
    }
    if (found != list.end()) {
        (*found)->callback.Reset(isolate, value.As<v8::Object>());
        return;
    }
    auto listener = std::make_shared<Listener>();
    listener->type = type;
    listener->callback.Reset(isolate, value.As<v8::Object>());
    listener->isHandler = true;
    list.push_back(std::move(listener));
}

bool EventTargets::setContentHandler(int target, const QString &type, const QString &source,
                                     int element)
{
    if (m_count >= listenerBound)
        return false;
    ++m_count;
    ListenerList &list = m_listeners[target];
    std::erase_if(list, [&](const std::shared_ptr<Listener> &listener) {
        return listener->isHandler && listener->type == type;
    });
    auto listener = std::make_shared<Listener>();
    listener->type = type;
    listener->isHandler = true;
    listener->source = source;
    listener->scopeElement = element;
    list.push_back(std::move(listener));
    return true;
}

bool EventTargets::compile(ScriptPage &page, Listener &listener)
{
    v8::Isolate *isolate = page.isolate();
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::ScriptCompiler::Source source(toV8(isolate, listener.source));
    v8::Local<v8::String> parameters[] = {toV8(isolate, "event")};
    v8::Local<v8::Object> scopes[] = {page.wrap(ScriptDocument::documentNode),
                                      page.wrap(listener.scopeElement)};
    v8::TryCatch tryCatch(isolate);
    v8::Local<v8::Function> function;
    if (!v8::ScriptCompiler::CompileFunction(context, &source, 1, parameters, 2, scopes)
             .ToLocal(&function)) {
        page.runtime.fail(BrowserReason::ScriptError);
        return false;
    }
    listener.callback.Reset(isolate, function);
    listener.source.clear();
    return true;
}

void EventTargets::invoke(ScriptPage &page, int currentTarget, v8::Local<v8::Object> event,
                          bool capturePhase)
{
    v8::Isolate *isolate = page.isolate();
    const EventState state(isolate, event);
    const auto found = page.events.m_listeners.find(currentTarget);
    if (found == page.events.m_listeners.end())
        return;
    const QString type = state.type();
    const ListenerList listeners = found->second; // those added meanwhile wait for the next
    const v8::Local<v8::Value> receiver = targetObject(page, currentTarget);
    state.set("currentTarget", receiver);
    for (const auto &listener : listeners) {
        if (listener->removed || listener->type != type || listener->capture != capturePhase)
            continue;
        if (listener->callback.IsEmpty() && !compile(page, *listener))
            return;
        if (listener->once)
            page.events.remove(currentTarget, type, listener->callback.Get(isolate),
                               listener->capture);
        v8::HandleScope handles(isolate);
        v8::Local<v8::Object> callback = listener->callback.Get(isolate);
        v8::Local<v8::Value> thisValue = receiver;
        if (!callback->IsFunction()) {
            v8::Local<v8::Value> handleEvent;
            if (!callback->Get(isolate->GetCurrentContext(), toV8(isolate, "handleEvent"))
                     .ToLocal(&handleEvent)
                || !handleEvent->IsFunction())
                continue;
            thisValue = callback;
            callback = handleEvent.As<v8::Object>();
        }
        state.setFlag(InPassiveListener, listener->passive);
        v8::Local<v8::Value> argv[] = {event};
        v8::Local<v8::Value> result;
        const bool returned =
            page.runtime.call(callback.As<v8::Function>(), thisValue, 1, argv).ToLocal(&result);
        state.setFlag(InPassiveListener, false);
        if (page.runtime.stopped())
            return;
        if (returned && listener->isHandler && result->IsFalse())
            state.cancel();
        if (state.has(StopImmediate))
            return;
    }
}

bool EventTargets::dispatch(ScriptPage &page, int target, v8::Local<v8::Object> event)
{
    v8::Isolate *isolate = page.isolate();
    const EventState state(isolate, event);
    const std::vector<int> path = eventPath(page, target, state.type());
    state.setFlag(Dispatching, true);
    state.set("target", targetObject(page, target));
    state.setPhase(Capturing);
    for (size_t at = path.size(); at-- > 1 && !state.has(StopPropagation);)
        invoke(page, path[at], event, true);
    state.setPhase(AtTarget);
    if (!state.has(StopPropagation))
        invoke(page, target, event, true);
    if (!state.has(StopPropagation))
        invoke(page, target, event, false);
    if (state.has(Bubbles)) {
        state.setPhase(Bubbling);
        for (size_t at = 1; at < path.size() && !state.has(StopPropagation); ++at)
            invoke(page, path[at], event, false);
    }
    state.setPhase(None);
    state.set("currentTarget", v8::Null(isolate));
    state.setFlag(Dispatching, false);
    state.setFlag(StopPropagation, false);
    state.setFlag(StopImmediate, false);
    return !state.has(Canceled);
}

bool EventTargets::fire(ScriptPage &page, int target, const QString &type, bool bubbles,
                        bool cancelable, const char *interface)
{
    v8::Isolate *isolate = page.isolate();
    v8::HandleScope handles(isolate);
    const v8::Local<v8::Object> event = page.templates.newInstance(interface, 0);
    initialise(isolate, event, toV8(isolate, type),
               (bubbles ? Bubbles : 0) | (cancelable ? Cancelable : 0) | Trusted);
    return dispatch(page, target, event);
}

int eventTargetOf(ScriptPage &page, v8::Local<v8::Value> receiver)
{
    if (receiver->IsObject() && receiver.As<v8::Object>()->StrictEquals(page.global()))
        return EventTargets::windowTarget;
    if (!receiver->IsObject())
        return ScriptDocument::noNode;
    const v8::Local<v8::Object> object = receiver.As<v8::Object>();
    if (isUnmodelledObject(object))
        page.runtime.notModelled("EventTarget of an object not modelled");
    const int key = internalValueOf(object);
    if (EventTargets::isObjectTarget(key))
        return page.events.objectTarget(page.isolate(), key) == object ? key
                                                                       : ScriptDocument::noNode;
    return page.nodeOf(receiver);
}

void eventHandlerGetter(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    const QString type = fromV8(isolate, info.Data().As<v8::String>()).mid(2);
    const int target = eventTargetOf(page, info.This());
    if (target != ScriptDocument::noNode)
        info.GetReturnValue().Set(page.events.handler(isolate, target, type));
    else
        info.GetReturnValue().SetNull();
}

void eventHandlerSetter(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    const QString type = fromV8(isolate, info.Data().As<v8::String>()).mid(2);
    const int target = eventTargetOf(page, info.This());
    if (target != ScriptDocument::noNode)
        page.events.setHandler(isolate, target, type, info[0]);
}

void addEventMembers(RealMembers &members)
{
    members.operation("EventTarget", "addEventListener", addEventListener);
    members.operation("EventTarget", "removeEventListener", removeEventListener);
    members.operation("EventTarget", "dispatchEvent", dispatchEvent);
    addEventObjectMembers(members);
}
