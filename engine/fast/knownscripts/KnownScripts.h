#pragma once

#include "engine/BrowserReason.h"
#include "engine/fast/knownscripts/KnownScript.h"

#include <QString>

#include <optional>

class Dom;

struct KnownScriptsRun
{
    std::optional<BrowserReason> browserReason; // nothing when every script ran
    // For a page that does nothing but send the browser on to a page beside it (browserReason
    // is then Refresh): that page's file, whose text is the page's.
    QString redirectTarget;
};

// Runs a page's scripts the way the browser would leave the document, when every script the
// page would run is a known one (KnownScript), each identified exactly: an external script by
// the bytes of its file, an inline one by its text. The document is left untouched when
// anything on it runs a script that is not known (an unknown, changed or unreadable script, an
// event-handler attribute, a javascript: URL), or a refresh. `page` tells of the document:
// its scripts are found here.
KnownScriptsRun runKnownScripts(Dom &dom, ScriptPage page);

// The largest page that a known redirect is on.
qsizetype largestRedirectPage();
