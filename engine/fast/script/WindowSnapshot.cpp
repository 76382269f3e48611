#include "WindowSnapshot.h"

#include "InterfaceTemplates.h"

#include <v8-initialization.h>
#include <v8-template.h>

#include <algorithm>
#include <cstdint>

namespace {

constexpr size_t windowContext = 0;

// Interfaces nearly every page with scripts makes an object of (the document, its location, the
// events of its loading, a script element and the elements above and beside it): made in the
// snapshot, with their prototypes and ancestors, they are copied with the window instead of
// built again for each page.
constexpr const char *interfacesOfEveryPage[] = {
    "HTMLDocument", "Location",          "Navigator",      "Event",
    "Text",         "HTMLScriptElement", "HTMLDivElement", "HTMLAnchorElement"};

// Every address of ours a snapshot may hold, in one order for the isolate that makes it and the
// one made from it: V8 stores a callback by its place in this list.
const intptr_t *externalReferences()
{
    static const std::vector<intptr_t> references = [] {
        std::vector<intptr_t> list;
        for (const void *callback : InterfaceTemplates::callbacks())
            list.push_back(reinterpret_cast<intptr_t>(callback));
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        list.push_back(0);
        return list;
    }();
    return references.data();
}

int indexOf(const char *interface)
{
    return int(idlInterfaceNamed(interface) - idlInterfaces().data());
}

} // namespace

WindowSnapshot::WindowSnapshot()
{
    v8::SnapshotCreator creator(externalReferences());
    v8::Isolate *isolate = creator.GetIsolate();
    {
        v8::HandleScope handles(isolate);
        creator.SetDefaultContext(v8::Context::New(isolate));
        InterfaceTemplates templates(isolate);
        const v8::Local<v8::Context> window = v8::Context::New(isolate, nullptr,
                                                               templates.globalTemplate());
        const v8::Context::Scope inWindow(window);
        for (const char *interface : interfacesOfEveryPage)
            templates.interfaceObject(indexOf(interface), window).ToLocalChecked();
        m_interfaces = templates.made();
        for (const int index : m_interfaces)
            templates.interfaceObject(index, window).ToLocalChecked();
        for (const int index : m_interfaces)
            creator.AddData(templates.get(index));
        creator.AddContext(window);
    }
    m_blob = creator.CreateBlob(v8::SnapshotCreator::FunctionCodeHandling::kClear);
}

WindowSnapshot::~WindowSnapshot()
{
    delete[] m_blob.data;
}

void WindowSnapshot::configure(v8::Isolate::CreateParams &params)
{
    // The isolate made from the snapshot keeps the hash seed of the snapshot's own isolate,
    // which V8 set up as it set up the pages' isolate before there was a snapshot of ours; so
    // the window's tables need not be hashed again for every page.
    static const char keepSeed[] = "--no-rehash-snapshot";
    v8::V8::SetFlagsFromString(keepSeed, sizeof keepSeed - 1);
    params.snapshot_blob = &m_blob;
    params.external_references = externalReferences();
}

void WindowSnapshot::giveTemplates(v8::Isolate *isolate, InterfaceTemplates &templates) const
{
    for (size_t data = 0; data < m_interfaces.size(); ++data)
        templates.adopt(
            m_interfaces[data],
            isolate->GetDataFromSnapshotOnce<v8::FunctionTemplate>(data).ToLocalChecked());
}

v8::Local<v8::Context> WindowSnapshot::newWindow(v8::Isolate *isolate,
                                                 v8::MicrotaskQueue *microtasks)
{
    return v8::Context::FromSnapshot(isolate, windowContext, {}, nullptr, {}, microtasks)
        .ToLocalChecked();
}
