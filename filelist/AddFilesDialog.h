#pragma once

#include "platform/FileDialog.h"

#include <QStringList>

// The "Add HTML Files" dialog: how it is opened, and how its answer becomes list items.

// Written anew before every opening: the title, and the HTML filter first, so that it is the
// one in force, then all files.
FileDialogSettings addFilesDialogSettings();

// The paths to append for a selection string, in its order: none for an empty string, the
// string itself when it holds no NUL, and otherwise the folder (the text before the first
// NUL) joined to each name behind it. Every doubled separator of such a joined path becomes
// one, so that a root folder, which already ends in one, gives single separators too.
QStringList pathsFromSelection(const QString &selection);
