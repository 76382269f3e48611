#pragma once

#include <QString>

// Whether a page, by its own bytes, runs nothing at all: no script, event handler, refresh,
// frame, object, template or XSLT, and it is not in a wide encoding whose tags a byte scan
// cannot see. Only such a page is read without waiting for scripts, and without keeping what
// its elements use from them. A page too large to look through, or that cannot be read, is not.
bool isScriptFreePage(const QString &absolutePath);
