#include "engine/fast/worker/PageResourceFile.h"

#include "engine/fast/css/StyleSheetFile.h"
#include "platform/RegularFile.h"

#include <QUrl>

namespace {

// The largest script of the documentation generators (a javadoc search index) is under 5 MB.
constexpr qint64 maxScriptBytes = 16 * 1024 * 1024;

} // namespace

std::optional<QByteArray> readPageResource(const QString &url, PageResourceKind kind)
{
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme() != QLatin1String("file") || !parsed.host().isEmpty())
        return std::nullopt;
    const QString path = parsed.toLocalFile();
    if (path.isEmpty() || path.contains(QChar(0)))
        return std::nullopt;
    RegularFile file(path);
    if (!file.isOpen() || file.isOnKernelFileSystem())
        return std::nullopt;
    RegularFileRead read = file.readAll(kind == PageResourceKind::Script ? maxScriptBytes
                                                                         : maxStyleSheetBytes);
    if (read.status != RegularFileRead::Status::Read)
        return std::nullopt;
    return std::move(read.bytes);
}
