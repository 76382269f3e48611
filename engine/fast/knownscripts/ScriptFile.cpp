#include "engine/fast/knownscripts/ScriptFile.h"

#include "engine/fast/css/FileCache.h"
#include "platform/RegularFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

// The largest known script (a javadoc search index) is under 5 MB.
constexpr qint64 maxScriptBytes = 16 * 1024 * 1024;
// Digests remembered at most, each weighing one; a run over many documentation sets starts
// again past it.
constexpr qint64 maxRemembered = 4096;

FileCache<QByteArray> &rememberedDigests()
{
    static FileCache<QByteArray> digests(maxRemembered);
    return digests;
}

} // namespace

std::optional<QByteArray> scriptFileDigest(const QString &path)
{
    RegularFile file(path);
    if (!file.isOpen() || file.stamp().size > maxScriptBytes)
        return std::nullopt;
    if (const auto known = rememberedDigests().find(path, file.stamp()))
        return *known;
    const RegularFileRead read = file.readAll(maxScriptBytes);
    if (read.status != RegularFileRead::Status::Read)
        return std::nullopt;
    auto digest = std::make_shared<const QByteArray>(
        QCryptographicHash::hash(read.bytes, QCryptographicHash::Sha256).toHex());
    rememberedDigests().insert(path, file.stamp(), digest, 1);
    return *digest;
}

std::optional<QString> scriptFilePath(const QString &source, const QString &pagePath)
{
    static const QRegularExpression plain(QStringLiteral("^[^:?#\\\\]+$"));
    const QString url = source.trimmed();
    if (!plain.match(url).hasMatch())
        return std::nullopt;
    const QString path = QUrl::fromPercentEncoding(url.toUtf8());
    if (path.contains(QChar(0)))
        return std::nullopt;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QFileInfo(pagePath).path() + u'/' + path);
}
