#pragma once

#include "platform/RegularFile.h"

#include <QHash>
#include <QMutex>
#include <QString>

#include <memory>

// What the pages of a run read from one file, parsed once and shared across them: an entry
// serves only while the file's stamp (device, inode, size, time of change) is the one it was
// read under. Past `maxWeight` in all (each entry weighs what its caller says it takes) the
// cache starts again, so that a run over many folders, each with files of its own, does not
// grow without end. Safe to use from several threads.
template <typename Parsed>
class FileCache
{
public:
    explicit FileCache(qint64 maxWeight) : m_maxWeight(maxWeight) {}

    std::shared_ptr<const Parsed> find(const QString &path, const FileStamp &stamp)
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        return found != m_entries.cend() && found->stamp == stamp ? found->parsed : nullptr;
    }

    void insert(const QString &path, const FileStamp &stamp, std::shared_ptr<const Parsed> parsed,
                qint64 weight)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_weight + weight > m_maxWeight) {
            m_entries.clear();
            m_weight = 0;
        }
        const auto old = m_entries.constFind(path);
        if (old != m_entries.cend())
            m_weight -= old->weight;
        m_weight += weight;
        m_entries.insert(path, {stamp, weight, std::move(parsed)});
    }

private:
    struct Entry
    {
        FileStamp stamp;
        qint64 weight;
        std::shared_ptr<const Parsed> parsed;
    };
    const qint64 m_maxWeight;
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    qint64 m_weight = 0;
};
