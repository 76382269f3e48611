#pragma once

#include "engine/PageEngine.h"

#include <functional>

// The program's engine: Qt WebEngine (Chromium), each loader a hidden page with a profile of its
// own. prepareRenderEngine() must have run before the application object was created, and every
// loader must be gone before it is.
class BrowserEngine : public PageEngine
{
public:
    // Called once, when the first loader is made: a page is about to go to the engine.
    void setFirstUseHandler(std::function<void()> handler);

    std::unique_ptr<PageLoader> createLoader() override;

private:
    std::function<void()> m_firstUseHandler;
};
