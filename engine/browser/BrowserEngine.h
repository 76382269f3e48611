#pragma once

#include "engine/PageEngine.h"

// The program's engine: Qt WebEngine (Chromium), each loader a hidden page with a profile of its
// own. prepareRenderEngine() must have run before the application object was created, and every
// loader must be gone before it is.
class BrowserEngine : public PageEngine
{
public:
    std::unique_ptr<PageLoader> createLoader() override;
};
