#pragma once

#include "convert/RunItems.h"
#include "filelist/FileListModel.h"

// The window's file list as the items of a run, read as the list is at each moment.
class FileListItems : public RunItems
{
public:
    explicit FileListItems(const FileListModel &list) : m_list(list) {}

    int count() const override { return m_list.count(); }
    QString path(int position) const override { return m_list.text(position); }
    QString listedFolder(int position) const override { return m_list.listedFolder(position); }

private:
    const FileListModel &m_list;
};
