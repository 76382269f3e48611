#pragma once

#include <QString>

class FolderBrowser;
class QWidget;

// The folder prompt of "Add All HTML Files In Folder" over owner: the chosen folder, or "" when
// the user cancelled. What the chosen folder adds is the walk's rule (convert/FolderWalk.h).
QString browseForFolder(FolderBrowser &browser, QWidget *owner, const QString &title);
