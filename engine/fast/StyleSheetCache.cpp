#include "engine/fast/StyleSheetCache.h"

#include "engine/fast/StyleSheetFile.h"

#include <QHash>
#include <QMutex>

namespace {

// Past this much parsed text the cache starts again, so that a run over many folders, each
// with sheets of its own, does not grow without end.
constexpr qsizetype maxCachedCharacters = 32 * 1024 * 1024;

class SheetCache
{
public:
    std::shared_ptr<const StyleSheet> find(const QString &path, const FileStamp &stamp)
    {
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(path);
        return found != m_entries.cend() && found->stamp == stamp ? found->sheet : nullptr;
    }

    void insert(const QString &path, const FileStamp &stamp, std::shared_ptr<const StyleSheet> sheet)
    {
        const QMutexLocker lock(&m_mutex);
        if (m_characters + sheet->sourceSize > maxCachedCharacters) {
            m_entries.clear();
            m_characters = 0;
        }
        const auto old = m_entries.constFind(path);
        if (old != m_entries.cend())
            m_characters -= old->sheet->sourceSize;
        m_characters += sheet->sourceSize;
        m_entries.insert(path, {stamp, std::move(sheet)});
    }

private:
    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<const StyleSheet> sheet;
    };
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
    qsizetype m_characters = 0;
};

SheetCache &cache()
{
    static SheetCache instance;
    return instance;
}

} // namespace

std::shared_ptr<const StyleSheet> loadStyleSheet(const QString &path)
{
    const std::optional<FileStamp> current = regularFileStamp(path);
    if (!current)
        return nullptr;
    if (std::shared_ptr<const StyleSheet> cached = cache().find(path, *current))
        return cached;
    FileStamp stamp;
    const std::optional<QByteArray> bytes = readStyleSheetBytes(path, stamp);
    if (!bytes)
        return nullptr;
    const QString text = decodeStyleSheet(*bytes);
    auto sheet = std::make_shared<const StyleSheet>(parseStyleSheet(text, QUrl::fromLocalFile(path)));
    cache().insert(path, stamp, sheet);
    return sheet;
}
