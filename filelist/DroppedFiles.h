#pragma once

#include <QStringList>

class QMimeData;

// The local file paths a drag carries, in the drag's order. Empty when the drag carries
// anything that is not a local file (text, web links), so that such a drag is refused whole.
QStringList droppedLocalFiles(const QMimeData &data);
