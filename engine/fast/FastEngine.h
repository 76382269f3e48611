#pragma once

#include "engine/PageEngine.h"

// The fast engine for every page, scripts or not (--engine fast): see FastPageLoader.
class FastEngine : public PageEngine
{
public:
    std::unique_ptr<PageLoader> createLoader() override;
};
