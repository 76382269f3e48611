#pragma once

#include "engine/PagesByEngine.h"

#include <memory>
#include <optional>

class PageLoader;

// Makes the page loaders of a run. Every loader renders in processes of its own, so that pages
// in flight side by side neither wait for nor disturb each other.
class PageEngine
{
public:
    virtual ~PageEngine() = default;

    virtual std::unique_ptr<PageLoader> createLoader() = 0;

    // For an engine that chooses another for each page, the pages each one took so far.
    virtual std::optional<PagesByEngine> pagesByEngine() const { return std::nullopt; }
};
