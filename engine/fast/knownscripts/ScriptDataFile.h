#pragma once

#include "engine/fast/knownscripts/ScriptData.h"

#include <QString>

#include <memory>

// Data files larger than this are not read: Doxygen's largest (a class list of thousands) are
// a few hundred kilobytes.
constexpr qint64 maxScriptDataBytes = 4 * 1024 * 1024;

// The variables a data file a page's script would load declares (parseScriptData), read as the
// browser engine reads a local script: a regular file only, opened without blocking, and no
// larger than maxScriptDataBytes. Null when it cannot be read so or is not data in `text`'s
// form.
//
// The pages of one documentation set load the same index files: what a file declares is kept
// for the run, shared between threads, and read again when the file changed (its size,
// modification time, inode or device).
std::shared_ptr<const ScriptVariables> loadScriptData(const QString &path,
                                                      DataText text = DataText::Ascii);
