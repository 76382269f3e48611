#pragma once

#include <QString>

#include <vector>

struct CssTokenRun;

// A media feature's value: the tokens after its colon, white space left out.
struct MediaFeatureValue
{
    const CssTokenRun &run;
    std::vector<int> tokens;
};

enum class MediaFeatureResult { True, False, Invalid };

// Whether the media feature `name` (in lower case, such as "min-width") holds for the window
// pages are laid out for, a 1280 x 720 screen, given its value, or none as in "(color)".
// Invalid makes the whole query "not all", whatever "not" stands before it.
MediaFeatureResult mediaFeatureHolds(QString name, const MediaFeatureValue *value);
