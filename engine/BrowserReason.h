#pragma once

#include <QString>

// Why the automatic engine leaves a page to the browser engine rather than take the fast
// engine's text: the first thing found that the fast engine cannot answer for.
enum class BrowserReason {
    UnknownScript,       // a script that is not a known one, or not where it was verified
    Refresh,             // <meta http-equiv="refresh">, which moves the page elsewhere
    UndeclaredEncoding,  // the browser would guess the encoding by a detector of its own
    UnsupportedEncoding, // one declared that is not decoded here as the browser decodes it
    FileName,           // a name that is not valid UTF-8, beside which style sheets would be missed
    TooManyAttributes,  // a start tag with more than the parser keeps
    NestingTooDeep,     // elements nested deeper than the parser keeps
    FormTextMisplaced,  // text at the end of a <form>, which the HTML parser here moves out of it
    XhtmlNotModelled,   // XHTML that is not well-formed, or uses what is not modelled here
    ArchiveNotModelled, // a saved page whose archive holds what is not modelled here
    StyleRuleNotModelled, // a selector nested deeper, or longer, than the cascade follows
    ContentNeedsLayout,   // "content-visibility: auto", whose content shows only near the window
    UnknownObject,        // an <object> whose box depends on whether the browser can show its type
    TooLarge,             // more bytes than the fast engine reads
    ScriptNotModelled,    // a script used what the script runtime does not do as the browser does
    ScriptError,          // a script failed with an error nothing caught
    ScriptNotSettled,     // the page's scripts went on past their bound
    ScriptWorkerFailed,   // the worker that ran the page's scripts crashed, was killed or misspoke
    TimeBound,            // the fast engine took longer than it is given
};
constexpr int browserReasonCount = int(BrowserReason::TimeBound) + 1;

// "unknown script", as a run's figures list it.
QString describeBrowserReason(BrowserReason reason);
