#pragma once

#include <QString>

class Dom;

// A Doxygen page with a navigation tree, as navtree.js's initNavTree() is called on it.
struct DoxygenTreePage
{
    QString toRoot;       // the page's own entry in the tree's index
    QString relativePath; // the way back to the documentation's root folder
    QString folder;       // of the page's file
    QString fileName;     // as location.pathname ends
    QString navTreeData;  // the path of the navtreedata.js the page runs
};

// Builds Doxygen 1.9.4's navigation tree into the document as navtree.js leaves it once the
// page has loaded and every data file it asked for has arrived: the tree's first level, and
// each level down to the page's own entry, expanded and selected. The data files are read as
// data (ScriptDataFile.h), never run. False when the tree would be anything else: a data file
// missing or not of the form navtree.js expects, a path out of the tree's range, more items
// than a real tree has; the page then needs the browser.
bool buildDoxygenNavTree(Dom &dom, const DoxygenTreePage &page);
