#pragma once

#include <QRect>

// The layout is drawn up in twips: 1440 to the inch, 15 to the device-independent pixel.
constexpr int twipsPerPixel = 15;

constexpr int pixels(int twips)
{
    return twips / twipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}
