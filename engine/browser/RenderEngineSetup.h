#pragma once

// Gets the process ready for BrowserEngine. Call it once, before the application object is
// constructed: the engine reads its process-wide settings when the application starts.
void prepareRenderEngine();
