#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct FileStamp;

// Style sheets larger than this are not read: no real one comes near it.
constexpr qint64 maxStyleSheetBytes = 8 * 1024 * 1024;

// The bytes of a style sheet file and their stamp, read through one descriptor opened without
// blocking: a regular file only, and none of the kernel's own files (whose sizes are made up),
// read to its end but never beyond maxStyleSheetBytes. Nullopt when it is none of these.
std::optional<QByteArray> readStyleSheetBytes(const QString &path, FileStamp &stamp);

// A style sheet's bytes decoded by their byte-order mark or @charset, else, as the browser
// decodes a sheet a page links to, in the page's encoding (as Utf8Page::encoding names it). With
// no page's encoding given (a sheet saved in an archive), as UTF-8, or windows-1252 when they
// are not UTF-8.
QString decodeStyleSheet(const QByteArray &bytes, const QByteArray &pageEncoding = {});
