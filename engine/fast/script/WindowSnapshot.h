#pragma once

#include <v8-context.h>
#include <v8-isolate.h>
#include <v8-microtask-queue.h>
#include <v8-snapshot.h>

#include <vector>

class InterfaceTemplates;

// The window as every page's context starts: the global object with Window's members and about
// a thousand interface objects, made once a process into a V8 startup snapshot. A page's context
// is copied from it instead of being built a property at a time, which cost more than a small
// page's scripts. Made in an isolate of its own, before the process's isolate, which starts from
// it; and before the sandbox, which it does not need.
class WindowSnapshot
{
public:
    WindowSnapshot();
    ~WindowSnapshot();
    WindowSnapshot(const WindowSnapshot &) = delete;
    WindowSnapshot &operator=(const WindowSnapshot &) = delete;

    // Makes an isolate start from the snapshot.
    void configure(v8::Isolate::CreateParams &params);
    // Gives the templates the window was made from to the isolate's own set, so that what a
    // page makes later (the Window interface object, an element's prototype chain up to
    // EventTarget) meets the window's own objects, not copies.
    void giveTemplates(v8::Isolate *isolate, InterfaceTemplates &templates) const;
    // A fresh window for a page, nothing of any other page's in it.
    static v8::Local<v8::Context> newWindow(v8::Isolate *isolate, v8::MicrotaskQueue *microtasks);

private:
    v8::StartupData m_blob{nullptr, 0};
    std::vector<int> m_interfaces; // the snapshot's data, in order: their templates
};
