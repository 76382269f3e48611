#include "ScriptPage.h"

#include "ElementInterfaces.h"
#include "V8Strings.h"

#include <v8-exception.h>
#include <v8-primitive.h>

namespace {

constexpr int isolateSlot = 2;

// Internal values of the lists: a live list's index, or a static list's below this, counted
// downwards, so that neither is mistaken for the other.
constexpr int firstStaticList = -10;
// The lists a page may hold, and the nodes in its static lists together.
constexpr std::size_t listBound = 100000;
constexpr std::size_t staticListNodeBound = 20'000'000;
// The nodes a page's scripts may add to those the parser made.
constexpr int addedNodeBound = 200'000;

} // namespace

ScriptPage::ScriptPage(PageRuntime &pageRuntime, ScriptDocument &scriptDocument,
                       InterfaceTemplates &interfaceTemplates, const PageScriptContext &pageContext)
    : runtime(pageRuntime)
    , document(scriptDocument)
    , templates(interfaceTemplates)
    , context(pageContext)
    , m_nodeBound(scriptDocument.dom().size() + addedNodeBound)
{
    runtime.isolate()->SetData(isolateSlot, this);
}

ScriptPage::~ScriptPage()
{
    runtime.isolate()->SetData(isolateSlot, nullptr);
}

ScriptPage &ScriptPage::of(v8::Isolate *isolate)
{
    return *static_cast<ScriptPage *>(isolate->GetData(isolateSlot));
}

v8::Local<v8::Object> ScriptPage::global() const
{
    return runtime.context()->Global();
}

void ScriptPage::checkTreeSize()
{
    if (document.dom().size() > m_nodeBound)
        runtime.fail(BrowserReason::ScriptNotSettled);
}

v8::Local<v8::Object> ScriptPage::wrap(int node)
{
    checkTreeSize();
    v8::Isolate *isolate = runtime.isolate();
    v8::Global<v8::Object> &wrapper = m_wrappers[node];
    if (!wrapper.IsEmpty())
        return wrapper.Get(isolate);
    const char *interface = "Node";
    switch (document.nodeType(node)) {
    case DomNodeType::Element: {
        const DomNode &element = document.dom().node(node);
        interface = elementInterface(element.ns, element.name);
        if (!idlInterfaceNamed(interface))
            interface = element.ns == DomNode::Html ? "HTMLElement" : "Element";
        break;
    }
    case DomNodeType::Text:
        interface = "Text";
        break;
    case DomNodeType::Comment:
        interface = "Comment";
        break;
    case DomNodeType::Document:
        interface = "HTMLDocument";
        break;
    case DomNodeType::DocumentType:
        interface = "DocumentType";
        break;
    case DomNodeType::DocumentFragment:
        interface = "DocumentFragment";
        break;
    case DomNodeType::None:
        break;
    }
    const v8::Local<v8::Object> object = templates.newInstance(interface, node);
    wrapper.Reset(isolate, object);
    return object;
}

v8::Local<v8::Value> ScriptPage::wrapOrNull(int node)
{
    if (node == ScriptDocument::noNode || document.nodeType(node) == DomNodeType::None)
        return v8::Null(runtime.isolate());
    return wrap(node);
}

int ScriptPage::nodeOf(v8::Local<v8::Value> value) const
{
    if (!value->IsObject())
        return ScriptDocument::noNode;
    const v8::Local<v8::Object> object = value.As<v8::Object>();
    const int node = internalValueOf(object);
    const auto found = m_wrappers.find(node);
    if (found == m_wrappers.end() || found->second != object)
        return ScriptDocument::noNode;
    return node;
}

v8::Local<v8::Object> ScriptPage::nodeList(const std::vector<int> &nodes)
{
    if (m_lists.size() + m_staticLists.size() >= listBound) {
        runtime.fail(BrowserReason::ScriptNotSettled);
        m_staticLists.clear();
    }
    m_staticListNodes += nodes.size();
    if (m_staticListNodes > staticListNodeBound) {
        runtime.fail(BrowserReason::ScriptNotSettled);
        m_staticLists.clear();
        m_staticListNodes = nodes.size();
    }
    m_staticLists.push_back(nodes);
    return templates.newInstance("NodeList", firstStaticList - int(m_staticLists.size() - 1));
}

v8::Local<v8::Object> ScriptPage::liveList(LiveList kind, int root, const QString &argument)
{
    if (m_lists.size() + m_staticLists.size() >= listBound) {
        runtime.fail(BrowserReason::ScriptNotSettled);
        m_lists.clear();
    }
    m_lists.push_back(ListEntry{kind, root, argument, ~std::uint64_t(0), {}});
    const char *interface = kind == LiveList::ChildNodes || kind == LiveList::ByName
        ? "NodeList"
        : "HTMLCollection";
    return templates.newInstance(interface, int(m_lists.size() - 1));
}

const std::vector<int> &ScriptPage::listNodes(v8::Local<v8::Object> list)
{
    static const std::vector<int> none;
    const int value = internalValueOf(list);
    if (value <= firstStaticList) {
        const std::size_t index = std::size_t(firstStaticList - value);
        return index < m_staticLists.size() ? m_staticLists[index] : none;
    }
    if (value < 0 || std::size_t(value) >= m_lists.size())
        return none;
    ListEntry &entry = m_lists[std::size_t(value)];
    const bool byAttributes = entry.kind == LiveList::ByClassName || entry.kind == LiveList::ByName;
    const std::uint64_t version = byAttributes ? document.viewVersion() : document.treeVersion();
    if (entry.askedAt == version)
        return entry.nodes;
    switch (entry.kind) {
    case LiveList::ChildNodes:
        entry.nodes = document.childNodes(entry.root);
        break;
    case LiveList::Children:
        entry.nodes = document.children(entry.root);
        break;
    case LiveList::ByTagName:
        entry.nodes = document.getElementsByTagName(entry.root, entry.argument);
        break;
    case LiveList::ByClassName:
        entry.nodes = document.getElementsByClassName(entry.root, entry.argument);
        break;
    case LiveList::ByName:
        entry.nodes = document.getElementsByName(entry.argument, entry.root);
        break;
    }
    entry.askedAt = version;
    return entry.nodes;
}

bool ScriptPage::check(DomError error, const char *operation)
{
    v8::Isolate *isolate = runtime.isolate();
    const QString failed = QStringLiteral("Failed to execute '%1'.").arg(QLatin1String(operation));
    switch (error) {
    case DomError::None:
        return true;
    case DomError::HierarchyRequest:
        throwDomException(isolate, "HierarchyRequestError", failed);
        break;
    case DomError::NotFound:
        throwDomException(isolate, "NotFoundError", failed);
        break;
    case DomError::Syntax:
        throwDomException(isolate, "SyntaxError", failed);
        break;
    case DomError::InvalidCharacter:
        throwDomException(isolate, "InvalidCharacterError", failed);
        break;
    case DomError::NoModificationAllowed:
        throwDomException(isolate, "NoModificationAllowedError", failed);
        break;
    case DomError::NotModelled:
        runtime.notModelled(operation);
        break;
    }
    return false;
}

void throwDomException(v8::Isolate *isolate, const char *name, const QString &message)
{
    ScriptPage &page = ScriptPage::of(isolate);
    const v8::Local<v8::Object> exception = page.templates.newInstance("DOMException", 0);
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    exception
        ->SetPrivate(context, v8::Private::ForApi(isolate, toV8(isolate, "name")),
                     toV8(isolate, name))
        .FromMaybe(false);
    exception
        ->SetPrivate(context, v8::Private::ForApi(isolate, toV8(isolate, "message")),
                     toV8(isolate, message))
        .FromMaybe(false);
    page.runtime.memberThrew();
    isolate->ThrowException(exception);
}

void throwTypeError(v8::Isolate *isolate, const QString &message)
{
    ScriptPage::of(isolate).runtime.memberThrew();
    isolate->ThrowException(v8::Exception::TypeError(toV8(isolate, message)));
}
