#pragma once

#include <QtGlobal>

// How much memory the renderer process of one page may take. A page that asks for more fails on
// its own, and the machine keeps the rest: a run's engine processes together stay within about
// jobs x rendererDataMegabytes, plus the program's own few hundred megabytes.
//
// The script heap is bounded by V8 itself (a switch for the engine, see RenderEngineSetup), which
// ends the page's renderer cleanly once it is full. Everything else the renderer allocates (the
// document, its layout, a text of hundreds of megabytes set by a script) is counted by the
// kernel's limit on a process's data, which makes the allocation past it fail and the renderer
// end.
constexpr int pageScriptHeapMegabytes = 512;
constexpr int rendererDataMegabytes = 1536;

// Lowers the data limit of the renderer process `pid` to rendererDataMegabytes. Another
// process's limits can be lowered from outside (prlimit) by the user it runs as; false if that
// failed.
bool boundRendererMemory(qint64 pid);
