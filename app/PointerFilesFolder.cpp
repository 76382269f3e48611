#include "app/PointerFilesFolder.h"

#include "app/FileUtilities.h"

#include <QDir>

QString pointerFilesFolder(const QString &programFolder, const QString &dataFolderFromProgram)
{
    if (fileExists(programFolder + QDir::separator() + QStringLiteral("HAND-M.CUR")))
        return programFolder;
    return QDir::cleanPath(programFolder + QDir::separator() + dataFolderFromProgram);
}
