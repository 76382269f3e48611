#include "engine/browser/RenderEngineSetup.h"

#include "engine/browser/LocalFileSchemeHandler.h"
#include "engine/browser/RendererMemoryBound.h"

#include <QByteArrayList>
#include <QtGlobal>

#include <unistd.h>

namespace {

// The request filter sees URL requests only. Peer connections (WebRTC) and WebTransport reach
// any host without one, by UDP, by TCP and by multicast DNS. These switches leave them nothing:
// peer connections may not use UDP at all and must take their TCP through a proxy, and the proxy
// named is one no connection can reach (the kernel refuses TCP to the broadcast address before
// any packet leaves), with no exception for the loopback address; WebTransport is gone.
const QByteArrayList networkLockdownSwitches = {
    "--force-webrtc-ip-handling-policy=disable_non_proxied_udp",
    "--proxy-server=http://255.255.255.255:9",
    "--proxy-bypass-list=<-loopback>",
    "--disable-blink-features=WebTransport",
};

// The engine runs the processes of pages nobody sees at a lower priority, as it does a browser's
// tabs in the background. Here those pages are the work the user asked for, and on a busy
// machine the lower priority made a run take up to half as long again.
const QByteArray normalPrioritySwitch = "--disable-renderer-backgrounding";

// Pages' scripts run in an engine that gets no security support, and most of the V8 flaws that
// have been exploited lie in its compilers. Without them scripts are interpreted, which on
// documentation pages costs nothing measurable, and WebAssembly, which needs them, is gone.
// WebAssembly is named off as well, for V8 would otherwise say on standard error that it turns it
// off. A page's script heap is bounded well below what a desktop browser allows (see
// RendererMemoryBound for the rest of a page's memory).
const QByteArrayList javaScriptFlags = {
    "--jitless",
    "--no-expose-wasm",
    "--max-old-space-size=" + QByteArray::number(pageScriptHeapMegabytes),
};

// What a reading never needs is off too: WebGL and WebGPU, and speech recognition, a way out to
// the machine's microphone that the permission prompts (all answered "no") do not cover.
const QByteArrayList hardeningSwitches = {
    "--disable-3d-apis",
    "--disable-speech-api",
};

// Chromium's log is of no use to a user converting pages.
const QByteArray noLoggingSwitch = "--disable-logging";

bool sandboxAvailable = true;

} // namespace

void prepareRenderEngine()
{
    // Chromium refuses to start its sandbox as root, and CI runs as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    sandboxAvailable = !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX");
    // The pages are shown in a window that is shown to nobody. Drawn by the graphics card, the
    // window of a page's view would be made anew for it, and put on the screen after all.
    qputenv("QT_QUICK_BACKEND", "software");
    QByteArrayList switches{qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")};
    switches += networkLockdownSwitches;
    switches += hardeningSwitches;
    switches += normalPrioritySwitch;
    switches += noLoggingSwitch;
    // The engine takes one such switch only, so every flag for V8 goes in it. Qt cuts the
    // variable at each space, V8 its flags at any white space: tabs keep them together.
    switches += "--js-flags=" + javaScriptFlags.join('\t');
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.join(' ').trimmed());
    LocalFileSchemeHandler::registerScheme();
}

bool renderEngineIsSandboxed()
{
    return sandboxAvailable;
}
