#include "engine/RenderEngineSetup.h"

#include "engine/LocalFileSchemeHandler.h"

#include <QtGlobal>

#include <unistd.h>

void prepareRenderEngine()
{
    // Chromium refuses to start its sandbox as root, and CI runs as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    LocalFileSchemeHandler::registerScheme();
}
