#include "engine/fast/knownscripts/ScriptDataFile.h"

#include "engine/fast/StyleSheetFile.h"
#include "platform/RegularFile.h"

#include <QHash>
#include <QMutex>

namespace {

// Past this much data read the kept files are dropped, so that a run over many documentation
// sets does not grow without end.
constexpr qint64 maxKeptBytes = 64 * 1024 * 1024;

class DataCache
{
public:
    std::shared_ptr<const ScriptVariables> find(const QString &path, const FileStamp &stamp)
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        return found != m_entries.cend() && found->stamp == stamp ? found->variables : nullptr;
    }

    void insert(const QString &path, const FileStamp &stamp, std::shared_ptr<const ScriptVariables> variables)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_bytes + stamp.size > maxKeptBytes) {
            m_entries.clear();
            m_bytes = 0;
        }
        const auto old = m_entries.constFind(path);
        if (old != m_entries.cend())
            m_bytes -= old->stamp.size;
        m_bytes += stamp.size;
        m_entries.insert(path, {stamp, std::move(variables)});
    }

private:
    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<const ScriptVariables> variables;
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
    if (std::shared_ptr<const ScriptVariables> kept = cache().find(path, *stamp))
        return kept;
    const RegularFileRead read = readRegularFile(path, maxScriptDataBytes);
    if (read.status != RegularFileRead::Status::Read)
        return nullptr;
    std::optional<ScriptVariables> variables = parseScriptData(read.bytes);
    if (!variables)
        return nullptr;
    auto shared = std::make_shared<const ScriptVariables>(std::move(*variables));
    cache().insert(path, *stamp, shared);
    return shared;
}
