#pragma once

#include <QString>
#include <QStringList>

// The file dialog reports its picked files as one selection string: empty for none, the full
// path for one, and for several the folder that holds them followed by a NUL character and a
// bare name for each file. The folder ends in a separator only when it is the root.
QString selectionStringFromPaths(const QStringList &pickedPaths);
