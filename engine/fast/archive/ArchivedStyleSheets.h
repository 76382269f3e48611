#pragma once

#include "engine/fast/css/SheetLoader.h"

#include <QString>

#include <memory>

class MhtmlArchive;
struct ArchivePart;

// The style sheets of a page saved as one file, where the style resolver, which follows local
// paths only, finds them. The browser takes an archive's parts by the URLs they were saved
// from, but none saved from a local file (a page saved from disk loses its style sheets), and
// nothing from outside the archive. Each part saved from the web is given a path of its own
// below a folder that no real path reaches, and nothing else is served there.

// Where the page's relative links start from: the path its own URL is given, or for a page
// saved from disk the file it was saved from.
QString archivedPagePath(const ArchivePart &page);

// Whether the resolver reaches every style sheet the browser would take: one saved from
// neither the web nor a local file (a cid: URL) is out of its reach.
bool archivedSheetsWithinReach(const MhtmlArchive &archive);

// The page's links to the archive's style sheets, which a browser writes out as absolute URLs
// when it saves a page, made to name the paths their parts are given.
QString withLinksToArchivedSheets(const QString &html, const MhtmlArchive &archive,
                                  const QString &pageLocation);

// Reads the archive's style sheets by the paths they are given, decoded by the charset each
// declares, else as a style sheet file is.
SheetLoader archivedSheetLoader(std::shared_ptr<const MhtmlArchive> archive);
