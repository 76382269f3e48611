#pragma once

class Dom;

// Whether a page would run any script of its own in a browser: a <script> of a runnable type,
// an event-handler attribute (on...), a javascript: URL in any attribute, or a
// <meta http-equiv="refresh"> (which moves the page elsewhere). Decided from the parsed
// document, so that the word "script" in a page's text or comments counts for nothing.
bool pageCarriesScript(const Dom &dom);
