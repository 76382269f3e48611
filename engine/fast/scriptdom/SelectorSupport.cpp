#include "engine/fast/scriptdom/SelectorSupport.h"

#include "engine/fast/css/CssTokenizer.h"

#include <QSet>

namespace {

bool isInexact(const QString &pseudoClass)
{
    static const QSet<QString> names{"focus",     "focus-within",  "focus-visible",
                                     "target",    "target-within", "valid",
                                     "invalid",   "in-range",      "out-of-range",
                                     "read-only", "optional",      "indeterminate",
                                     "defined",   "autofill",      "-webkit-autofill",
                                     "playing",   "paused",        "dir"};
    return names.contains(pseudoClass);
}

bool isBeyondParser(const QString &pseudoClass)
{
    static const QSet<QString> names{"default",
                                     "placeholder-shown",
                                     "read-write",
                                     "required",
                                     "host",
                                     "host-context",
                                     "future",
                                     "past",
                                     "horizontal",
                                     "vertical",
                                     "decrement",
                                     "increment",
                                     "start",
                                     "end",
                                     "double-button",
                                     "single-button",
                                     "no-button",
                                     "corner-present",
                                     "xr-overlay",
                                     "-webkit-drag",
                                     "-webkit-full-page-media",
                                     "-webkit-full-screen-ancestor",
                                     "-webkit-full-screen-document",
                                     "-webkit-full-screen-controls-hidden",
                                     "slotted",
                                     "part",
                                     "cue"};
    return names.contains(pseudoClass) || pseudoClass.startsWith(QLatin1String("-internal-"));
}

} // namespace

SelectorSupport selectorSupport(const CssTokenRun &run)
{
    SelectorSupport support = SelectorSupport::Exact;
    for (int at = 0; at < run.size(); ++at) {
        // Namespace prefixes: the parser knows none.
        if (run[at].isDelim('|'))
            support = SelectorSupport::BeyondParser;
        if (!run[at].is(CssToken::Colon) || at + 1 >= run.size())
            continue;
        const CssToken &name = run[at + 1];
        if (!name.is(CssToken::Ident) && !name.is(CssToken::Function))
            continue;
        const QString lowered = name.value.toLower();
        if (isInexact(lowered))
            return SelectorSupport::Inexact;
        if (isBeyondParser(lowered))
            support = SelectorSupport::BeyondParser;
    }
    return support;
}
