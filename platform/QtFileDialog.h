#pragma once

#include "platform/FileDialog.h"

class QtFileDialog : public FileDialog
{
public:
    QString showOpen(QWidget *owner, const FileDialogSettings &settings) override;
};
