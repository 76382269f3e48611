#include "BrowserAddress.h"
#include "NodeArguments.h"
#include "RealMembers.h"

#include <v8-container.h>
#include <v8-primitive.h>

using namespace NodeArguments;

namespace {

// The attribute a reflecting member stands for: its own name in lower case.
QString reflectedAttribute(const Info &info)
{
    return fromV8(info.GetIsolate(), info.Data().As<v8::String>()).toLower();
}

void reflectString(const Info &info)
{
    const QString value = pageOf(info).document.attribute(self(info), reflectedAttribute(info));
    returnString(info, value.isNull() ? QStringLiteral("") : value);
}

void setReflectedString(const Info &info)
{
    if (const auto value = stringArgument(info, 0))
        pageOf(info).check(
            pageOf(info).document.setAttribute(self(info), reflectedAttribute(info), *value),
            "setAttribute");
}

void reflectBool(const Info &info)
{
    info.GetReturnValue().Set(
        pageOf(info).document.hasAttribute(self(info), reflectedAttribute(info)));
}

void setReflectedBool(const Info &info)
{
    ScriptDocument &document = pageOf(info).document;
    if (info[0]->BooleanValue(info.GetIsolate()))
        document.setAttribute(self(info), reflectedAttribute(info), QStringLiteral(""));
    else
        document.removeAttribute(self(info), reflectedAttribute(info));
}

void addAttributeMembers(RealMembers &members)
{
    members.attribute("Element", "tagName", [](const Info &info) {
        returnString(info, pageOf(info).document.tagName(self(info)));
    });
    members.attribute("Element", "localName", [](const Info &info) {
        returnString(info, pageOf(info).document.localName(self(info)));
    });
    members.attribute("Element", "namespaceURI", [](const Info &info) {
        returnNullableString(info, pageOf(info).document.namespaceUri(self(info)));
    });
    members.attribute("Element", "prefix",
                      [](const Info &info) { info.GetReturnValue().SetNull(); });
    members.attribute(
        "Element", "id",
        [](const Info &info) { returnString(info, pageOf(info).document.id(self(info))); },
        [](const Info &info) {
        if (const auto id = stringArgument(info, 0))
            pageOf(info).document.setId(self(info), *id);
        });
    members.attribute(
        "Element", "className",
        [](const Info &info) { returnString(info, pageOf(info).document.className(self(info))); },
        [](const Info &info) {
        if (const auto name = stringArgument(info, 0))
            pageOf(info).document.setClassName(self(info), *name);
        });
    members.operation("Element", "getAttribute", [](const Info &info) {
        if (const auto name = stringArgument(info, 0))
            returnNullableString(info, pageOf(info).document.attribute(self(info), *name));
    });
    members.operation("Element", "hasAttribute", [](const Info &info) {
        if (const auto name = stringArgument(info, 0))
            info.GetReturnValue().Set(pageOf(info).document.hasAttribute(self(info), *name));
    });
    members.operation("Element", "hasAttributes", [](const Info &info) {
        info.GetReturnValue().Set(pageOf(info).document.hasAttributes(self(info)));
    });
    members.operation("Element", "setAttribute", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        const auto value = name ? stringArgument(info, 1) : std::nullopt;
        if (value)
            pageOf(info).check(pageOf(info).document.setAttribute(self(info), *name, *value),
                               "Element.setAttribute");
    });
    members.operation("Element", "removeAttribute", [](const Info &info) {
        if (const auto name = stringArgument(info, 0))
            pageOf(info).document.removeAttribute(self(info), *name);
    });
    members.operation("Element", "toggleAttribute", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        if (!name)
            return;
        std::optional<bool> force;
        if (!info[1]->IsUndefined())
            force = info[1]->BooleanValue(info.GetIsolate());
        const BoolResult result = pageOf(info).document.toggleAttribute(self(info), *name, force);
        if (pageOf(info).check(result.error, "Element.toggleAttribute"))
            info.GetReturnValue().Set(result.value);
    });
    members.operation("Element", "getAttributeNames", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        const QStringList names = pageOf(info).document.attributeNames(self(info));
        const v8::Local<v8::Array> array = v8::Array::New(isolate, int(names.size()));
        for (int at = 0; at < names.size(); ++at)
            array->Set(isolate->GetCurrentContext(), uint32_t(at), toV8(isolate, names[at]))
                .FromMaybe(false);
        info.GetReturnValue().Set(array);
    });
}

void addMarkupMembers(RealMembers &members)
{
    const auto innerHtml = [](const Info &info) {
        const TextResult result = pageOf(info).document.innerHtml(self(info));
        if (pageOf(info).check(result.error, "innerHTML"))
            returnString(info, result.text);
    };
    const auto setInnerHtml = [](const Info &info) {
        if (const auto html = nullableStringArgument(info, 0)) {
            pageOf(info).check(pageOf(info).document.setInnerHtml(self(info), *html), "innerHTML");
            pageOf(info).checkTreeSize();
        }
    };
    members.attribute("Element", "innerHTML", innerHtml, setInnerHtml);
    members.attribute(
        "Element", "outerHTML",
        [](const Info &info) {
        const TextResult result = pageOf(info).document.outerHtml(self(info));
        if (pageOf(info).check(result.error, "outerHTML"))
            returnString(info, result.text);
        },
        [](const Info &info) {
        if (const auto html = nullableStringArgument(info, 0))
            pageOf(info).check(pageOf(info).document.setOuterHtml(self(info), *html), "outerHTML");
    });
    members.operation("Element", "insertAdjacentHTML", [](const Info &info) {
        const auto position = stringArgument(info, 0);
        const auto html = position ? stringArgument(info, 1) : std::nullopt;
        if (html) {
            pageOf(info).check(
                pageOf(info).document.insertAdjacentHtml(self(info), *position, *html),
                "insertAdjacentHTML");
            pageOf(info).checkTreeSize();
        }
    });
    members.operation("Element", "insertAdjacentText", [](const Info &info) {
        const auto position = stringArgument(info, 0);
        const auto text = position ? stringArgument(info, 1) : std::nullopt;
        if (text)
            pageOf(info).check(
                pageOf(info).document.insertAdjacentText(self(info), *position, *text),
                "insertAdjacentText");
    });
    members.operation("Element", "insertAdjacentElement", [](const Info &info) {
        const auto position = stringArgument(info, 0);
        if (!position)
            return;
        const int element = nodeArgument(info, 1, "insertAdjacentElement");
        if (element == ScriptDocument::noNode)
            return;
        const NodeResult result = pageOf(info).document.insertAdjacentElement(self(info), *position,
                                                                              element);
        if (pageOf(info).check(result.error, "insertAdjacentElement")) {
            returnNode(info, result.node);
            treeChanged(info);
        }
    });
}

void addSelectorMembers(RealMembers &members)
{
    const auto matches = [](const Info &info) {
        const auto selectors = stringArgument(info, 0);
        if (!selectors)
            return;
        const BoolResult result = pageOf(info).document.matches(self(info), *selectors);
        if (pageOf(info).check(result.error, "Element.matches"))
            info.GetReturnValue().Set(result.value);
    };
    members.operation("Element", "matches", matches);
    members.operation("Element", "webkitMatchesSelector", matches);
    members.operation("Element", "closest", [](const Info &info) {
        const auto selectors = stringArgument(info, 0);
        if (!selectors)
            return;
        const NodeResult result = pageOf(info).document.closest(self(info), *selectors);
        if (pageOf(info).check(result.error, "Element.closest"))
            returnNode(info, result.node);
    });
}

std::optional<QStringList> tokenArguments(const Info &info)
{
    QStringList tokens;
    for (int at = 0; at < info.Length(); ++at) {
        const auto token = stringArgument(info, at);
        if (!token)
            return std::nullopt;
        tokens.append(*token);
    }
    return tokens;
}

// classList: a DOMTokenList whose internal value is its element.
void addTokenListMembers(RealMembers &members)
{
    members.attribute("Element", "classList", [](const Info &info) {
        info.GetReturnValue().Set(sameObject(info, "classList", [&] {
            return pageOf(info).templates.newInstance("DOMTokenList", self(info));
        }));
    });
    members.attribute("DOMTokenList", "length", [](const Info &info) {
        info.GetReturnValue().Set(
            int(pageOf(info).document.classList(internalValueOf(info.This())).size()));
    });
    const auto value = [](const Info &info) {
        returnString(info, pageOf(info).document.classListValue(internalValueOf(info.This())));
    };
    members.attribute("DOMTokenList", "value", value, [](const Info &info) {
        if (const auto text = stringArgument(info, 0))
            pageOf(info).document.setClassName(internalValueOf(info.This()), *text);
    });
    members.operation("DOMTokenList", "toString", value);
    members.operation("DOMTokenList", "item", [](const Info &info) {
        uint32_t index = 0;
        if (!info[0]->Uint32Value(info.GetIsolate()->GetCurrentContext()).To(&index))
            return;
        const QStringList tokens = pageOf(info).document.classList(internalValueOf(info.This()));
        returnNullableString(info, index < uint32_t(tokens.size()) ? tokens[index] : QString());
    });
    members.operation("DOMTokenList", "contains", [](const Info &info) {
        if (const auto token = stringArgument(info, 0))
            info.GetReturnValue().Set(
                pageOf(info).document.classListContains(internalValueOf(info.This()), *token));
    });
    members.operation("DOMTokenList", "add", [](const Info &info) {
        const auto list = tokenArguments(info);
        if (!list)
            return;
        pageOf(info).check(pageOf(info).document.classListAdd(internalValueOf(info.This()), *list),
                           "DOMTokenList.add");
    });
    members.operation("DOMTokenList", "remove", [](const Info &info) {
        const auto list = tokenArguments(info);
        if (!list)
            return;
        pageOf(info).check(
            pageOf(info).document.classListRemove(internalValueOf(info.This()), *list),
            "DOMTokenList.remove");
    });
    members.operation("DOMTokenList", "toggle", [](const Info &info) {
        const auto token = stringArgument(info, 0);
        if (!token)
            return;
        std::optional<bool> force;
        if (!info[1]->IsUndefined())
            force = info[1]->BooleanValue(info.GetIsolate());
        const BoolResult result = pageOf(info).document.classListToggle(
            internalValueOf(info.This()), *token, force);
        if (pageOf(info).check(result.error, "DOMTokenList.toggle"))
            info.GetReturnValue().Set(result.value);
    });
    members.operation("DOMTokenList", "replace", [](const Info &info) {
        const auto token = stringArgument(info, 0);
        const auto newToken = token ? stringArgument(info, 1) : std::nullopt;
        if (!newToken)
            return;
        const BoolResult result = pageOf(info).document.classListReplace(
            internalValueOf(info.This()), *token, *newToken);
        if (pageOf(info).check(result.error, "DOMTokenList.replace"))
            info.GetReturnValue().Set(result.value);
    });
    members.instanceSetup("DOMTokenList", [](v8::Local<v8::ObjectTemplate> instance) {
        v8::IndexedPropertyHandlerConfiguration handlers;
        handlers.getter = [](uint32_t index, const v8::PropertyCallbackInfo<v8::Value> &info) {
            ScriptPage &page = ScriptPage::of(info.GetIsolate());
            const QStringList tokens = page.document.classList(internalValueOf(info.Holder()));
            if (index < uint32_t(tokens.size()))
                info.GetReturnValue().Set(toV8(info.GetIsolate(), tokens[index]));
        };
        instance->SetHandler(handlers);
    });
}

// dataset: a DOMStringMap whose internal value is its element, its properties the data-*
// attributes.
void addDatasetMembers(RealMembers &members)
{
    members.attribute("HTMLElement", "dataset", [](const Info &info) {
        info.GetReturnValue().Set(sameObject(info, "dataset", [&] {
            return pageOf(info).templates.newInstance("DOMStringMap", self(info));
        }));
    });
    members.instanceSetup("DOMStringMap", [](v8::Local<v8::ObjectTemplate> instance) {
        v8::NamedPropertyHandlerConfiguration handlers;
        handlers.getter =
            [](v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            const TextResult attribute = ScriptDocument::datasetAttributeName(
                fromV8(isolate, name.As<v8::String>()));
            if (attribute.error != DomError::None)
                return;
            const QString value = ScriptPage::of(isolate).document.attribute(
                internalValueOf(info.Holder()), attribute.text);
            if (!value.isNull())
                info.GetReturnValue().Set(toV8(isolate, value));
        };
        handlers.setter = [](v8::Local<v8::Name> name, v8::Local<v8::Value> value,
                             const v8::PropertyCallbackInfo<v8::Value> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            ScriptPage &page = ScriptPage::of(isolate);
            const TextResult attribute = ScriptDocument::datasetAttributeName(
                fromV8(isolate, name.As<v8::String>()));
            if (!page.check(attribute.error, "DOMStringMap"))
                return;
            if (const auto text = domString(isolate, value))
                page.check(page.document.setAttribute(internalValueOf(info.Holder()),
                                                      attribute.text, *text),
                           "DOMStringMap");
            info.GetReturnValue().Set(value);
        };
        handlers.deleter =
            [](v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Boolean> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            const TextResult attribute = ScriptDocument::datasetAttributeName(
                fromV8(isolate, name.As<v8::String>()));
            if (attribute.error != DomError::None)
                return;
            ScriptPage::of(isolate).document.removeAttribute(internalValueOf(info.Holder()),
                                                             attribute.text);
            info.GetReturnValue().Set(true);
        };
        handlers.enumerator = [](const v8::PropertyCallbackInfo<v8::Array> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            const auto entries = ScriptPage::of(isolate).document.dataset(
                internalValueOf(info.Holder()));
            const v8::Local<v8::Array> names = v8::Array::New(isolate, int(entries.size()));
            for (int at = 0; at < entries.size(); ++at)
                names
                    ->Set(isolate->GetCurrentContext(), uint32_t(at),
                          toV8(isolate, entries[at].first))
                    .FromMaybe(false);
            info.GetReturnValue().Set(names);
        };
        handlers.flags = v8::PropertyHandlerFlags::kOnlyInterceptStrings;
        instance->SetHandler(handlers);
    });
}

// An attribute holding a URL reads as the URL it resolves to.
void reflectUrl(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const QString value = page.document.attribute(self(info), reflectedAttribute(info));
    if (value.isNull()) {
        returnString(info, QStringLiteral(""));
        return;
    }
    if (const auto address = resolvedBrowserUrl(page.context.baseUrl, value))
        returnString(info, *address);
    else
        page.runtime.notModelled("URL attribute " + value.left(80).toStdString());
}

void addReflections(RealMembers &members)
{
    for (const auto &[interface, attribute] :
         {std::pair{"HTMLAnchorElement", "href"}, std::pair{"HTMLLinkElement", "href"},
          std::pair{"HTMLAreaElement", "href"}, std::pair{"HTMLScriptElement", "src"},
          std::pair{"HTMLImageElement", "src"}, std::pair{"HTMLIFrameElement", "src"}})
        members.attribute(interface, attribute, reflectUrl, setReflectedString);
    for (const char *interface :
         {"HTMLButtonElement", "HTMLFieldSetElement", "HTMLInputElement", "HTMLOptGroupElement",
          "HTMLOptionElement", "HTMLSelectElement", "HTMLTextAreaElement", "HTMLLinkElement"})
        members.attribute(interface, "disabled", reflectBool, setReflectedBool);
    for (const auto &[interface, attribute] :
         {std::pair{"HTMLAnchorElement", "rel"}, std::pair{"HTMLLinkElement", "rel"},
          std::pair{"HTMLLinkElement", "media"}, std::pair{"HTMLStyleElement", "media"},
          std::pair{"HTMLMetaElement", "content"}, std::pair{"HTMLInputElement", "name"},
          std::pair{"HTMLAnchorElement", "target"}, std::pair{"HTMLImageElement", "alt"}})
        members.attribute(interface, attribute, reflectString, setReflectedString);
}

// A link's fragment, from the URL it resolves to.
void urlHash(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const QString href = page.document.attribute(self(info), QStringLiteral("href"));
    if (href.isNull()) {
        returnString(info, QStringLiteral(""));
        return;
    }
    const auto address = resolvedBrowserUrl(page.context.baseUrl, href);
    if (!address) {
        page.runtime.notModelled("URL attribute " + href.left(80).toStdString());
        return;
    }
    const qsizetype hash = address->indexOf(u'#');
    returnString(info,
                 hash < 0 || hash == address->size() - 1 ? QStringLiteral("") : address->mid(hash));
}

void addHtmlElementMembers(RealMembers &members)
{
    addReflections(members);
    members.attribute("HTMLAnchorElement", "hash", urlHash);
    members.attribute("HTMLAreaElement", "hash", urlHash);
    // Scrolling changes nothing of the tree; only a page that listens for it could tell.
    members.operation("Element", "scrollIntoView", [](const Info &info) {
        ScriptPage &page = pageOf(info);
        if (page.events.listensFor(QStringLiteral("scroll")))
            page.runtime.notModelled("Element.scrollIntoView");
        page.scrolled = true;
    });
    members.attribute("HTMLElement", "title", reflectString, setReflectedString);
    members.attribute("HTMLElement", "lang", reflectString, setReflectedString);
    members.attribute("HTMLElement", "hidden", reflectBool, setReflectedBool);
    members.attribute(
        "HTMLElement", "dir",
        [](const Info &info) {
        // Limited to the known values.
        const QString value =
            pageOf(info).document.attribute(self(info), QStringLiteral("dir")).toLower();
        returnString(info,
                     value == u"ltr" || value == u"rtl" || value == u"auto" ? value
                                                                            : QStringLiteral(""));
        },
        setReflectedString);
    // The script element's own attributes, which scripts that insert scripts set.
    members.attribute("HTMLScriptElement", "async", reflectBool, setReflectedBool);
    members.attribute("HTMLScriptElement", "defer", reflectBool, setReflectedBool);
    members.attribute("HTMLScriptElement", "noModule", reflectBool, setReflectedBool);
    members.attribute("HTMLScriptElement", "type", reflectString, setReflectedString);
    members.attribute(
        "HTMLScriptElement", "text",
        [](const Info &info) {
        // The text of its Text children only.
        ScriptDocument &document = pageOf(info).document;
        QString text;
        for (int child : document.childNodes(self(info))) {
            if (document.nodeType(child) == DomNodeType::Text)
                text += document.nodeValue(child);
        }
        returnString(info, text);
        },
        [](const Info &info) {
        if (const auto text = stringArgument(info, 0))
            pageOf(info).document.setTextContent(self(info), *text);
    });
}

} // namespace

void addElementMembers(RealMembers &members)
{
    addAttributeMembers(members);
    addMarkupMembers(members);
    addSelectorMembers(members);
    addTokenListMembers(members);
    addDatasetMembers(members);
    addHtmlElementMembers(members);
}
