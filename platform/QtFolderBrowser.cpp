#include "platform/QtFolderBrowser.h"

#include <QDir>
#include <QFileDialog>

QString QtFolderBrowser::browseForFolder(QWidget *owner, const QString &title)
{
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, QString(),
                                                             QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(chosen);
}
