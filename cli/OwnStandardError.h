#pragma once

#include <cstdio>

// Gives the program's own messages a standard error of their own, and points the descriptor
// every process started later inherits as its standard error at /dev/null. The browser engine's
// processes write there at will (V8's report of a page out of memory, Chromium's log), and a
// script reading standard error expects only "path: reason" lines. Call it before the engine
// starts its first process. Returns the stream for the program's own messages: the original
// standard error, or stderr itself when it could not be set apart.
std::FILE *setOwnStandardErrorApart();
