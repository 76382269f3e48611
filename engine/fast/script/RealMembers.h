#pragma once

#include <v8-function-callback.h>
#include <v8-template.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The members the runtime does exactly as the browser does, by interface and name; every other
// member of the Web IDL table is installed as a trap.
struct RealMember
{
    v8::FunctionCallback getter = nullptr;    // an attribute's
    v8::FunctionCallback setter = nullptr;    // an attribute's, when it can be set
    v8::FunctionCallback operation = nullptr; // an operation, or the interface's constructor
};

class RealMembers
{
public:
    // Every real member of every interface, registered once.
    static const RealMembers &all();

    void attribute(std::string_view interface, std::string_view name, v8::FunctionCallback getter,
                   v8::FunctionCallback setter = nullptr);
    void operation(std::string_view interface, std::string_view name,
                   v8::FunctionCallback callback);
    // An interface's constructor, or a legacy factory function by its own name (Image).
    void constructor(std::string_view interface, v8::FunctionCallback construct);

    // Handlers of an interface's instances themselves (indexed or named properties).
    using InstanceSetup = void (*)(v8::Local<v8::ObjectTemplate> instance);
    void instanceSetup(std::string_view interface, InstanceSetup setup);
    InstanceSetup findInstanceSetup(std::string_view interface) const;

    const RealMember *find(std::string_view interface, std::string_view name) const;
    const RealMember *findConstructor(std::string_view interface) const;

    // A handler an instance setup installs, which the window's snapshot may hold: V8 finds it in
    // a snapshot only by its place in a list of every such address.
    void handler(const void *callback);
    // Every callback of every member and handler, for that list.
    std::vector<const void *> callbacks() const;

private:
    RealMember &entry(std::string_view interface, std::string_view name);

    std::unordered_map<std::string, RealMember> m_members; // "Interface.member"
    std::unordered_map<std::string, InstanceSetup> m_instanceSetups;
    std::vector<const void *> m_handlers;
};

// Each family of bindings adds its members (WindowMembers.cpp, NodeMembers.cpp, ...).
void addWindowMembers(RealMembers &members);
void addEventMembers(RealMembers &members);
void addNodeMembers(RealMembers &members);
void addElementMembers(RealMembers &members);
void addFormControlMembers(RealMembers &members);
void addStyleMembers(RealMembers &members);
void addComputedStyleMembers(RealMembers &members);
void addBoxlessGeometryMembers(RealMembers &members);
void addInnerTextMembers(RealMembers &members);
void addAttributeMapMembers(RealMembers &members);
void addUnmodelledObjectMembers(RealMembers &members);
void addRequestMembers(RealMembers &members);
void addFetchMembers(RealMembers &members);
void addWorkerMembers(RealMembers &members);
void addImplementationMembers(RealMembers &members);
void addUrlAndSearchParamsMembers(RealMembers &members);
void addHistoryMembers(RealMembers &members);
void addDocumentWriteMembers(RealMembers &members);
void addImageMembers(RealMembers &members);
void addWindowStatusMembers(RealMembers &members);
void addScrollMembers(RealMembers &members);
void addFocusMembers(RealMembers &members);
