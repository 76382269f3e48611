#pragma once

#include "engine/BrowserReason.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// What in a page's markup runs a script, by the rules both engines share: the byte scan that
// decides whether a page needs scripts at all, and the fast engine's look at the parsed document.

// A URL that runs a script when followed (javascript:).
bool isJavaScriptUrl(const QString &value);

// An event-handler attribute that runs only when the user acts on the page (clicks, types):
// in a page read without anyone acting on it, it never runs.
bool runsOnlyOnUserAction(QStringView attributeName);

// A link's javascript: URL runs only when the link is followed, which nobody does here.
bool followedOnlyOnClick(QStringView tagName, QStringView attributeName);

// An event-handler attribute (on...) that runs without anyone acting on the page.
bool isEventHandler(QStringView attributeName);

// Whether a <meta http-equiv> value is a refresh, which moves the page elsewhere.
bool isRefresh(const QString &httpEquiv);

// Whether a page's bytes, before it is parsed, show a script other than <script> elements
// (which may all be known ones): what no known script can make up for. True means a script for
// sure (or as good as: a tag the tokenizer would take for text in a rare context only sends a
// page to the browser that did not need it); false means the parsed document has to tell, as
// it does from the first <template> on.
bool pageBytesCarryScriptOutsideElements(QByteArrayView bytes);

// The same, with what it found: an unknown script, or a refresh.
std::optional<BrowserReason> scriptOutsideElementsInBytes(QByteArrayView bytes);
