#pragma once

#include "engine/fast/css/StyleSheet.h"

#include <memory>

// Reads and parses a linked or imported style sheet file, once for all the pages of a run:
// parsed sheets are kept, shared between threads, under their path, and read again only when
// the file's size, modification time or inode changed. Null when the file gives no sheet.
std::shared_ptr<const StyleSheet> loadStyleSheet(const QString &path);
// As loadStyleSheet(), for a page in this encoding (Utf8Page::encoding), which a sheet that
// declares none is read in.
std::shared_ptr<const StyleSheet> loadStyleSheetOfPageIn(const QString &path,
                                                         const QByteArray &pageEncoding);
