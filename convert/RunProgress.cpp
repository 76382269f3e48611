#include "convert/RunProgress.h"

#include <algorithm>

float progressPercent(int itemNumber, int currentCount)
{
    if (currentCount < 1)
        return 100.0f;
    return float(std::min(double(itemNumber) / currentCount * 100, 100.0));
}
