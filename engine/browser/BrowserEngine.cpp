#include "engine/browser/BrowserEngine.h"

#include "engine/browser/BrowserPageLoader.h"

#include <utility>

void BrowserEngine::setFirstUseHandler(std::function<void()> handler)
{
    m_firstUseHandler = std::move(handler);
}

std::unique_ptr<PageLoader> BrowserEngine::createLoader()
{
    if (m_firstUseHandler)
        std::exchange(m_firstUseHandler, {})();
    return std::make_unique<BrowserPageLoader>();
}
