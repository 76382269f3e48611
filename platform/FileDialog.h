#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What the "Add HTML Files" dialog is opened with.
struct FileDialogSettings
{
    QString title;
    // Name filters in Qt's form, in order; the first one is in force when the dialog opens.
    QStringList filters;
};

// The modal multi-select file-open dialog.
class FileDialog
{
public:
    virtual ~FileDialog() = default;

    // Shows the dialog over owner and returns the full paths of the picked files in the
    // dialog's order; none when cancelled.
    virtual QStringList showOpen(QWidget *owner, const FileDialogSettings &settings) = 0;
};
