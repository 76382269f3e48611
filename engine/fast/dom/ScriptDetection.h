#pragma once

#include <QByteArrayView>

#include <vector>

class Dom;
struct DomNode;

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

// The same but for <script> elements (which may all be known ones), looked for in the page's
// bytes before it is parsed: what no known script can make up for. True means a script for
// sure (or as good as: a tag the tokenizer would take for text in a rare context only sends a
// page to the browser that did not need it); false means the parsed document has to tell, as
// it does from the first <template> on.
bool pageBytesCarryScriptOutsideElements(QByteArrayView bytes);
