#include "filelist/AddFilesDialog.h"

FileDialogSettings addFilesDialogSettings()
{
    return {QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"),
            {QStringLiteral("HTML Files (*.htm *.html)"), QStringLiteral("All Files (*)")}};
}
