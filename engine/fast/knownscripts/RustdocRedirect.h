#pragma once

#include <QString>

class Dom;

// The file a rustdoc redirect page sends the browser to, where the browser would load it; null
// for any other page. Such a page (an item's old name, say) does nothing but go to its target,
// by a refresh and by a script, both naming the same page beside it, so that its text is its
// target's. Anything else that runs, a target that is no plain relative path to an HTML file,
// or one with a query or a fragment, makes it no such page.
QString rustdocRedirectTarget(const Dom &dom, const QString &pagePath);
