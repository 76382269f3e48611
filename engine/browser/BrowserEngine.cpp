#include "engine/browser/BrowserEngine.h"

#include "engine/browser/BrowserPageLoader.h"

std::unique_ptr<PageLoader> BrowserEngine::createLoader()
{
    return std::make_unique<BrowserPageLoader>();
}
