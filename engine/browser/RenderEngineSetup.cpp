#include "engine/browser/RenderEngineSetup.h"

#include "engine/browser/LocalFileSchemeHandler.h"

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

} // namespace

void prepareRenderEngine()
{
    // Chromium refuses to start its sandbox as root, and CI runs as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QByteArrayList switches{qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")};
    switches += networkLockdownSwitches;
    switches += normalPrioritySwitch;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.join(' ').trimmed());
    LocalFileSchemeHandler::registerScheme();
}
