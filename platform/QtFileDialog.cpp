#include "platform/QtFileDialog.h"

#include "platform/StrayInputFilter.h"

#include <QFileDialog>

QStringList QtFileDialog::showOpen(QWidget *owner, const FileDialogSettings &settings)
{
    QFileDialog dialog(owner, settings.title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(settings.filters);
    dialog.setWindowModality(Qt::WindowModal);
    // A double-click on the button that opened it must not also pick a file in it.
    const StrayInputFilter strayInput(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
