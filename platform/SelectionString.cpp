#include "platform/SelectionString.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

QString withClosingSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The deepest folder that holds every path, at any depth below it.
QString commonFolder(const QStringList &absolutePaths)
{
    QString folder = QFileInfo(absolutePaths.first()).absolutePath();
    const auto holdsAll = [&absolutePaths](const QString &candidate) {
        const QString prefix = withClosingSlash(candidate);
        return std::all_of(absolutePaths.begin(), absolutePaths.end(),
                           [&prefix](const QString &path) { return path.startsWith(prefix); });
    };
    while (!holdsAll(folder)) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    return folder;
}

} // namespace

QString selectionStringFromPaths(const QStringList &pickedPaths)
{
    if (pickedPaths.isEmpty())
        return {};
    if (pickedPaths.size() == 1)
        return QDir::toNativeSeparators(pickedPaths.first());

    // Files picked in one folder come as bare names behind it. A dialog may also pick from
    // several folders (a list of recent files, names typed with a folder in front); their
    // names then keep the folders below the common one, so that no path is lost or changed.
    QStringList absolutePaths;
    for (const QString &path : pickedPaths)
        absolutePaths << QFileInfo(path).absoluteFilePath();
    const QString folder = commonFolder(absolutePaths);
    const qsizetype nameStart = withClosingSlash(folder).size();

    QString selection = QDir::toNativeSeparators(folder);
    for (const QString &path : std::as_const(absolutePaths))
        selection += QChar(u'\0') + QDir::toNativeSeparators(path.mid(nameStart));
    return selection;
}
