#pragma once

#include <QString>

// The path without the extension of its file name: the name's last "." and everything after
// it are cut. A "." in a folder name never counts, so a name without one comes back whole.
QString StripExtension(const QString &path);

// Where the text of an input file goes: into the input's own folder, under the input's name
// with ".txt" for its extension ("report.final.htm" gives "report.final.txt", "README" gives
// "README.txt").
QString outputPathFor(const QString &inputPath);

// True when both paths lead to one and the same existing file, whether through a link, a
// case-insensitive file system or plain equality.
bool isSameFile(const QString &path, const QString &otherPath);
