#pragma once

#include <QString>
#include <QUrl>

class Dom;

// The URL a page's relative references start from: its first <base href>, resolved against the
// page's own URL, else the page's own (that of the file at `pagePath`).
QUrl documentBaseUrl(const Dom &dom, const QString &pagePath);

// Whether a <base href> sets the page's base URL, which then may lie anywhere.
bool hasBaseElement(const Dom &dom);
