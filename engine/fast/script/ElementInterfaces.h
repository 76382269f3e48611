#pragma once

#include "engine/fast/dom/Dom.h"

#include <QStringView>

// The interface of an element, by its namespace and local name, as the browser makes it:
// HTMLDivElement for <div>, HTMLUnknownElement for a name HTML does not define.
const char *elementInterface(DomNode::Namespace ns, QStringView localName);
