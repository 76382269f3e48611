#pragma once

#include "ScriptPage.h"
#include "V8Strings.h"

#include <v8-function-callback.h>

// What the DOM bindings share: their receiver's node, their arguments as nodes and strings,
// and the values they return.
namespace NodeArguments {

using Info = v8::FunctionCallbackInfo<v8::Value>;

inline ScriptPage &pageOf(const Info &info)
{
    return ScriptPage::of(info.GetIsolate());
}

inline int self(const Info &info)
{
    return pageOf(info).nodeOf(info.This());
}

// Argument `index` as a node; throws a TypeError and gives noNode when it is none.
int nodeArgument(const Info &info, int index, const char *operation);

// Argument `index` as a string; nothing when its conversion threw.
inline std::optional<QString> stringArgument(const Info &info, int index)
{
    return domString(info.GetIsolate(), info[index]);
}

// A nullable DOMString argument ("textContent = null" clears).
inline std::optional<QString> nullableStringArgument(const Info &info, int index)
{
    if (info[index]->IsNull())
        return QString();
    return stringArgument(info, index);
}

// Node-or-string arguments of append(), before() and the like, from the first on.
std::optional<std::vector<NodeOrText>> nodesOrText(const Info &info);

inline void returnNode(const Info &info, int node)
{
    info.GetReturnValue().Set(pageOf(info).wrapOrNull(node));
}

inline void returnString(const Info &info, const QString &text)
{
    info.GetReturnValue().Set(toV8(info.GetIsolate(), text));
}

// A null string is returned as null.
inline void returnNullableString(const Info &info, const QString &text)
{
    if (text.isNull())
        info.GetReturnValue().SetNull();
    else
        returnString(info, text);
}

// After a change that may have connected script elements.
inline void treeChanged(const Info &info)
{
    ScriptPage &page = pageOf(info);
    page.checkTreeSize();
    if (page.treeChanged && !page.runtime.stopped())
        page.treeChanged();
}

// Whether the receiver is the page's own document. Otherwise, a document a script made, the
// member (one the page's document answers for its window or its loading) is not modelled and
// the scripts stop.
bool onPageDocument(const Info &info, const char *member);
// Whether the call has the arguments it requires; else the TypeError the browser throws.
// `operation` is null for a constructor.
bool hasArguments(const Info &info, int required, const char *interface, const char *operation);

// An object that is the same on every read of the attribute that gives it (childNodes,
// classList), kept on the node's own object.
v8::Local<v8::Object> sameObject(const Info &info, const char *key,
                                 const std::function<v8::Local<v8::Object>()> &make);

} // namespace NodeArguments
