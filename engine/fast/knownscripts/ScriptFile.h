#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The SHA-256 (in hex) of a script file a page refers to, read as the browser engine's file
// handler reads a local file: a regular file only (links followed), opened without waiting even
// for a pipe, and no larger than any real script. Nothing when it cannot be read so.
//
// The pages of one documentation set share their scripts, some of them megabytes of search
// index: a digest is remembered for the file as it was (its stamp), so that a file changed in
// any way is read again.
std::optional<QByteArray> scriptFileDigest(const QString &path);

// The file a script's src names, for a URL relative to the page or an absolute path; nothing
// for a URL the browser might read otherwise (another scheme, a query, a fragment).
std::optional<QString> scriptFilePath(const QString &source, const QString &pagePath);
