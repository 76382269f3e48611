#pragma once

#include "engine/fast/css/Style.h"

#include <QString>

#include <vector>

class Dom;

// The rendered text of an element (its innerText) as the browser engine forms it from the
// layout of the page: white space collapsed as the lines are laid out, required line breaks
// around blocks and paragraphs, tabs between table cells and newlines between rows.
QString innerText(const Dom &dom, const std::vector<ComputedStyle> &styles, int element);
