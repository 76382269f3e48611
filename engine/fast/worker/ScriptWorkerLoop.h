#pragma once

// The worker's side of the protocol (WorkerProtocol.h) on `descriptor`: each page it is sent is
// parsed, its scripts run (runPageScripts()) and the resulting tree or reason sent back, until
// the converter closes its end. Returns the process's exit status.
int serveScriptPages(int descriptor);
