#include "engine/fast/knownscripts/ScriptDataFile.h"

#include "engine/fast/FileCache.h"
#include "platform/RegularFile.h"

namespace {

// Past about this much memory the kept files are dropped, so that a run over many
// documentation sets does not grow without end: libstdc++'s tree, all of it, takes a tenth.
constexpr qint64 maxKeptBytes = 128 * 1024 * 1024;

// What a file's data takes in memory, near enough: its values, and its strings' characters.
qint64 keptBytes(const ScriptData &data, qint64 fileSize)
{
    return qint64(sizeof(ScriptValue)) * data.values + 2 * fileSize;
}

FileCache<ScriptData> &cache()
{
    static FileCache<ScriptData> instance(maxKeptBytes);
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
        cache().insert(path, *stamp, data, keptBytes(*data, stamp->size));
    }
    return std::shared_ptr<const ScriptVariables>(data, &data->variables);
}
