#include "engine/BrowserEngine.h"

#include "engine/BrowserPageLoader.h"

std::unique_ptr<PageLoader> BrowserEngine::createLoader()
{
    return std::make_unique<BrowserPageLoader>();
}
