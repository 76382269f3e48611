#include "engine/auto/AutoEngine.h"

#include "engine/auto/AutoPageLoader.h"

AutoEngine::AutoEngine(PageEngine &browser) : m_browser(browser) {}

std::unique_ptr<PageLoader> AutoEngine::createLoader()
{
    auto loader = std::make_unique<AutoPageLoader>([this] { return m_browser.createLoader(); });
    loader->countPagesIn(m_pages);
    return loader;
}
