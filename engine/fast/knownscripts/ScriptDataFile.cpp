#include "engine/fast/knownscripts/ScriptDataFile.h"

#include "engine/fast/StyleSheetFile.h"
#include "platform/RegularFile.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <optional>

namespace {

// Past this much data read the kept files are dropped, so that a run over many documentation
// sets does not grow without end.
constexpr qint64 maxKeptBytes = 64 * 1024 * 1024;

class DataCache
{
public:
    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<const ScriptVariables> variables; // read with UTF-8 strings allowed
        bool ascii = true;
    };

    std::optional<Entry> find(const QString &path, const FileStamp &stamp)
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        return found != m_entries.cend() && found->stamp == stamp ? std::optional<Entry>(*found) : std::nullopt;
    }

    void insert(const QString &path, const Entry &entry)
    {
        const FileStamp &stamp = entry.stamp;
        const QMutexLocker lock(&m_mutex);
        if (m_bytes + stamp.size > maxKeptBytes) {
            m_entries.clear();
            m_bytes = 0;
        }
        const auto old = m_entries.constFind(path);
        if (old != m_entries.cend())
            m_bytes -= old->stamp.size;
        m_bytes += stamp.size;
        m_entries.insert(path, entry);
    }

private:
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

std::shared_ptr<const ScriptVariables> loadScriptData(const QString &path, DataText text)
{
    // The stamp is taken before the file is read, so a file changed meanwhile is read again
    // next time rather than kept under its new stamp.
    const std::optional<FileStamp> stamp = regularFileStamp(path);
    if (!stamp || stamp->size > maxScriptDataBytes)
        return nullptr;
    // A file is read once for both forms: as ASCII it is what it is with UTF-8 strings, if it
    // holds no other byte.
    std::optional<DataCache::Entry> entry = cache().find(path, *stamp);
    if (!entry) {
        const RegularFileRead read = readRegularFile(path, maxScriptDataBytes);
        if (read.status != RegularFileRead::Status::Read)
            return nullptr;
        std::optional<ScriptVariables> variables = parseScriptData(read.bytes, DataText::Utf8Strings);
        if (!variables)
            return nullptr;
        const bool ascii = std::all_of(read.bytes.begin(), read.bytes.end(), [](char c) { return uchar(c) < 0x80; });
        entry = DataCache::Entry{*stamp, std::make_shared<const ScriptVariables>(std::move(*variables)), ascii};
        cache().insert(path, *entry);
    }
    return entry->ascii || text == DataText::Utf8Strings ? entry->variables : nullptr;
}
