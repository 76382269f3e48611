#include "RealMembers.h"

namespace {

std::string keyOf(std::string_view interface, std::string_view name)
{
    std::string key(interface);
    key += '.';
    key += name;
    return key;
}

// Names no member has: "constructor" is an ordinary name, but not that of an IDL member.
constexpr std::string_view constructorKey = " constructor";

} // namespace

const RealMembers &RealMembers::all()
{
    static const RealMembers members = [] {
        RealMembers registry;
        addWindowMembers(registry);
        addEventMembers(registry);
        addNodeMembers(registry);
        addElementMembers(registry);
        addFormControlMembers(registry);
        addStyleMembers(registry);
        addComputedStyleMembers(registry);
        addBoxlessGeometryMembers(registry);
        addInnerTextMembers(registry);
        addAttributeMapMembers(registry);
        addUnmodelledObjectMembers(registry);
        addRequestMembers(registry);
        addFetchMembers(registry);
        addWorkerMembers(registry);
        addImplementationMembers(registry);
        addUrlAndSearchParamsMembers(registry);
        addHistoryMembers(registry);
        addDocumentWriteMembers(registry);
        addImageMembers(registry);
        addWindowStatusMembers(registry);
        addScrollMembers(registry);
        addFocusMembers(registry);
        return registry;
    }();
    return members;
}

RealMember &RealMembers::entry(std::string_view interface, std::string_view name)
{
    return m_members[keyOf(interface, name)];
}

void RealMembers::attribute(std::string_view interface, std::string_view name,
                            v8::FunctionCallback getter, v8::FunctionCallback setter)
{
    RealMember &member = entry(interface, name);
    member.getter = getter;
    member.setter = setter;
}

void RealMembers::operation(std::string_view interface, std::string_view name,
                            v8::FunctionCallback callback)
{
    entry(interface, name).operation = callback;
}

void RealMembers::constructor(std::string_view interface, v8::FunctionCallback construct)
{
    entry(interface, constructorKey).operation = construct;
}

const RealMember *RealMembers::find(std::string_view interface, std::string_view name) const
{
    const auto found = m_members.find(keyOf(interface, name));
    return found == m_members.end() ? nullptr : &found->second;
}

const RealMember *RealMembers::findConstructor(std::string_view interface) const
{
    return find(interface, constructorKey);
}

void RealMembers::instanceSetup(std::string_view interface, InstanceSetup setup)
{
    m_instanceSetups[std::string(interface)] = setup;
}

RealMembers::InstanceSetup RealMembers::findInstanceSetup(std::string_view interface) const
{
    const auto found = m_instanceSetups.find(std::string(interface));
    return found == m_instanceSetups.end() ? nullptr : found->second;
}

void RealMembers::handler(const void *callback)
{
    m_handlers.push_back(callback);
}

std::vector<const void *> RealMembers::callbacks() const
{
    std::vector<const void *> found = m_handlers;
    for (const auto &[name, member] : m_members) {
        for (const v8::FunctionCallback callback :
             {member.getter, member.setter, member.operation}) {
            if (callback)
                found.push_back(reinterpret_cast<const void *>(callback));
        }
    }
    return found;
}
