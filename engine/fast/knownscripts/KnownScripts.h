#pragma once

#include "engine/BrowserReason.h"

#include <QList>
#include <QString>

#include <optional>

class Dom;

// Runs a page's scripts the way the browser would leave the document, when every script the
// page would run is a known one (KnownScript), each identified exactly: an external script by
// the bytes of its file, an inline one by its text. Nothing when done; else why the page needs
// the browser, with the document untouched: anything on it runs a script that is not known (an
// unknown, changed or unreadable script, an event-handler attribute, a javascript: URL), or a
// refresh.
std::optional<BrowserReason> runKnownScripts(Dom &dom, const QString &pagePath);

// Whether an inline script's text is the one whose digest is `sha256` (SHA-256 in hex), once the
// contents of the string literals counted in `variableLiterals` are left out, each of which may
// hold a relative path and nothing else.
bool isInlineScript(const QString &text, const char *sha256, const QList<int> &variableLiterals);
