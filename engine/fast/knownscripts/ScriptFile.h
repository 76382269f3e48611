#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The bytes of a script file a page refers to, read as the browser engine's file handler reads
// a local file: a regular file only (links followed), opened without waiting even for a pipe,
// and no larger than any real script. Nothing when it cannot be read so.
std::optional<QByteArray> readScriptFile(const QString &path);
