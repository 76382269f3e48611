#pragma once

#include "engine/BrowserReason.h"
#include "engine/PagesByEngine.h"
#include "engine/auto/AutoEngine.h"

#include <QString>

#include <memory>
#include <optional>

class PageLoader;

// What the automatic engine does with a page, found without starting a browser: the text it
// takes from the fast engine, or why it leaves the page to the browser engine.
struct AutoEngineChoice
{
    std::optional<QString> fastText;            // the page went to the fast engine, which read it
    std::optional<BrowserReason> browserReason; // the page went to the browser engine
};

// Runs the automatic engine with a browser engine that declines every page, so that only the
// pages the fast engine takes cost anything: those are the ones whose text must be the browser's.
class AutoEngineChooser
{
public:
    AutoEngineChooser();
    ~AutoEngineChooser();

    AutoEngineChoice choose(const QString &path);

    // The pages each engine took so far, and why the browser's went to it.
    PagesByEngine pagesByEngine() const { return *m_engine.pagesByEngine(); }

private:
    std::unique_ptr<PageEngine> m_browser; // declines every page
    AutoEngine m_engine;
    std::unique_ptr<PageLoader> m_loader;
};
