#pragma once

#include "engine/PageEngine.h"

// Each page to the engine that gives the browser's text at the least cost: a page without
// scripts, in an encoding it declares (or one the user named for pages that declare none), to
// the fast engine; every other page to the browser engine. A browser loader is made only when
// a page first needs one, so a run over pages without scripts starts no browser at all.
class AutoEngine : public PageEngine
{
public:
    explicit AutoEngine(PageEngine &browser);

    std::unique_ptr<PageLoader> createLoader() override;
    std::optional<PagesByEngine> pagesByEngine() const override { return *m_pages; }

private:
    PageEngine &m_browser;
    std::shared_ptr<PagesByEngine> m_pages = std::make_shared<PagesByEngine>();
};
