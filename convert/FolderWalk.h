#pragma once

#include <QString>
#include <QStringList>

class MessagePump;

// "Add All HTML Files In Folder": the chosen folder and every folder below it, breadth first,
// and of their files those whose full path holds "htm" in any letter case, except files whose
// name begins with "~". Folders whose names begin with "." are not walked; files whose names
// begin with "." are listed like any other.
//
// Folder paths in a walk end in the separator that the walk adds, also after a root that
// already ends in one ("//"), and the items keep that doubled separator.

// Appends to folders every folder below its entries, level by level: the first level below
// all of them, then the second, and so on; below one folder in name order. Each folder is
// walked once however many links lead to it, so the walk ends even when links lead back up.
// A folder that cannot be read has nothing below it. Processes pending events between
// entries so that the window stays alive during a long walk.
void collectSubfolders(QStringList &folders, MessagePump &pump);

// The names of the files directly in folder (with or without a closing separator), in name
// order, those beginning with "." included. Pipes, devices and sockets are left out: loading
// one would hang or never end. Empty when the folder cannot be read.
QStringList listFiles(const QString &folder);

// The full paths that a walk from chosenFolder appends to the file list, in list order.
QStringList htmlFilesInTree(const QString &chosenFolder, MessagePump &pump);
