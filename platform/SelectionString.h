#pragma once

#include <QString>
#include <QStringList>

// The file dialog reports its picked files as one selection string: empty for none, the full
// path for one, and for several the deepest folder that holds them all followed by a NUL
// character and, for each file, its path below that folder: its bare name when all come from
// one folder. The folder ends in a separator only when it is the root.
QString selectionStringFromPaths(const QStringList &pickedPaths);
