#include "filelist/AddFilesDialog.h"

#include <QDir>

FileDialogSettings addFilesDialogSettings()
{
    return {QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"),
            {QStringLiteral("HTML Files (*.htm *.html)"), QStringLiteral("All Files (*)")}};
}

QStringList pathsFromSelection(const QString &selection)
{
    if (selection.isEmpty())
        return {};
    const QStringList parts = selection.split(QChar(u'\0'));
    if (parts.size() == 1)
        return parts;

    const QString separator = QDir::separator();
    const QString doubled = separator + separator;
    QStringList paths;
    for (qsizetype k = 1; k < parts.size(); ++k) {
        QString path = parts.first() + separator + parts.at(k);
        paths.append(path.replace(doubled, separator));
    }
    return paths;
}
