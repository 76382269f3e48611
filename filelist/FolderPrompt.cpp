#include "filelist/FolderPrompt.h"

#include "platform/FolderBrowser.h"

QString browseForFolder(FolderBrowser &browser, QWidget *owner, const QString &title)
{
    return browser.browseForFolder(owner, title);
}
