#pragma once

#include <QByteArrayView>

class Dom;

// Whether a page would run any script of its own in a browser: a <script> of a runnable type,
// an event-handler attribute (on...), a javascript: URL in any attribute, or a
// <meta http-equiv="refresh"> (which moves the page elsewhere). Decided from the parsed
// document, so that the word "script" in a page's text or comments counts for nothing.
bool pageCarriesScript(const Dom &dom);

// The same looked for in the page's bytes, before it is parsed: true means a script for sure
// (or as good as: a tag the tokenizer would take for text in a rare context only sends a page
// to the browser that did not need it); false means the parsed document has to tell, as it
// does from the first <template> on.
bool pageBytesCarryScript(QByteArrayView bytes);
