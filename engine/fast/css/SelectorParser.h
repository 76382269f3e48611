#pragma once

#include "engine/fast/css/Selector.h"

struct CssTokenRun;

// Parses a comma-separated selector list from the tokens [from, to) of a run whose blocks were
// found; an invalid selector anywhere makes the whole list invalid (an empty result), as in a
// browser.
std::vector<ComplexSelector> parseSelectorList(const CssTokenRun &run, int from, int to);
