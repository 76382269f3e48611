#pragma once

#include "idl/IdlTable.h"

#include <v8-function.h>
#include <v8-persistent-handle.h>
#include <v8-template.h>

#include <string_view>
#include <vector>

// The interfaces of the Web IDL table as V8 templates, each made the first time a page needs it:
// a page that touches twenty interfaces pays for twenty, not for the nine hundred window holds.
// Every member exists; those not among the real members are traps.
class InterfaceTemplates
{
public:
    explicit InterfaceTemplates(v8::Isolate *isolate);

    static InterfaceTemplates &of(v8::Isolate *isolate);

    v8::Local<v8::FunctionTemplate> get(int interfaceIndex);
    // The interface of that name, which must be in the table.
    v8::Local<v8::FunctionTemplate> get(std::string_view name);
    // The global object's template: Window's members and, on first use, every interface object.
    v8::Local<v8::ObjectTemplate> globalTemplate();
    // Takes an interface's template made elsewhere (in the window's snapshot) as its own, its
    // interface object already made in the window and chained to its parent's.
    void adopt(int interfaceIndex, v8::Local<v8::FunctionTemplate> made);
    // A new page's context: every interface object but the adopted ones is made anew.
    void startPage();
    // The interface object of the current page's context, inheriting from its parent's.
    v8::MaybeLocal<v8::Function> interfaceObject(int interfaceIndex,
                                                 v8::Local<v8::Context> context);
    // The interfaces whose templates are made so far.
    std::vector<int> made() const;
    // Every callback a template made here may hold.
    static std::vector<const void *> callbacks();
    // A new instance of an interface, as the runtime makes its objects: the internal field
    // holds what the object stands for.
    v8::Local<v8::Object> newInstance(std::string_view interface, int internalValue);

private:
    v8::Local<v8::FunctionTemplate> build(int index);
    void installMember(int interfaceIndex, v8::Local<v8::FunctionTemplate> interfaceTemplate,
                       const IdlMember &member);
    void installInterfaceObjects(v8::Local<v8::ObjectTemplate> global);
    void chainToParents(int interfaceIndex, v8::Local<v8::Context> context);

    v8::Isolate *const m_isolate;
    std::vector<v8::Global<v8::FunctionTemplate>> m_templates;
    v8::Global<v8::ObjectTemplate> m_global;
    std::vector<int> m_adopted;
    // Whose interface object in the current page's context inherits from its parent's.
    std::vector<bool> m_chained;
};

// Where a callback finds the internal value of its receiver: -1 when it has none.
int internalValueOf(v8::Local<v8::Object> object);
