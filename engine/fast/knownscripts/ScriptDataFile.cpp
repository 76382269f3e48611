#include "engine/fast/knownscripts/ScriptDataFile.h"

#include "engine/fast/StyleSheetFile.h"
#include "platform/RegularFile.h"

#include <QHash>
#include <QMutex>

namespace {

// Past about this much memory the kept files are dropped, so that a run over many
// documentation sets does not grow without end: libstdc++'s tree, all of it, takes a tenth.
constexpr qint64 maxKeptBytes = 128 * 1024 * 1024;

// What a file's data takes in memory, near enough: its values, and its strings' characters.
qint64 keptBytes(const ScriptData &data, qint64 fileSize)
{
    return qint64(sizeof(ScriptValue)) * data.values + 2 * fileSize;
}

class DataCache
{
public:
    std::shared_ptr<const ScriptData> find(const QString &path, const FileStamp &stamp)
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        return found != m_entries.cend() && found->stamp == stamp ? found->data : nullptr;
    }

    void insert(const QString &path, const FileStamp &stamp, std::shared_ptr<const ScriptData> data)
    {
        const qint64 bytes = keptBytes(*data, stamp.size);
        const QMutexLocker lock(&m_mutex);
        if (m_bytes + bytes > maxKeptBytes) {
            m_entries.clear();
            m_bytes = 0;
        }
        const auto old = m_entries.constFind(path);
        if (old != m_entries.cend())
            m_bytes -= old->bytes;
        m_bytes += bytes;
        m_entries.insert(path, {stamp, bytes, std::move(data)});
    }

private:
    struct Entry
    {
        FileStamp stamp;
        qint64 bytes;
        std::shared_ptr<const ScriptData> data;
    };
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    qint64 m_bytes = 0;
};

DataCache &cache()
{
    static DataCache instance;
    return instance;
}

} // namespace

std::shared_ptr<const ScriptVariables> loadScriptData(const QString &path)
{
    // The stamp is taken before the file is read, so a file changed meanwhile is read again
    // next time rather than kept under its new stamp.
    const std::optional<FileStamp> stamp = regularFileStamp(path);
    if (!stamp || stamp->size > maxScriptDataBytes)
        return nullptr;
    std::shared_ptr<const ScriptData> data = cache().find(path, *stamp);
    if (!data) {
        const RegularFileRead read = readRegularFile(path, maxScriptDataBytes);
        std::optional<ScriptData> parsed = read.status == RegularFileRead::Status::Read
                                               ? parseScriptData(read.bytes)
                                               : std::nullopt;
        if (!parsed)
            return nullptr;
        data = std::make_shared<const ScriptData>(std::move(*parsed));
        cache().insert(path, *stamp, data);
    }
    return std::shared_ptr<const ScriptVariables>(data, &data->variables);
}
