#pragma once

#include "engine/BrowserReason.h"

#include <QString>

#include <array>

// How many pages each engine gave text (or a failure) for, under an engine that chooses one
// for each page, and why the browser engine had those it had.
struct PagesByEngine
{
    int fast = 0;
    int browser = 0;
    std::array<int, browserReasonCount> browserByReason{};

    void countBrowserPage(BrowserReason reason);
};

// The pages taken between two counts of the same engine, such as before and after one run.
PagesByEngine pagesTakenSince(const PagesByEngine &before, const PagesByEngine &now);

// "12 pages by the fast engine, 3 by the browser engine (unknown script 2, too large 1)".
QString describePagesByEngine(const PagesByEngine &pages);
