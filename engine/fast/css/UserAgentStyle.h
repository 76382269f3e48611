#pragma once

#include <QString>

// The browser engine's default styles for the properties that decide the rendered text.
const QString &userAgentStyleSheet();
