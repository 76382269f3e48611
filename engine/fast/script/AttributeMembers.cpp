#include "NodeArguments.h"
#include "RealMembers.h"

#include <v8-primitive.h>

using namespace NodeArguments;

// Element.attributes, a NamedNodeMap whose internal value is its element, and its Attr objects,
// each its element's (the internal value) and a name's. An Attr is made anew each time it is
// read; that two reads give one object is not modelled.
namespace {

QString attrName(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    v8::Local<v8::Value> name;
    if (!info.This()
             ->GetPrivate(isolate->GetCurrentContext(),
                          v8::Private::ForApi(isolate, toV8(isolate, "attr name")))
             .ToLocal(&name)
        || !name->IsString())
        return QString();
    return fromV8(isolate, name.As<v8::String>());
}

v8::Local<v8::Value> makeAttr(ScriptPage &page, int element, const QString &name)
{
    v8::Isolate *isolate = page.isolate();
    if (name.isNull())
        return v8::Null(isolate);
    const v8::Local<v8::Object> attr = page.templates.newInstance("Attr", element);
    attr->SetPrivate(isolate->GetCurrentContext(),
                     v8::Private::ForApi(isolate, toV8(isolate, "attr name")), toV8(isolate, name))
        .FromMaybe(false);
    return attr;
}

// The attribute's name as the element holds it, or a null string when it has none such.
QString heldName(ScriptPage &page, int element, const QString &name)
{
    if (!page.document.hasAttribute(element, name))
        return QString();
    const QString lower = page.document.isHtmlDocument() ? name.toLower() : name;
    for (const QString &held : page.document.attributeNames(element)) {
        if (held == lower)
            return held;
    }
    return QString();
}

QString nameAt(ScriptPage &page, int element, uint32_t index)
{
    const QStringList names = page.document.attributeNames(element);
    return index < uint32_t(names.size()) ? names[qsizetype(index)] : QString();
}

void addMapMembers(RealMembers &members)
{
    members.attribute("Element", "attributes", [](const Info &info) {
        info.GetReturnValue().Set(sameObject(info, "attributes", [&] {
            return pageOf(info).templates.newInstance("NamedNodeMap", self(info));
        }));
    });
    members.attribute("NamedNodeMap", "length", [](const Info &info) {
        info.GetReturnValue().Set(
            int(pageOf(info).document.attributeNames(internalValueOf(info.This())).size()));
    });
    members.operation("NamedNodeMap", "item", [](const Info &info) {
        uint32_t index = 0;
        if (!info[0]->Uint32Value(info.GetIsolate()->GetCurrentContext()).To(&index))
            return;
        ScriptPage &page = pageOf(info);
        const int element = internalValueOf(info.This());
        info.GetReturnValue().Set(makeAttr(page, element, nameAt(page, element, index)));
    });
    members.operation("NamedNodeMap", "getNamedItem", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        if (!name)
            return;
        ScriptPage &page = pageOf(info);
        const int element = internalValueOf(info.This());
        info.GetReturnValue().Set(makeAttr(page, element, heldName(page, element, *name)));
    });
    members.instanceSetup("NamedNodeMap", [](v8::Local<v8::ObjectTemplate> instance) {
        v8::IndexedPropertyHandlerConfiguration indexed;
        indexed.getter = [](uint32_t index, const v8::PropertyCallbackInfo<v8::Value> &info) {
            ScriptPage &page = ScriptPage::of(info.GetIsolate());
            const int element = internalValueOf(info.Holder());
            const QString name = nameAt(page, element, index);
            if (!name.isNull())
                info.GetReturnValue().Set(makeAttr(page, element, name));
        };
        instance->SetHandler(indexed);
        v8::NamedPropertyHandlerConfiguration named;
        named.getter =
            [](v8::Local<v8::Name> property, const v8::PropertyCallbackInfo<v8::Value> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            ScriptPage &page = ScriptPage::of(isolate);
            const int element = internalValueOf(info.Holder());
            const QString name = heldName(page, element,
                                          fromV8(isolate, property.As<v8::String>()));
            if (!name.isNull())
                info.GetReturnValue().Set(makeAttr(page, element, name));
        };
        named.flags = v8::PropertyHandlerFlags(
            int(v8::PropertyHandlerFlags::kNonMasking)
            | int(v8::PropertyHandlerFlags::kOnlyInterceptStrings));
        instance->SetHandler(named);
    });
}

void addAttrMembers(RealMembers &members)
{
    const auto name = [](const Info &info) { returnString(info, attrName(info)); };
    members.attribute("Attr", "name", name);
    members.attribute("Attr", "localName", name);
    members.attribute(
        "Attr", "value",
        [](const Info &info) {
        const QString value = pageOf(info).document.attribute(internalValueOf(info.This()),
                                                              attrName(info));
        returnString(info, value.isNull() ? QStringLiteral("") : value);
        },
        [](const Info &info) {
        if (const auto value = stringArgument(info, 0))
            pageOf(info).document.setAttribute(internalValueOf(info.This()), attrName(info),
                                               *value);
    });
    members.attribute("Attr", "ownerElement",
                      [](const Info &info) { returnNode(info, internalValueOf(info.This())); });
    members.attribute("Attr", "specified",
                      [](const Info &info) { info.GetReturnValue().Set(true); });
    const auto none = [](const Info &info) { info.GetReturnValue().SetNull(); };
    members.attribute("Attr", "namespaceURI", none);
    members.attribute("Attr", "prefix", none);
}

} // namespace

void addAttributeMapMembers(RealMembers &members)
{
    addMapMembers(members);
    addAttrMembers(members);
}
