#pragma once

#include <QString>

#include <vector>

class Dom;
struct DomNode;

// Whether a type names JavaScript, whole, in any case ("text/javascript", not with parameters).
bool isJavaScriptMimeType(const QString &type);

// Whether a <script> element is of a type a browser runs.
bool isRunnableScript(const DomNode &element);

// The page's runnable <script> elements and its refreshes (<meta http-equiv="refresh">) in
// document order, and whether anything else on it runs a script (an event-handler attribute
// other than for a click or a key, a javascript: URL).
struct PageScripts
{
    std::vector<int> elements;
    std::vector<int> refreshes;
    bool otherScript = false;
};
PageScripts findPageScripts(const Dom &dom);

// Whether a page would run any script of its own in a browser: a <script> of a runnable type,
// an event-handler attribute (on..., but for clicks and keys, which never come), a javascript:
// URL in any attribute, or a
// <meta http-equiv="refresh"> (which moves the page elsewhere). Decided from the parsed
// document, so that the word "script" in a page's text or comments counts for nothing.
bool pageCarriesScript(const Dom &dom);
