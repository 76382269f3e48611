#include "filelist/FileListModel.h"

FileListModel::FileListModel(QObject *parent) : QAbstractListModel(parent) {}

void FileListModel::append(const QString &path)
{
    append(QStringList{path});
}

void FileListModel::append(const QStringList &paths, const QString &listedFolder)
{
    if (paths.isEmpty())
        return;
    // One insertion for the whole batch keeps a folder of thousands of files cheap to add.
    const int first = int(m_paths.size());
    beginInsertRows(QModelIndex(), first, first + int(paths.size()) - 1);
    m_paths += paths;
    for (qsizetype i = 0; i < paths.size(); ++i)
        m_listedFolders += listedFolder;
    endInsertRows();
}

int FileListModel::count() const
{
    return int(m_paths.size());
}

QString FileListModel::text(int position) const
{
    return m_paths.value(position - 1);
}

QString FileListModel::listedFolder(int position) const
{
    return m_listedFolders.value(position - 1);
}

void FileListModel::exchange(int first, int second)
{
    if (first < 1 || first > count() || second < 1 || second > count())
        return;
    m_paths.swapItemsAt(first - 1, second - 1);
    m_listedFolders.swapItemsAt(first - 1, second - 1);
    for (const int position : {first, second}) {
        const QModelIndex changed = index(position - 1);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

void FileListModel::remove(int position)
{
    if (position < 1 || position > count())
        return;
    beginRemoveRows(QModelIndex(), position - 1, position - 1);
    m_paths.removeAt(position - 1);
    m_listedFolders.removeAt(position - 1);
    endRemoveRows();
}

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole)
        return m_paths.at(index.row());
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("HTML File(s)");
    return QAbstractListModel::headerData(section, orientation, role);
}
