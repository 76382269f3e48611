#include "engine/fast/css/StyleSheetFile.h"

#include "engine/PageDecoding.h"
#include "platform/RegularFile.h"

#include <QRegularExpression>

std::optional<QByteArray> readStyleSheetBytes(const QString &path, FileStamp &stamp)
{
    RegularFile file(path);
    if (!file.isOpen() || file.isOnKernelFileSystem())
        return std::nullopt;
    stamp = file.stamp();
    RegularFileRead read = file.readAll(maxStyleSheetBytes);
    if (read.status != RegularFileRead::Status::Read)
        return std::nullopt;
    return std::move(read.bytes);
}

QString decodeStyleSheet(const QByteArray &bytes, const QByteArray &pageEncoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return decodeWithLabel(bytes.mid(2),
                               bytes.startsWith("\xFF\xFE") ? "utf-16le" : "utf-16be");
    static const QRegularExpression charset(QStringLiteral("^@charset \"([^\"]*)\";"));
    const QRegularExpressionMatch match = charset.match(QString::fromLatin1(bytes.left(128)));
    if (match.hasMatch()) {
        const QString decoded = decodeWithLabel(bytes, match.captured(1).toLatin1());
        if (!decoded.isNull())
            return decoded;
    }
    return pageEncoding.isEmpty() ? decodePage(bytes).text : decodeInEncoding(bytes, pageEncoding);
}
