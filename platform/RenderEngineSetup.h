#pragma once

// Gets the process ready for WebEngineRenderer. Call it once, before the QApplication is
// constructed: the engine reads its process-wide settings when the application starts.
void prepareRenderEngine();
