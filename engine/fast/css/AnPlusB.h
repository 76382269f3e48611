#pragma once

#include <optional>

struct CssTokenRun;

// The step and offset of the :nth- pseudo-classes: the elements at positions a*n+b, n >= 0.
struct AnPlusB
{
    int a = 0;
    int b = 0;
};

// Reads "The An+B microsyntax" of CSS Syntax Level 3 from the tokens [from, to) of a run, so
// that comments and escapes count as in any other CSS. A and B are held to the int range as
// browsers hold them; nothing when the tokens are not An+B.
std::optional<AnPlusB> parseAnPlusB(const CssTokenRun &run, int from, int to);
