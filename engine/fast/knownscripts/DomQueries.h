#pragma once

#include "engine/fast/dom/Dom.h"

#include <QString>

#include <functional>
#include <vector>

// The few lookups the known scripts make, as their selectors find elements: in document order.
using ElementTest = std::function<bool(const DomNode &)>;

// The elements below `root` (the whole document for -1) that pass `test`, in document order.
std::vector<int> findElements(const Dom &dom, int root, const ElementTest &test);
int firstElement(const Dom &dom, const ElementTest &test); // -1 when none
bool hasAncestor(const Dom &dom, int element, const ElementTest &test);

ElementTest withClass(const QString &name);
ElementTest htmlElement(const char *localName);

// Adds declarations to an element's style attribute, as a script setting element.style does;
// later declarations win over earlier ones of the same property.
void addInlineStyle(Dom &dom, int element, const QString &declarations);
