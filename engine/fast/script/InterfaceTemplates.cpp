#include "InterfaceTemplates.h"

#include "EventTargets.h"
#include "PageRuntime.h"
#include "RealMembers.h"
#include "V8Strings.h"

#include <v8-exception.h>
#include <v8-object.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr int isolateSlot = 1;

v8::Local<v8::Name> propertyName(v8::Isolate *isolate, const char *name)
{
    if (std::strcmp(name, "@@iterator") == 0)
        return v8::Symbol::GetIterator(isolate);
    if (std::strcmp(name, "@@asyncIterator") == 0)
        return v8::Symbol::GetAsyncIterator(isolate);
    if (std::strcmp(name, "@@toStringTag") == 0)
        return v8::Symbol::GetToStringTag(isolate);
    return toV8(isolate, name);
}

// A trap knows its member by the row's place in the table: the interface's index and the
// member's, or noMember for the constructor.
constexpr int noMember = 0xffff;

void trap(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    const int place = info.Data().As<v8::Int32>()->Value();
    const IdlInterface &interface = idlInterfaces()[size_t(place >> 16)];
    const int member = place & 0xffff;
    std::string what = interface.name;
    what += '.';
    what += member == noMember ? "constructor" : interface.members[size_t(member)].name;
    PageRuntime::of(info.GetIsolate()).notModelled(what);
}

v8::Local<v8::Integer> trapData(v8::Isolate *isolate, const IdlInterface &interface,
                                const IdlMember *member)
{
    const int interfaceIndex = int(&interface - idlInterfaces().data());
    const int memberIndex = member ? int(member - interface.members.data()) : noMember;
    return v8::Integer::New(isolate, interfaceIndex << 16 | memberIndex);
}

// An assignment to a [Replaceable] attribute hides it behind a plain property of that name.
void replace(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    const v8::Local<v8::Name> name = info.Data().As<v8::Name>();
    info.This()->CreateDataProperty(isolate->GetCurrentContext(), name, info[0]).FromMaybe(false);
}

void construct(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    const IdlInterface &interface = idlInterfaces()[size_t(info.Data().As<v8::Integer>()->Value())];
    const std::string name = interface.name;
    if (!info.IsConstructCall()) {
        isolate->ThrowException(v8::Exception::TypeError(toV8(
            isolate,
            ("Failed to construct '" + name
             + "': Please use the 'new' operator, this DOM object constructor cannot be called "
               "as a function.")
                .c_str())));
        return;
    }
    if (!interface.has(IdlInterfaceFlag::HasConstructor)) {
        isolate->ThrowException(v8::Exception::TypeError(toV8(isolate, "Illegal constructor")));
        return;
    }
    if (const RealMember *real = RealMembers::all().findConstructor(name))
        real->operation(info);
    else
        PageRuntime::of(isolate).notModelled(name + ".constructor");
}

// The indexed collections iterate as arrays do, over their length and indexed properties.
bool iteratesAsArray(const IdlInterface &interface)
{
    const std::string_view name = interface.name;
    return name == "NodeList" || name == "DOMTokenList" || name == "HTMLCollection";
}

std::optional<v8::Intrinsic> arrayIntrinsic(std::string_view member)
{
    if (member == "@@iterator" || member == "values")
        return v8::kArrayProto_values;
    if (member == "entries")
        return v8::kArrayProto_entries;
    if (member == "keys")
        return v8::kArrayProto_keys;
    if (member == "forEach")
        return v8::kArrayProto_forEach;
    return std::nullopt;
}

void interfaceObjectGetter(v8::Local<v8::Name>, const v8::PropertyCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    const int index = info.Data().As<v8::Integer>()->Value();
    const IdlInterface &interface = idlInterfaces()[size_t(index)];
    InterfaceTemplates &templates = InterfaceTemplates::of(isolate);
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    if (interface.kind == IdlInterfaceKind::Namespace) {
        v8::Local<v8::Object> object;
        // Made from its interface's instance template, but a plain object as the browser's.
        if (templates.get(index)->InstanceTemplate()->NewInstance(context).ToLocal(&object)
            && object->SetPrototype(context, v8::Object::New(isolate)->GetPrototype())
                   .FromMaybe(false))
            info.GetReturnValue().Set(object);
        return;
    }
    v8::Local<v8::Function> function;
    if (templates.interfaceObject(index, context).ToLocal(&function))
        info.GetReturnValue().Set(function);
}

void aliasGetter(v8::Local<v8::Name>, const v8::PropertyCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    const IdlWindowAlias &alias =
        idlWindowAliases()[size_t(info.Data().As<v8::Integer>()->Value())];
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::Local<v8::Function> named;
    if (!InterfaceTemplates::of(isolate).interfaceObject(alias.interface, context).ToLocal(&named))
        return;
    if (!alias.isFactoryFunction) {
        info.GetReturnValue().Set(named);
        return;
    }
    const IdlInterface &interface = idlInterfaces()[size_t(alias.interface)];
    v8::Local<v8::Function> factory;
    v8::Local<v8::Value> prototype;
    const RealMember *real = RealMembers::all().findConstructor(alias.name);
    if (!(real ? v8::Function::New(context, real->operation, {}, alias.length)
               : v8::Function::New(context, trap, trapData(isolate, interface, nullptr),
                                   alias.length))
             .ToLocal(&factory)
        || !named->Get(context, toV8(isolate, "prototype")).ToLocal(&prototype))
        return;
    factory->SetName(toV8(isolate, alias.name));
    factory
        ->DefineOwnProperty(context, toV8(isolate, "prototype"), prototype,
                            v8::PropertyAttribute(v8::ReadOnly | v8::DontEnum | v8::DontDelete))
        .FromMaybe(false);
    info.GetReturnValue().Set(factory);
}

// Items read by index or by name, on an interface whose items are not modelled: reading one
// stops the scripts, as any other member not modelled does.
void trapIndexedItem(uint32_t, const v8::PropertyCallbackInfo<v8::Value> &info)
{
    const int at = info.Data().As<v8::Int32>()->Value();
    PageRuntime::of(info.GetIsolate())
        .notModelled(std::string(idlInterfaces()[size_t(at >> 16)].name) + "[index]");
}

void trapNamedItem(v8::Local<v8::Name>, const v8::PropertyCallbackInfo<v8::Value> &info)
{
    const int at = info.Data().As<v8::Int32>()->Value();
    PageRuntime::of(info.GetIsolate())
        .notModelled(std::string(idlInterfaces()[size_t(at >> 16)].name) + "[name]");
}

void trapItems(v8::Isolate *isolate, const IdlInterface &interface,
               v8::Local<v8::ObjectTemplate> instance)
{
    const int place = int(&interface - idlInterfaces().data()) << 16 | noMember;
    if (interface.has(IdlInterfaceFlag::IndexedProperties)) {
        v8::IndexedPropertyHandlerConfiguration handlers;
        handlers.getter = trapIndexedItem;
        handlers.data = v8::Integer::New(isolate, place);
        instance->SetHandler(handlers);
    }
    if (interface.has(IdlInterfaceFlag::NamedProperties)) {
        v8::NamedPropertyHandlerConfiguration handlers;
        handlers.getter = trapNamedItem;
        handlers.data = v8::Integer::New(isolate, place);
        handlers.flags = v8::PropertyHandlerFlags(
            int(v8::PropertyHandlerFlags::kNonMasking)
            | int(v8::PropertyHandlerFlags::kOnlyInterceptStrings));
        instance->SetHandler(handlers);
    }
}

} // namespace

InterfaceTemplates::InterfaceTemplates(v8::Isolate *isolate)
    : m_isolate(isolate)
    , m_templates(idlInterfaces().size())
    , m_chained(idlInterfaces().size())
{
    isolate->SetData(isolateSlot, this);
}

InterfaceTemplates &InterfaceTemplates::of(v8::Isolate *isolate)
{
    return *static_cast<InterfaceTemplates *>(isolate->GetData(isolateSlot));
}

v8::Local<v8::FunctionTemplate> InterfaceTemplates::get(int interfaceIndex)
{
    v8::Global<v8::FunctionTemplate> &slot = m_templates[size_t(interfaceIndex)];
    if (slot.IsEmpty())
        slot.Reset(m_isolate, build(interfaceIndex));
    return slot.Get(m_isolate);
}

void InterfaceTemplates::adopt(int interfaceIndex, v8::Local<v8::FunctionTemplate> made)
{
    m_templates[size_t(interfaceIndex)].Reset(m_isolate, made);
    m_adopted.push_back(interfaceIndex);
}

void InterfaceTemplates::startPage()
{
    m_chained.assign(m_chained.size(), false);
    for (const int index : m_adopted)
        m_chained[size_t(index)] = true;
}

v8::MaybeLocal<v8::Function> InterfaceTemplates::interfaceObject(int interfaceIndex,
                                                                 v8::Local<v8::Context> context)
{
    chainToParents(interfaceIndex, context);
    return get(interfaceIndex)->GetFunction(context);
}

// V8 makes an interface object's prototype chain (HTMLElement.prototype inherits from
// Element.prototype) but leaves the interface object itself inheriting from Function.prototype;
// the browser's inherits from its parent's (Object.getPrototypeOf(HTMLElement) === Element).
void InterfaceTemplates::chainToParents(int interfaceIndex, v8::Local<v8::Context> context)
{
    for (int index = interfaceIndex; index >= 0 && !m_chained[size_t(index)];) {
        m_chained[size_t(index)] = true;
        const int parent = idlInterfaces()[size_t(index)].parent;
        v8::Local<v8::Function> function;
        v8::Local<v8::Function> parentFunction;
        if (parent >= 0 && get(index)->GetFunction(context).ToLocal(&function)
            && get(parent)->GetFunction(context).ToLocal(&parentFunction))
            function->SetPrototype(context, parentFunction).FromMaybe(false);
        index = parent;
    }
}

std::vector<int> InterfaceTemplates::made() const
{
    std::vector<int> indices;
    for (size_t index = 0; index < m_templates.size(); ++index) {
        if (!m_templates[index].IsEmpty())
            indices.push_back(int(index));
    }
    return indices;
}

std::vector<const void *> InterfaceTemplates::callbacks()
{
    std::vector<const void *> found = RealMembers::all().callbacks();
    const auto add = [&found](auto callback) {
        found.push_back(reinterpret_cast<const void *>(callback));
    };
    add(trap);
    add(replace);
    add(construct);
    add(interfaceObjectGetter);
    add(aliasGetter);
    add(trapIndexedItem);
    add(trapNamedItem);
    add(eventHandlerGetter);
    add(eventHandlerSetter);
    return found;
}

v8::Local<v8::FunctionTemplate> InterfaceTemplates::get(std::string_view name)
{
    const IdlInterface *interface = idlInterfaceNamed(name);
    Q_ASSERT(interface);
    return get(int(interface - idlInterfaces().data()));
}

v8::Local<v8::FunctionTemplate> InterfaceTemplates::build(int index)
{
    const IdlInterface &interface = idlInterfaces()[size_t(index)];
    const v8::Local<v8::FunctionTemplate> result = v8::FunctionTemplate::New(
        m_isolate, construct, v8::Integer::New(m_isolate, index), {}, interface.constructorLength);
    result->SetClassName(toV8(m_isolate, interface.name));
    result->InstanceTemplate()->SetInternalFieldCount(1);
    if (interface.kind == IdlInterfaceKind::Interface) {
        result->ReadOnlyPrototype();
        result->PrototypeTemplate()->Set(v8::Symbol::GetToStringTag(m_isolate),
                                         toV8(m_isolate, interface.name),
                                         v8::PropertyAttribute(v8::ReadOnly | v8::DontEnum));
    } else if (interface.kind == IdlInterfaceKind::Namespace) {
        // The template's function keeps its prototype: without one V8 has no map to make the
        // namespace's object from.
        result->InstanceTemplate()->Set(v8::Symbol::GetToStringTag(m_isolate),
                                        toV8(m_isolate, interface.name),
                                        v8::PropertyAttribute(v8::ReadOnly | v8::DontEnum));
    } else {
        result->RemovePrototype();
    }
    if (interface.parent >= 0)
        result->Inherit(get(interface.parent));
    if (const auto setup = RealMembers::all().findInstanceSetup(interface.name))
        setup(result->InstanceTemplate());
    else
        trapItems(m_isolate, interface, result->InstanceTemplate());
    for (const IdlMember &member : interface.members)
        installMember(index, result, member);
    // Members on each instance itself are not inherited from the parent's template: each
    // interface below holds its ancestors' too.
    for (int ancestor = interface.parent; ancestor >= 0;
         ancestor = idlInterfaces()[size_t(ancestor)].parent) {
        for (const IdlMember &member : idlInterfaces()[size_t(ancestor)].members) {
            if (member.has(IdlMemberFlag::LegacyUnforgeable))
                installMember(ancestor, result, member);
        }
    }
    return result;
}

void InterfaceTemplates::installMember(int interfaceIndex,
                                       v8::Local<v8::FunctionTemplate> interfaceTemplate,
                                       const IdlMember &member)
{
    const IdlInterface &interface = idlInterfaces()[size_t(interfaceIndex)];
    const v8::Local<v8::Name> name = propertyName(m_isolate, member.name);
    const bool isGlobal = interface.has(IdlInterfaceFlag::Global);
    const bool onInstance = isGlobal || member.has(IdlMemberFlag::LegacyUnforgeable)
        || interface.kind == IdlInterfaceKind::Namespace;
    const v8::Local<v8::Template> where = member.has(IdlMemberFlag::Static)
        ? v8::Local<v8::Template>(interfaceTemplate)
        : onInstance ? v8::Local<v8::Template>(interfaceTemplate->InstanceTemplate())
                     : v8::Local<v8::Template>(interfaceTemplate->PrototypeTemplate());
    const v8::PropertyAttribute unforgeable = member.has(IdlMemberFlag::LegacyUnforgeable)
        ? v8::DontDelete
        : v8::None;

    if (member.kind == IdlMemberKind::Constant) {
        const auto constant = v8::PropertyAttribute(v8::ReadOnly | v8::DontDelete);
        interfaceTemplate->Set(name, v8::Number::New(m_isolate, member.constantValue), constant);
        if (interface.kind == IdlInterfaceKind::Interface)
            interfaceTemplate->PrototypeTemplate()->Set(
                name, v8::Number::New(m_isolate, member.constantValue), constant);
        return;
    }
    const RealMember *real = RealMembers::all().find(interface.name, member.name);
    const v8::Local<v8::Signature> signature = isGlobal || member.has(IdlMemberFlag::Static)
            || interface.kind != IdlInterfaceKind::Interface
        ? v8::Local<v8::Signature>()
        : v8::Signature::New(m_isolate, interfaceTemplate);
    const auto function =
        [&](v8::FunctionCallback callback, v8::Local<v8::Value> data, int length) {
        return v8::FunctionTemplate::New(m_isolate, callback, data,
                                         callback == trap ? v8::Local<v8::Signature>() : signature,
                                         length, v8::ConstructorBehavior::kThrow);
    };
    const auto trapFunction = [&](int length) {
        return function(trap, trapData(m_isolate, interface, &member), length);
    };

    if (member.kind == IdlMemberKind::Operation) {
        if (!real && iteratesAsArray(interface)) {
            if (const auto intrinsic = arrayIntrinsic(member.name)) {
                where->SetIntrinsicDataProperty(name, *intrinsic, v8::DontEnum);
                return;
            }
        }
        where->Set(name,
                   real && real->operation ? function(real->operation, name, member.length)
                                           : trapFunction(member.length),
                   unforgeable);
        return;
    }

    v8::Local<v8::FunctionTemplate> getter;
    v8::Local<v8::FunctionTemplate> setter;
    if (real && real->getter) {
        getter = function(real->getter, name, 0);
        if (real->setter)
            setter = function(real->setter, name, 1);
    } else if (member.has(IdlMemberFlag::EventHandler)) {
        getter = function(eventHandlerGetter, name, 0);
        setter = function(eventHandlerSetter, name, 1);
    } else {
        getter = trapFunction(0);
    }
    if (setter.IsEmpty()) {
        if (member.has(IdlMemberFlag::Replaceable))
            setter = function(replace, name, 1);
        else if (!member.has(IdlMemberFlag::Readonly) || member.has(IdlMemberFlag::PutForwards)
                 || member.has(IdlMemberFlag::LegacyLenientSetter))
            setter = trapFunction(1);
    }
    where->SetAccessorProperty(name, getter, setter, unforgeable);
}

v8::Local<v8::ObjectTemplate> InterfaceTemplates::globalTemplate()
{
    if (m_global.IsEmpty()) {
        const v8::Local<v8::ObjectTemplate> global = get("Window")->InstanceTemplate();
        installInterfaceObjects(global);
        m_global.Reset(m_isolate, global);
    }
    return m_global.Get(m_isolate);
}

void InterfaceTemplates::installInterfaceObjects(v8::Local<v8::ObjectTemplate> global)
{
    const auto interfaces = idlInterfaces();
    for (size_t index = 0; index < interfaces.size(); ++index) {
        const IdlInterface &interface = interfaces[index];
        global->SetLazyDataProperty(toV8(m_isolate, interface.name), interfaceObjectGetter,
                                    v8::Integer::New(m_isolate, int(index)), v8::DontEnum);
    }
    const auto aliases = idlWindowAliases();
    for (size_t index = 0; index < aliases.size(); ++index)
        global->SetLazyDataProperty(toV8(m_isolate, aliases[index].name), aliasGetter,
                                    v8::Integer::New(m_isolate, int(index)), v8::DontEnum);
}

v8::Local<v8::Object> InterfaceTemplates::newInstance(std::string_view interface, int internalValue)
{
    const int index = int(idlInterfaceNamed(interface) - idlInterfaces().data());
    const v8::Local<v8::Context> context = m_isolate->GetCurrentContext();
    chainToParents(index, context);
    const v8::Local<v8::Object> object =
        get(index)->InstanceTemplate()->NewInstance(context).ToLocalChecked();
    object->SetInternalField(0, v8::Integer::New(m_isolate, internalValue));
    return object;
}

int internalValueOf(v8::Local<v8::Object> object)
{
    if (object->InternalFieldCount() < 1)
        return -1;
    const v8::Local<v8::Value> value = object->GetInternalField(0);
    return value->IsInt32() ? value.As<v8::Int32>()->Value() : -1;
}
