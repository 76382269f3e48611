#pragma once

#include "engine/fast/dom/Dom.h"

#include <QString>

// The HTML parser reads every tag and attribute name in lower case, then gives the names of
// SVG and MathML their mixed case back from fixed tables; the engine's tree keeps the
// lower-case names, and scripts see these.
QString adjustedElementName(const DomNode &element);
QString adjustedAttributeName(const DomNode &element, const QString &name);
