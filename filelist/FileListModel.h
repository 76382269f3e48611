#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The files the next conversion run will process: one full path per row, in conversion order.
// Positions in the public functions are 1-based, as the rest of the program counts them.
// Nothing is normalised, sorted or de-duplicated: a path stays exactly as it was added. Each row
// also keeps the folder it was found in when a folder was added whole (empty for a file added
// by itself): its page may send itself within that folder.
class FileListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit FileListModel(QObject *parent = nullptr);

    void append(const QString &path);
    void append(const QStringList &paths, const QString &listedFolder = {});
    int count() const;
    QString text(int position) const;
    QString listedFolder(int position) const;
    // The two rows trade places, each with its folder.
    void exchange(int first, int second);
    void remove(int position);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_paths;
    QStringList m_listedFolders; // by row, as m_paths
};
