#pragma once

#include "EventTargets.h"
#include "InterfaceTemplates.h"
#include "PageRuntime.h"
#include "PageScripts.h"

#include "engine/fast/scriptdom/ScriptDocument.h"

#include <QHash>

#include <v8-object.h>

#include <array>
#include <functional>
#include <unordered_map>
#include <vector>

class PageCascade;

// A page's bindings: its runtime, its document as scripts see it, and the one JS object that
// stands for each node, made on first use and kept as long as the page, so that a node is the
// same object every time a script meets it.
class ScriptPage
{
public:
    ScriptPage(PageRuntime &runtime, ScriptDocument &document, InterfaceTemplates &templates,
               const PageScriptContext &context);
    ~ScriptPage();
    ScriptPage(const ScriptPage &) = delete;
    ScriptPage &operator=(const ScriptPage &) = delete;

    static ScriptPage &of(v8::Isolate *isolate);

    PageRuntime &runtime;
    ScriptDocument &document;
    InterfaceTemplates &templates;
    const PageScriptContext &context;
    EventTargets events;
    // The cascade over the tree, for what scripts read of computed styles.
    PageCascade *cascade = nullptr;
    // document.currentScript: the script element running now, or none.
    int currentScript = ScriptDocument::noNode;
    // Told after each change to the tree a script made, which may have connected scripts.
    std::function<void()> treeChanged;
    // The scroll position a layout offset just read is for, until it is set (ScrollMembers.cpp);
    // whether any was set.
    std::optional<double> pendingScroll;
    bool scrolled = false;
    // document.write() and writeln(): what they write.
    std::function<void(const QString &markup)> documentWrite;
    // Form controls' state once a script set it: checkedness, and the value of a text input.
    QHash<int, bool> checkedness;
    QHash<int, QString> formValues;
    // document.readyState: loading, interactive, complete.
    QString readyState = QStringLiteral("loading");
    // localStorage and sessionStorage: (key, value) in the order keys were first set.
    std::array<QList<std::pair<QString, QString>>, 2> storage;

    v8::Isolate *isolate() const { return runtime.isolate(); }
    // Stops a page whose scripts made more nodes than its bound: the tree's memory is not in
    // V8's heap, whose limit would not see it.
    void checkTreeSize();
    v8::Local<v8::Object> wrap(int node);
    // null for no node.
    v8::Local<v8::Value> wrapOrNull(int node);
    // The node a value stands for, or noNode when it is not one of this page's nodes.
    int nodeOf(v8::Local<v8::Value> value) const;
    v8::Local<v8::Object> global() const;

    // A static NodeList of these nodes.
    v8::Local<v8::Object> nodeList(const std::vector<int> &nodes);
    // The live lists: asked again of the document whenever it has changed since last asked.
    enum class LiveList : int { ChildNodes, Children, ByTagName, ByClassName, ByName };
    v8::Local<v8::Object> liveList(LiveList kind, int root, const QString &argument);
    // The nodes of a live list or a static one (the receiver of a list's member).
    const std::vector<int> &listNodes(v8::Local<v8::Object> list);

    // Throws the DOMException of `error` into the page; NotModelled stops the scripts instead.
    // False when there was an error.
    bool check(DomError error, const char *operation);

private:
    struct ListEntry
    {
        LiveList kind;
        int root;
        QString argument;
        std::uint64_t askedAt = ~std::uint64_t(0);
        std::vector<int> nodes;
    };

    int m_nodeBound;
    std::unordered_map<int, v8::Global<v8::Object>> m_wrappers;
    std::vector<ListEntry> m_lists;
    std::vector<std::vector<int>> m_staticLists;
    std::size_t m_staticListNodes = 0;
};

// Throws a DOMException of that name and message into the page.
void throwDomException(v8::Isolate *isolate, const char *name, const QString &message);
// Throws a TypeError into the page.
void throwTypeError(v8::Isolate *isolate, const QString &message);
