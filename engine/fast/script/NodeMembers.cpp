#include "BrowserAddress.h"
#include "NodeArguments.h"
#include "RealMembers.h"

#include <QSet>

#include <v8-container.h>
#include <v8-primitive.h>

using namespace NodeArguments;

namespace NodeArguments {

int nodeArgument(const Info &info, int index, const char *operation)
{
    const int node = pageOf(info).nodeOf(info[index]);
    if (node == ScriptDocument::noNode)
        throwTypeError(info.GetIsolate(),
                       QStringLiteral("Failed to execute '%1' on 'Node': parameter %2 is not of "
                                      "type 'Node'.")
                           .arg(QLatin1String(operation))
                           .arg(index + 1));
    return node;
}

std::optional<std::vector<NodeOrText>> nodesOrText(const Info &info)
{
    std::vector<NodeOrText> nodes;
    for (int at = 0; at < info.Length(); ++at) {
        const int node = pageOf(info).nodeOf(info[at]);
        if (node != ScriptDocument::noNode) {
            nodes.push_back({node, QString()});
            continue;
        }
        std::optional<QString> text = stringArgument(info, at);
        if (!text)
            return std::nullopt;
        nodes.push_back({ScriptDocument::noNode, std::move(*text)});
    }
    return nodes;
}

bool hasArguments(const Info &info, int required, const char *interface, const char *operation)
{
    if (info.Length() >= required)
        return true;
    const QString call = operation ? QStringLiteral("execute '%1' on").arg(QLatin1String(operation))
                                   : QStringLiteral("construct");
    throwTypeError(info.GetIsolate(),
                   QStringLiteral("Failed to %1 '%2': %3 argument%4 required, but only %5 present.")
                       .arg(call, QLatin1String(interface), QString::number(required),
                            required == 1 ? QString() : QStringLiteral("s"),
                            QString::number(info.Length())));
    return false;
}

bool onPageDocument(const Info &info, const char *member)
{
    if (self(info) == ScriptDocument::documentNode)
        return true;
    pageOf(info).runtime.notModelled(member);
    return false;
}

v8::Local<v8::Object> sameObject(const Info &info, const char *key,
                                 const std::function<v8::Local<v8::Object>()> &make)
{
    v8::Isolate *isolate = info.GetIsolate();
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    const v8::Local<v8::Private> name = v8::Private::ForApi(isolate, toV8(isolate, key));
    v8::Local<v8::Value> held;
    if (info.This()->GetPrivate(context, name).ToLocal(&held) && held->IsObject())
        return held.As<v8::Object>();
    const v8::Local<v8::Object> object = make();
    info.This()->SetPrivate(context, name, object).FromMaybe(false);
    return object;
}

} // namespace NodeArguments

namespace {

// The interfaces that include each mixin of the tree's members.
constexpr const char *parentNodes[] = {"Document", "DocumentFragment", "Element"};
constexpr const char *childNodes[] = {"Element", "CharacterData", "DocumentType"};

void addNodeNavigation(RealMembers &members)
{
    members.attribute("Node", "nodeType", [](const Info &info) {
        info.GetReturnValue().Set(int(pageOf(info).document.nodeType(self(info))));
    });
    members.attribute("Node", "nodeName", [](const Info &info) {
        returnString(info, pageOf(info).document.nodeName(self(info)));
    });
    members.attribute("Node", "parentNode", [](const Info &info) {
        returnNode(info, pageOf(info).document.parentNode(self(info)));
    });
    members.attribute("Node", "parentElement", [](const Info &info) {
        returnNode(info, pageOf(info).document.parentElement(self(info)));
    });
    members.attribute("Node", "firstChild", [](const Info &info) {
        returnNode(info, pageOf(info).document.firstChild(self(info)));
    });
    members.attribute("Node", "lastChild", [](const Info &info) {
        returnNode(info, pageOf(info).document.lastChild(self(info)));
    });
    members.attribute("Node", "nextSibling", [](const Info &info) {
        returnNode(info, pageOf(info).document.nextSibling(self(info)));
    });
    members.attribute("Node", "previousSibling", [](const Info &info) {
        returnNode(info, pageOf(info).document.previousSibling(self(info)));
    });
    members.attribute("Node", "ownerDocument", [](const Info &info) {
        ScriptDocument &document = pageOf(info).document;
        returnNode(info,
                   document.nodeType(self(info)) == DomNodeType::Document
                       ? ScriptDocument::noNode
                       : document.nodeDocument(self(info)));
    });
    // A document a script made holds its nodes connected too, though not rendered.
    members.attribute("Node", "isConnected", [](const Info &info) {
        ScriptDocument &document = pageOf(info).document;
        const int node = self(info);
        info.GetReturnValue().Set(
            document.isConnected(node)
            || (document.nodeDocument(node) != ScriptDocument::documentNode
                && document.nodeType(document.rootNode(node)) == DomNodeType::Document));
    });
    members.attribute("Node", "childNodes", [](const Info &info) {
        info.GetReturnValue().Set(sameObject(info, "childNodes", [&] {
            return pageOf(info).liveList(ScriptPage::LiveList::ChildNodes, self(info), QString());
        }));
    });
    members.operation("Node", "hasChildNodes", [](const Info &info) {
        info.GetReturnValue().Set(pageOf(info).document.hasChildNodes(self(info)));
    });
    members.operation("Node", "contains", [](const Info &info) {
        const int other = pageOf(info).nodeOf(info[0]);
        info.GetReturnValue().Set(other != ScriptDocument::noNode
                                  && pageOf(info).document.contains(self(info), other));
    });
    members.operation("Node", "isSameNode", [](const Info &info) {
        info.GetReturnValue().Set(info[0]->StrictEquals(info.This()));
    });
    members.operation("Node", "compareDocumentPosition", [](const Info &info) {
        const int other = nodeArgument(info, 0, "compareDocumentPosition");
        if (other != ScriptDocument::noNode)
            info.GetReturnValue().Set(
                int(pageOf(info).document.compareDocumentPosition(self(info), other)));
    });
    members.operation("Node", "getRootNode", [](const Info &info) {
        returnNode(info, pageOf(info).document.rootNode(self(info)));
    });
}

void addNodeContent(RealMembers &members)
{
    members.attribute(
        "Node", "nodeValue",
        [](const Info &info) {
        returnNullableString(info, pageOf(info).document.nodeValue(self(info)));
        },
        [](const Info &info) {
        if (const auto value = nullableStringArgument(info, 0))
            pageOf(info).document.setNodeValue(self(info), *value);
    });
    members.attribute(
        "Node", "textContent",
        [](const Info &info) {
        // Null for the document and the doctype only; an element with no text has "".
        ScriptDocument &document = pageOf(info).document;
        const DomNodeType type = document.nodeType(self(info));
        if (type == DomNodeType::Document || type == DomNodeType::DocumentType)
            info.GetReturnValue().SetNull();
        else
            returnString(info, document.textContent(self(info)));
        },
        [](const Info &info) {
        if (const auto value = nullableStringArgument(info, 0))
            pageOf(info).document.setTextContent(self(info), *value);
    });
    const auto data = [](const Info &info) {
        returnString(info, pageOf(info).document.nodeValue(self(info)));
    };
    const auto setData = [](const Info &info) {
        if (const auto value = nullableStringArgument(info, 0))
            pageOf(info).document.setNodeValue(self(info), *value);
    };
    members.attribute("CharacterData", "data", data, setData);
    members.attribute("CharacterData", "length", [](const Info &info) {
        info.GetReturnValue().Set(int(pageOf(info).document.nodeValue(self(info)).size()));
    });
}

void addTreeChanges(RealMembers &members)
{
    members.operation("Node", "appendChild", [](const Info &info) {
        const int child = nodeArgument(info, 0, "appendChild");
        if (child == ScriptDocument::noNode)
            return;
        const NodeResult result = pageOf(info).document.appendChild(self(info), child);
        if (pageOf(info).check(result.error, "Node.appendChild")) {
            returnNode(info, result.node);
            treeChanged(info);
        }
    });
    members.operation("Node", "insertBefore", [](const Info &info) {
        const int child = nodeArgument(info, 0, "insertBefore");
        if (child == ScriptDocument::noNode)
            return;
        int before = ScriptDocument::noNode;
        if (!info[1]->IsNullOrUndefined()
            && (before = nodeArgument(info, 1, "insertBefore")) == ScriptDocument::noNode)
            return;
        const NodeResult result = pageOf(info).document.insertBefore(self(info), child, before);
        if (pageOf(info).check(result.error, "Node.insertBefore")) {
            returnNode(info, result.node);
            treeChanged(info);
        }
    });
    members.operation("Node", "removeChild", [](const Info &info) {
        const int child = nodeArgument(info, 0, "removeChild");
        if (child == ScriptDocument::noNode)
            return;
        const NodeResult result = pageOf(info).document.removeChild(self(info), child);
        if (pageOf(info).check(result.error, "Node.removeChild")) {
            returnNode(info, result.node);
            treeChanged(info);
        }
    });
    members.operation("Node", "replaceChild", [](const Info &info) {
        const int newChild = nodeArgument(info, 0, "replaceChild");
        const int oldChild = newChild == ScriptDocument::noNode
            ? newChild
            : nodeArgument(info, 1, "replaceChild");
        if (oldChild == ScriptDocument::noNode)
            return;
        const NodeResult result = pageOf(info).document.replaceChild(self(info), newChild,
                                                                     oldChild);
        if (pageOf(info).check(result.error, "Node.replaceChild")) {
            returnNode(info, result.node);
            treeChanged(info);
        }
    });
    members.operation("Node", "cloneNode", [](const Info &info) {
        const NodeResult result = pageOf(info).document.cloneNode(
            self(info), info[0]->BooleanValue(info.GetIsolate()));
        if (pageOf(info).check(result.error, "Node.cloneNode"))
            returnNode(info, result.node);
    });
}

using NodesChange = DomError (ScriptDocument::*)(int, const std::vector<NodeOrText> &);

template <NodesChange change>
void changeWithNodes(const Info &info)
{
    const auto nodes = nodesOrText(info);
    if (nodes
        && pageOf(info).check((pageOf(info).document.*change)(self(info), *nodes), "ChildNode"))
        treeChanged(info);
}

void addMixinMembers(RealMembers &members)
{
    for (const char *interface : parentNodes) {
        members.attribute(interface, "children", [](const Info &info) {
            info.GetReturnValue().Set(sameObject(info, "children", [&] {
                return pageOf(info).liveList(ScriptPage::LiveList::Children, self(info), QString());
            }));
        });
        members.attribute(interface, "firstElementChild", [](const Info &info) {
            returnNode(info, pageOf(info).document.firstElementChild(self(info)));
        });
        members.attribute(interface, "lastElementChild", [](const Info &info) {
            returnNode(info, pageOf(info).document.lastElementChild(self(info)));
        });
        members.attribute(interface, "childElementCount", [](const Info &info) {
            info.GetReturnValue().Set(pageOf(info).document.childElementCount(self(info)));
        });
        members.operation(interface, "append", changeWithNodes<&ScriptDocument::append>);
        members.operation(interface, "prepend", changeWithNodes<&ScriptDocument::prepend>);
        members.operation(interface, "replaceChildren",
                          changeWithNodes<&ScriptDocument::replaceChildren>);
        members.operation(interface, "querySelector", [](const Info &info) {
            const auto selectors = stringArgument(info, 0);
            if (!selectors)
                return;
            const NodeResult result = pageOf(info).document.querySelector(self(info), *selectors);
            if (pageOf(info).check(result.error, "querySelector"))
                returnNode(info, result.node);
        });
        members.operation(interface, "querySelectorAll", [](const Info &info) {
            const auto selectors = stringArgument(info, 0);
            if (!selectors)
                return;
            const NodeListResult result = pageOf(info).document.querySelectorAll(self(info),
                                                                                 *selectors);
            if (pageOf(info).check(result.error, "querySelectorAll"))
                info.GetReturnValue().Set(pageOf(info).nodeList(result.nodes));
        });
    }
    for (const char *interface : childNodes) {
        members.operation(interface, "before", changeWithNodes<&ScriptDocument::before>);
        members.operation(interface, "after", changeWithNodes<&ScriptDocument::after>);
        members.operation(interface, "replaceWith", changeWithNodes<&ScriptDocument::replaceWith>);
        members.operation(interface, "remove", [](const Info &info) {
            pageOf(info).check(pageOf(info).document.remove(self(info)), "ChildNode.remove");
        });
    }
    for (const char *interface : {"Element", "CharacterData"}) {
        members.attribute(interface, "nextElementSibling", [](const Info &info) {
            returnNode(info, pageOf(info).document.nextElementSibling(self(info)));
        });
        members.attribute(interface, "previousElementSibling", [](const Info &info) {
            returnNode(info, pageOf(info).document.previousElementSibling(self(info)));
        });
    }
}

// NodeList and HTMLCollection: their length, item() and indexed properties.
void addListMembers(RealMembers &members)
{
    for (const char *interface : {"NodeList", "HTMLCollection"}) {
        members.attribute(interface, "length", [](const Info &info) {
            info.GetReturnValue().Set(int(pageOf(info).listNodes(info.This()).size()));
        });
        members.operation(interface, "item", [](const Info &info) {
            uint32_t index = 0;
            if (!info[0]->Uint32Value(info.GetIsolate()->GetCurrentContext()).To(&index))
                return;
            const std::vector<int> &nodes = pageOf(info).listNodes(info.This());
            returnNode(info, index < nodes.size() ? nodes[index] : ScriptDocument::noNode);
        });
        members.instanceSetup(interface, [](v8::Local<v8::ObjectTemplate> instance) {
            v8::IndexedPropertyHandlerConfiguration handlers;
            handlers.getter = [](uint32_t index, const v8::PropertyCallbackInfo<v8::Value> &info) {
                ScriptPage &page = ScriptPage::of(info.GetIsolate());
                const std::vector<int> &nodes = page.listNodes(info.Holder());
                if (index < nodes.size())
                    info.GetReturnValue().Set(page.wrap(nodes[index]));
            };
            handlers.query = [](uint32_t index, const v8::PropertyCallbackInfo<v8::Integer> &info) {
                ScriptPage &page = ScriptPage::of(info.GetIsolate());
                if (index < page.listNodes(info.Holder()).size())
                    info.GetReturnValue().Set(v8::ReadOnly | v8::DontDelete);
            };
            handlers.enumerator = [](const v8::PropertyCallbackInfo<v8::Array> &info) {
                v8::Isolate *isolate = info.GetIsolate();
                const auto count = ScriptPage::of(isolate).listNodes(info.Holder()).size();
                const v8::Local<v8::Array> indices = v8::Array::New(isolate, int(count));
                for (uint32_t at = 0; at < count; ++at)
                    indices
                        ->Set(isolate->GetCurrentContext(), at,
                              v8::Integer::NewFromUnsigned(isolate, at))
                        .FromMaybe(false);
                info.GetReturnValue().Set(indices);
            };
            instance->SetHandler(handlers);
        });
    }
}

void addDocumentMembers(RealMembers &members)
{
    members.attribute("Document", "documentElement", [](const Info &info) {
        returnNode(info, pageOf(info).document.documentElement(self(info)));
    });
    members.attribute("Document", "head", [](const Info &info) {
        returnNode(info, pageOf(info).document.head(self(info)));
    });
    members.attribute("Document", "body", [](const Info &info) {
        returnNode(info, pageOf(info).document.body(self(info)));
    });
    members.attribute("Document", "doctype", [](const Info &info) {
        returnNode(info, pageOf(info).document.doctype(self(info)));
    });
    members.attribute(
        "Document", "title",
        [](const Info &info) {
        if (onPageDocument(info, "Document.title"))
            returnString(info, pageOf(info).document.title());
        },
        [](const Info &info) {
        if (!onPageDocument(info, "Document.title"))
            return;
        if (const auto title = stringArgument(info, 0))
            pageOf(info).document.setTitle(*title);
    });
    members.attribute("Document", "readyState", [](const Info &info) {
        if (onPageDocument(info, "Document.readyState"))
            returnString(info, pageOf(info).readyState);
    });
    members.attribute("Document", "currentScript", [](const Info &info) {
        if (onPageDocument(info, "Document.currentScript"))
            returnNode(info, pageOf(info).currentScript);
    });
    const auto url = [](const Info &info) {
        ScriptPage &page = pageOf(info);
        if (!onPageDocument(info, "Document.URL"))
            return;
        if (const auto address = browserUrl(QUrl(page.context.pageUrl)))
            returnString(info, *address);
        else
            page.runtime.notModelled("Document.URL");
    };
    members.attribute("Document", "URL", url);
    members.attribute("Document", "documentURI", url);
    // A document a script made has no window.
    members.attribute("Document", "defaultView", [](const Info &info) {
        if (self(info) == ScriptDocument::documentNode)
            info.GetReturnValue().Set(pageOf(info).global());
        else
            info.GetReturnValue().SetNull();
    });
    members.attribute("Document", "compatMode", [](const Info &info) {
        if (!onPageDocument(info, "Document.compatMode"))
            return;
        returnString(info,
                     pageOf(info).document.dom().quirksMode() ? QStringLiteral("BackCompat")
                                                              : QStringLiteral("CSS1Compat"));
    });
    members.attribute("Document", "contentType", [](const Info &info) {
        if (!onPageDocument(info, "Document.contentType"))
            return;
        returnString(info,
                     pageOf(info).document.isHtmlDocument()
                         ? QStringLiteral("text/html")
                         : QStringLiteral("application/xhtml+xml"));
    });
    members.attribute("Document", "referrer", [](const Info &info) {
        if (onPageDocument(info, "Document.referrer"))
            returnString(info, QStringLiteral(""));
    });
    members.attribute("Document", "visibilityState", [](const Info &info) {
        if (onPageDocument(info, "Document.visibilityState"))
            returnString(info, QStringLiteral("visible"));
    });
    members.attribute("Document", "hidden", [](const Info &info) {
        if (onPageDocument(info, "Document.hidden"))
            info.GetReturnValue().Set(false);
    });
    members.operation("Document", "hasFocus", [](const Info &info) {
        if (onPageDocument(info, "Document.hasFocus"))
            info.GetReturnValue().Set(false);
    });
    // A page served from a local file keeps no cookie.
    members.attribute(
        "Document", "cookie",
        [](const Info &info) {
        if (onPageDocument(info, "Document.cookie"))
            returnString(info, QStringLiteral(""));
        },
        [](const Info &info) { onPageDocument(info, "Document.cookie"); });
    members.operation("Document", "getElementById", [](const Info &info) {
        if (const auto id = stringArgument(info, 0))
            returnNode(info, pageOf(info).document.getElementById(self(info), *id));
    });
    members.operation("DocumentFragment", "getElementById", [](const Info &info) {
        if (const auto id = stringArgument(info, 0))
            returnNode(info, pageOf(info).document.getElementById(self(info), *id));
    });
    members.operation("Document", "getElementsByName", [](const Info &info) {
        if (const auto name = stringArgument(info, 0))
            info.GetReturnValue().Set(
                pageOf(info).liveList(ScriptPage::LiveList::ByName, self(info), *name));
    });
    for (const char *interface : {"Document", "Element"}) {
        members.operation(interface, "getElementsByTagName", [](const Info &info) {
            if (const auto name = stringArgument(info, 0))
                info.GetReturnValue().Set(
                    pageOf(info).liveList(ScriptPage::LiveList::ByTagName, self(info), *name));
        });
        members.operation(interface, "getElementsByClassName", [](const Info &info) {
            if (const auto names = stringArgument(info, 0))
                info.GetReturnValue().Set(
                    pageOf(info).liveList(ScriptPage::LiveList::ByClassName, self(info), *names));
        });
    }
}

// The document's named properties: the form, iframe, embed, object and img elements of that
// name (an object or img of that id too) where no property of that name exists. Several make
// a collection, which is not modelled.
void documentNamedGetter(v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    const QString key = fromV8(isolate, name.As<v8::String>());
    if (key.isEmpty())
        return;

    static const QSet<QString> byName = {QStringLiteral("form"), QStringLiteral("iframe"),
                                         QStringLiteral("embed"), QStringLiteral("object"),
                                         QStringLiteral("img")};
    ScriptDocument &document = page.document;
    std::vector<int> found;
    // A document a script made has none, as in the browser.
    if (page.nodeOf(info.Holder()) != ScriptDocument::documentNode)
        return;
    for (int element : document.getElementsByName(key)) {
        const DomNode &node = document.dom().node(element);
        if (node.ns == DomNode::Html && byName.contains(node.name))
            found.push_back(element);
    }
    const int byId = document.getElementById(ScriptDocument::documentNode, key);
    if (byId != ScriptDocument::noNode
        && (document.localName(byId) == u"object" || document.localName(byId) == u"img")
        && std::find(found.begin(), found.end(), byId) == found.end())
        found.push_back(byId);
    if (found.size() == 1)
        info.GetReturnValue().Set(page.wrap(found.front()));
    else if (found.size() > 1)
        page.runtime.notModelled("Document named property collection");
}

void addNodeMaking(RealMembers &members)
{
    members.operation("Document", "createElement", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        if (!name)
            return;
        if (info[1]->IsObject()) { // customized built-in elements
            pageOf(info).runtime.notModelled("Document.createElement options");
            return;
        }
        const NodeResult result = pageOf(info).document.createElement(*name, self(info));
        if (pageOf(info).check(result.error, "Document.createElement"))
            returnNode(info, result.node);
    });
    members.operation("Document", "createElementNS", [](const Info &info) {
        const auto ns = nullableStringArgument(info, 0);
        const auto name = ns ? stringArgument(info, 1) : std::nullopt;
        if (!name)
            return;
        const NodeResult result = pageOf(info).document.createElementNs(*ns, *name, self(info));
        if (pageOf(info).check(result.error, "Document.createElementNS"))
            returnNode(info, result.node);
    });
    members.operation("Document", "createTextNode", [](const Info &info) {
        if (const auto data = stringArgument(info, 0))
            returnNode(info, pageOf(info).document.createTextNode(*data, self(info)).node);
    });
    members.operation("Document", "createComment", [](const Info &info) {
        if (const auto data = stringArgument(info, 0))
            returnNode(info, pageOf(info).document.createComment(*data, self(info)).node);
    });
    members.operation("Document", "createDocumentFragment", [](const Info &info) {
        returnNode(info, pageOf(info).document.createDocumentFragment(self(info)).node);
    });
    members.attribute("DocumentType", "name", [](const Info &info) {
        returnString(info, pageOf(info).document.doctypeName(self(info)));
    });
    members.attribute("DocumentType", "publicId", [](const Info &info) {
        returnString(info, pageOf(info).document.doctypePublicId(self(info)));
    });
    members.attribute("DocumentType", "systemId", [](const Info &info) {
        returnString(info, pageOf(info).document.doctypeSystemId(self(info)));
    });
}

} // namespace

void addNodeMembers(RealMembers &members)
{
    members.handler(reinterpret_cast<const void *>(&documentNamedGetter));
    for (const char *interface : {"Document", "HTMLDocument"}) {
        members.instanceSetup(interface, [](v8::Local<v8::ObjectTemplate> instance) {
            v8::NamedPropertyHandlerConfiguration handlers;
            handlers.getter = documentNamedGetter;
            handlers.flags = v8::PropertyHandlerFlags(
                int(v8::PropertyHandlerFlags::kNonMasking)
                | int(v8::PropertyHandlerFlags::kOnlyInterceptStrings));
            instance->SetHandler(handlers);
        });
    }
    addNodeNavigation(members);
    addNodeContent(members);
    addTreeChanges(members);
    addMixinMembers(members);
    addListMembers(members);
    addDocumentMembers(members);
    addNodeMaking(members);
}
