#pragma once

// Gets the process ready for BrowserEngine. Call it once, before the application object is
// constructed: the engine reads its process-wide settings when the application starts.
void prepareRenderEngine();

// False when the engine's processes run without their sandbox: Chromium cannot start it for a
// program run as root. Known once prepareRenderEngine() has run.
bool renderEngineIsSandboxed();
