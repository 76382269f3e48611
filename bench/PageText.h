#pragma once

#include <QString>

#include <optional>

class PageLoader;

// Loads one page and waits, processing events, for its text: nothing when the loader reports
// a failure or gives no answer within timeoutMs (the page is then abandoned).
std::optional<QString> waitForPageText(PageLoader &loader, const QString &path, int timeoutMs);
