#pragma once

#include "engine/fast/css/Style.h"

#include <vector>

class Dom;

// A browser renders the content of an element styled "content-visibility: auto" only while
// the element lies near its window (the text of a long page stops after the first screen's
// sections), and where an element lies only a layout tells: such a page's text cannot be told
// without one.
bool rendersContentByPlace(const Dom &dom, const std::vector<ComputedStyle> &styles);
