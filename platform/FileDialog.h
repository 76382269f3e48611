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

    // Shows the dialog over owner and returns the selection string: empty when cancelled; one
    // full path when one file was picked; otherwise the folder, then for each picked file a NUL
    // character and its bare name (its path below the folder when the files lie in several).
    virtual QString showOpen(QWidget *owner, const FileDialogSettings &settings) = 0;
};
