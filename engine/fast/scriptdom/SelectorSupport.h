#pragma once

struct CssTokenRun;

// How far the engine's selectors answer a script's query as the browser does.
enum class SelectorSupport {
    Exact,
    // The selector names state that a page being scripted may be in (focus, validity, media
    // playing), which the engine's matcher takes at rest.
    Inexact,
    // The browser reads syntax the engine's parser refuses: a refused list may still be valid.
    BeyondParser,
};

SelectorSupport selectorSupport(const CssTokenRun &run);
