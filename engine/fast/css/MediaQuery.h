#pragma once

#include <QStringView>

// Whether a media query list (a media attribute, an @media or @import prelude) holds for the
// window pages are laid out for: a 1280 x 720 screen.
bool mediaMatches(QStringView mediaList);
