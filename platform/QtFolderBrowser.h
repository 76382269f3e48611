#pragma once

#include "platform/FolderBrowser.h"

class QtFolderBrowser : public FolderBrowser
{
public:
    QString browseForFolder(QWidget *owner, const QString &title) override;
};
