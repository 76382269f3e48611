#pragma once

#include "engine/fast/script/PageScripts.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A file a script worker asks for on behalf of its page, read as the engine reads every file a
// page names: a file: URL on this machine, a regular file (links followed) that no kernel file
// system makes up as it is read, no larger than any real script or style sheet. Nothing for
// anything else, as the browser's load of it would fail.
std::optional<QByteArray> readPageResource(const QString &url, PageResourceKind kind);
