#include "filelist/FileListModel.h"

FileListModel::FileListModel(QObject *parent) : QAbstractListModel(parent) {}

void FileListModel::append(const QString &path)
{
    append(QStringList{path});
}

void FileListModel::append(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // One insertion for the whole batch keeps a folder of thousands of files cheap to add.
    const int first = int(m_paths.size());
    beginInsertRows(QModelIndex(), first, first + int(paths.size()) - 1);
    m_paths += paths;
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

void FileListModel::setText(int position, const QString &path)
{
    if (position < 1 || position > count())
        return;
    m_paths[position - 1] = path;
    const QModelIndex changed = index(position - 1);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void FileListModel::remove(int position)
{
    if (position < 1 || position > count())
        return;
    beginRemoveRows(QModelIndex(), position - 1, position - 1);
    m_paths.removeAt(position - 1);
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
