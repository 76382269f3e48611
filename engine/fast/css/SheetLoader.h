#pragma once

#include <QString>

#include <functional>
#include <memory>

struct StyleSheet;

// Reads the style sheet at `path` (a linked sheet or an @import's target); null when it cannot.
using SheetLoader = std::function<std::shared_ptr<const StyleSheet>(const QString &path)>;
