#pragma once

#include <QString>

// What --version prints for either program: its own version, then the Qt it runs on and the
// browser engine that renders pages with scripts, which decide much of the text a page gives.
QString versionText(const QString &programName, const QString &version);
