// quillmere-script-worker: runs the scripts of the pages the converter sends it, in a sandbox.
// It is started by the converter (ScriptWorker), never by hand.

#include "engine/fast/worker/ScriptWorkerLoop.h"
#include "engine/fast/worker/WorkerSandbox.h"

#include "engine/PageDecoding.h"
#include "engine/fast/script/PageScripts.h"

#include <cstdlib>

#include <unistd.h>

int main()
{
    if (!limitWorkerProcess())
        return EXIT_FAILURE;
    prepareScriptRuntime();
    // Scripts and style sheets in any encoding are decoded after the sandbox shuts the files.
    keepEveryDecoderLoaded();
    if (!enterSyscallFilter())
        return EXIT_FAILURE;
    const int status = serveScriptPages(STDIN_FILENO);
    // Without running what the process registered to run at its end: nothing here has more to
    // write, and a sanitizer's leak check there would need system calls the filter forbids.
    _exit(status);
}
