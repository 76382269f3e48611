#include "engine/fast/css/StyleSheetCache.h"

#include "engine/fast/css/FileCache.h"
#include "engine/fast/css/StyleSheetFile.h"
#include "platform/RegularFile.h"

namespace {

// Past this much parsed text the cache starts again.
constexpr qint64 maxCachedCharacters = 32 * 1024 * 1024;

FileCache<StyleSheet> &cache()
{
    static FileCache<StyleSheet> instance(maxCachedCharacters);
    return instance;
}

} // namespace

std::shared_ptr<const StyleSheet> loadStyleSheet(const QString &path)
{
    return loadStyleSheetOfPageIn(path, {});
}

std::shared_ptr<const StyleSheet> loadStyleSheetOfPageIn(const QString &path,
                                                         const QByteArray &pageEncoding)
{
    const std::optional<FileStamp> current = regularFileStamp(path);
    if (!current)
        return nullptr;
    // The same file is another sheet for pages in another encoding.
    const QString key = QString::fromLatin1(pageEncoding) + u'\n' + path;
    if (std::shared_ptr<const StyleSheet> cached = cache().find(key, *current))
        return cached;
    FileStamp stamp;
    const std::optional<QByteArray> bytes = readStyleSheetBytes(path, stamp);
    if (!bytes)
        return nullptr;
    const QString text = decodeStyleSheet(*bytes, pageEncoding);
    auto sheet = std::make_shared<const StyleSheet>(
        parseStyleSheet(text, QUrl::fromLocalFile(path)));
    cache().insert(key, stamp, sheet, sheet->sourceSize);
    return sheet;
}
