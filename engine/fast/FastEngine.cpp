#include "engine/fast/FastEngine.h"

#include "engine/fast/FastPageLoader.h"

std::unique_ptr<PageLoader> FastEngine::createLoader()
{
    return std::make_unique<FastPageLoader>();
}
