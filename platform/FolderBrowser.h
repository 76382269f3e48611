#pragma once

#include <QString>

class QWidget;

// The modal folder chooser.
class FolderBrowser
{
public:
    virtual ~FolderBrowser() = default;

    // Shows a chooser of directories only over owner, with title as its prompt. Returns the
    // chosen folder's path (no trailing separator except for the root), or "" when cancelled.
    virtual QString browseForFolder(QWidget *owner, const QString &title) = 0;
};
