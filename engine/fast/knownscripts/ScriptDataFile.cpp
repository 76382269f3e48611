#include "engine/fast/knownscripts/ScriptDataFile.h"

#include "engine/fast/css/FileCache.h"
#include "platform/RegularFile.h"

#include <algorithm>

namespace {

// Past about this much memory the kept files are dropped, so that a run over many
// documentation sets does not grow without end: libstdc++'s tree, all of it, takes a tenth.
constexpr qint64 maxKeptBytes = 128 * 1024 * 1024;

// A data file as read once for both forms: read with UTF-8 strings allowed, it is what it is
// as ASCII too if it holds no other byte.
struct KeptData
{
    ScriptData data;
    bool ascii = true;
};

// What a file's data takes in memory, near enough: its values, and its strings' characters.
qint64 keptBytes(const ScriptData &data, qint64 fileSize)
{
    return qint64(sizeof(ScriptValue)) * data.values + 2 * fileSize;
}

FileCache<KeptData> &cache()
{
    static FileCache<KeptData> instance(maxKeptBytes);
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
    std::shared_ptr<const KeptData> kept = cache().find(path, *stamp);
    if (!kept) {
        const RegularFileRead read = readRegularFile(path, maxScriptDataBytes);
        if (read.status != RegularFileRead::Status::Read)
            return nullptr;
        std::optional<ScriptData> parsed = parseScriptData(read.bytes, DataText::Utf8Strings);
        if (!parsed)
            return nullptr;
        const bool ascii = std::all_of(read.bytes.begin(), read.bytes.end(),
                                       [](char c) { return uchar(c) < 0x80; });
        kept = std::make_shared<const KeptData>(KeptData{std::move(*parsed), ascii});
        cache().insert(path, *stamp, kept, keptBytes(kept->data, stamp->size));
    }
    if (!kept->ascii && text != DataText::Utf8Strings)
        return nullptr;
    return std::shared_ptr<const ScriptVariables>(kept, &kept->data.variables);
}
