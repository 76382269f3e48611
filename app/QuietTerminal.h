#pragma once

// Keeps the engine's start-up notes (its settings, the sandbox left off for root, a runtime
// folder taken by default) off the terminal the window was started from, so that what does
// appear there means something went wrong. Call it before the application object is made.
// QT_LOGGING_RULES still brings any category back.
void keepStartUpNotesOffTheTerminal();
