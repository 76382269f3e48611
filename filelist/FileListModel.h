#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The files the next conversion run will process: one full path per row, in conversion order.
// Positions in the public functions are 1-based, as the rest of the program counts them.
// Nothing is normalised, sorted or de-duplicated: a path stays exactly as it was added.
class FileListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit FileListModel(QObject *parent = nullptr);

    void append(const QString &path);
    void append(const QStringList &paths);
    int count() const;
    QString text(int position) const;
    void setText(int position, const QString &path);
    void remove(int position);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_paths;
};
