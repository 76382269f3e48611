#pragma once

#include <memory>
#include <optional>

class PageLoader;

// How many pages each engine gave text (or a failure) for, under an engine that chooses one
// for each page.
struct PagesByEngine
{
    int fast = 0;
    int browser = 0;
};

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
