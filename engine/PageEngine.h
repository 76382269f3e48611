#pragma once

#include <memory>

class PageLoader;

// Makes the page loaders of a run. Every loader renders in processes of its own, so that pages
// in flight side by side neither wait for nor disturb each other.
class PageEngine
{
public:
    virtual ~PageEngine() = default;

    virtual std::unique_ptr<PageLoader> createLoader() = 0;
};
