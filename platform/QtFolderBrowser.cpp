#include "platform/QtFolderBrowser.h"

#include "platform/StrayInputFilter.h"

#include <QDir>
#include <QFileDialog>

QString QtFolderBrowser::browseForFolder(QWidget *owner, const QString &title)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The second click of a double-click on the button that opened it would otherwise land in
    // the dialog, take the focus from the folder name and swallow what the user types next.
    const StrayInputFilter strayInput(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
}
