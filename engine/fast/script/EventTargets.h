#pragma once

#include <QString>

#include <v8-function-callback.h>
#include <v8-object.h>
#include <v8-persistent-handle.h>

#include <memory>
#include <unordered_map>
#include <vector>

class ScriptPage;

// The listeners of a page's event targets (its nodes and window) and the dispatch of events
// through the tree: capture, target and bubble phases, once, passive, the two ways of stopping
// propagation and cancelation, as the DOM standard orders them.
class EventTargets
{
public:
    // Window's key among the node keys of ScriptDocument.
    static constexpr int windowTarget = -100;

    // Bounds a page's listeners: past it the page has asked for more than is kept.
    static constexpr std::size_t listenerBound = 100000;
    // Event targets that are neither nodes nor window (request objects) have keys from here
    // down, one per object, bounded.
    static constexpr int firstObjectTarget = -200;
    static constexpr std::size_t objectTargetBound = 10000;
    static constexpr bool isObjectTarget(int key) { return key <= firstObjectTarget; }

    // A new such target's key; noNode when the page made too many.
    int addObjectTarget(v8::Isolate *isolate, v8::Local<v8::Object> object);
    v8::Local<v8::Object> objectTarget(v8::Isolate *isolate, int key) const;

    // False when the page has too many listeners.
    bool add(int target, const QString &type, v8::Isolate *isolate, v8::Local<v8::Object> callback,
             bool capture, bool once, bool passive);
    void remove(int target, const QString &type, v8::Local<v8::Object> callback, bool capture);

    // Whether any target has a listener for events of that type.
    bool listensFor(const QString &type) const;
    // Whether that target has one.
    bool listensFor(const QString &type, int target) const;

    // An `onxxx` attribute's listener: null when none.
    v8::Local<v8::Value> handler(v8::Isolate *isolate, int target, const QString &type) const;
    void setHandler(v8::Isolate *isolate, int target, const QString &type,
                    v8::Local<v8::Value> value);

    // An event handler content attribute (onload="..."): its code is compiled when the event
    // first comes, with the document and `element` in its scope.
    bool setContentHandler(int target, const QString &type, const QString &source, int element);

    // Dispatches an event object through the tree from `target`; whether it was not canceled.
    static bool dispatch(ScriptPage &page, int target, v8::Local<v8::Object> event);
    // Makes and dispatches a trusted event of that type, an instance of `interface`.
    static bool fire(ScriptPage &page, int target, const QString &type, bool bubbles = false,
                     bool cancelable = false, const char *interface = "Event");

private:
    struct Listener
    {
        QString type;
        v8::Global<v8::Object> callback;
        bool capture = false;
        bool once = false;
        bool passive = false;
        bool isHandler = false; // an event handler attribute's, whose callback may change
        QString source;         // a content attribute's code, not compiled yet
        int scopeElement = -1;
        bool removed = false;
    };
    using ListenerList = std::vector<std::shared_ptr<Listener>>;

    static bool compile(ScriptPage &page, Listener &listener);
    static void invoke(ScriptPage &page, int currentTarget, v8::Local<v8::Object> event,
                       bool capturePhase);

    std::unordered_map<int, ListenerList> m_listeners;
    std::size_t m_count = 0;
    std::vector<v8::Global<v8::Object>> m_objectTargets;
};

// The event handler attributes (onload, onclick, ...) of every interface.
void eventHandlerGetter(const v8::FunctionCallbackInfo<v8::Value> &info);
void eventHandlerSetter(const v8::FunctionCallbackInfo<v8::Value> &info);
// The event target of a receiver: a node's key, windowTarget, or ScriptDocument::noNode.
int eventTargetOf(ScriptPage &page, v8::Local<v8::Value> receiver);
