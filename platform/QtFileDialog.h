#pragma once

#include "platform/FileDialog.h"

class QtFileDialog : public FileDialog
{
public:
    QStringList showOpen(QWidget *owner, const FileDialogSettings &settings) override;
};
