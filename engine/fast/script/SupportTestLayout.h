#pragma once

#include <QString>

#include <optional>

class ScriptDocument;

// jQuery 3 (from 3.4) measures the browser once, before its first css() read: it puts two
// elements of fixed style under the root element, reads some of their computed lengths and a
// width, and takes them away. What the browser gives for them depends on nothing of the page
// as long as the page has no style of its own that could reach them, so the reads are given as
// the browser engine gives them; any other read of a length needs layout.
//
// The computed value of `property` for `element`, when the element is jQuery's test element in
// the state in which jQuery reads that property, on a page with no style of its own.
std::optional<QString> supportTestComputedValue(const ScriptDocument &document, int element,
                                                const QString &property);
// Its offsetWidth, in the state in which jQuery reads it.
std::optional<int> supportTestOffsetWidth(const ScriptDocument &document, int element);
