#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <v8-isolate.h>
#include <v8-local-handle.h>
#include <v8-primitive.h>

// The script files of a process's pages, decoded once and held as V8 strings for the pages
// after: the pages of one tree load the same few files (a jQuery of 290 kB on every page),
// whose decoding and copying into V8 cost more than compiling them, which V8 already does
// once for every page. A V8 string is immutable and has no identity a script can tell, so a
// page sees nothing of the page before through one.
namespace ScriptSources {

// Files held, and their bytes and text together, past which the least recently used go.
inline constexpr int maxHeldFiles = 64;
inline constexpr qsizetype maxHeldBytes = qsizetype(12) << 20;

// A script file's text, as decodeScript() gives it, from the files held when the same bytes
// came with the same charset attribute and page encoding before.
std::optional<QString> decoded(const QByteArray &bytes, const QString &charset,
                               const QByteArray &pageEncoding);

// A script's source as a V8 string: the one held for a text decoded() gave, a new one for any
// other.
v8::Local<v8::String> v8Source(v8::Isolate *isolate, const QString &source);

} // namespace ScriptSources
