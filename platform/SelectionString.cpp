#include "platform/SelectionString.h"

#include <QDir>
#include <QFileInfo>

QString selectionStringFromPaths(const QStringList &pickedPaths)
{
    if (pickedPaths.isEmpty())
        return {};
    if (pickedPaths.size() == 1)
        return QDir::toNativeSeparators(pickedPaths.first());

    // A multi-select dialog picks from one folder, so the first file's folder serves for all.
    QString selection = QDir::toNativeSeparators(QFileInfo(pickedPaths.first()).absolutePath());
    for (const QString &path : pickedPaths)
        selection += QChar(u'\0') + QFileInfo(path).fileName();
    return selection;
}
