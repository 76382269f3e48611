#pragma once

#include <QString>

// How many pages each engine gave text (or a failure) for, under an engine that chooses one
// for each page.
struct PagesByEngine
{
    int fast = 0;
    int browser = 0;
};

// The pages taken between two counts of the same engine, such as before and after one run.
PagesByEngine pagesTakenSince(const PagesByEngine &before, const PagesByEngine &now);

// "12 pages by the fast engine, 1 by the browser engine".
QString describePagesByEngine(const PagesByEngine &pages);
