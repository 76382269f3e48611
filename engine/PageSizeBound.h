#pragma once

#include <QtGlobal>

// The most of a page the fast engine reads, and the most the browser engine looks at to decide
// its encoding. Parsing takes some seventy times a page's size in memory, and pages in flight
// add up: a larger page goes to the browser engine, which streams it and decides by itself.
constexpr qint64 maxPageBytes = 32 * 1024 * 1024;
