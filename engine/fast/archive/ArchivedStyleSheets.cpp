#include "engine/fast/archive/ArchivedStyleSheets.h"

#include "engine/PageDecoding.h"
#include "engine/fast/archive/MhtmlArchive.h"
#include "engine/fast/css/StyleSheet.h"
#include "engine/fast/css/StyleSheetFile.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

const QString archivePartsFolder = QStringLiteral("/\u0001archive");

bool isFromTheWeb(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// The same URL however it is spelt.
QString normalised(const QUrl &url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveFragment)
        .toString(QUrl::FullyEncoded);
}

// A part's folders are those of its URL, so that a style sheet's relative @imports find their
// parts. A style sheet's name always ends in ".css", which the resolver asks of a page without
// quirks, and keeps its URL's query apart.
QString pathForPart(const QUrl &url, bool styleSheet)
{
    if (!isFromTheWeb(url))
        return {};
    QString path = archivePartsFolder + u'/' + url.scheme() + u'/' + url.authority()
        + QDir::cleanPath(url.path().isEmpty() ? QStringLiteral("/") : url.path());
    if (url.hasQuery())
        path += u'\u0001' + url.query(QUrl::FullyEncoded);
    if (styleSheet && !path.endsWith(QLatin1String(".css")))
        path += QLatin1String("\u0001.css");
    return path;
}

bool isStyleSheet(const ArchivePart &part)
{
    return part.mimeType == "text/css";
}

QString decodeArchivedSheet(const ArchivePart &part)
{
    if (!part.charset.isEmpty()) {
        const QString decoded = decodeWithLabel(part.body, part.charset);
        if (!decoded.isNull())
            return decoded;
    }
    return decodeStyleSheet(part.body);
}

} // namespace

QString archivedPagePath(const ArchivePart &page)
{
    const QUrl url(page.location);
    if (url.isLocalFile())
        return QDir::cleanPath(url.toLocalFile());
    return pathForPart(url, false);
}

bool archivedSheetsWithinReach(const MhtmlArchive &archive)
{
    return std::none_of(archive.parts().begin(), archive.parts().end(),
                        [](const ArchivePart &part) {
        const QUrl url(part.location);
        return isStyleSheet(part) && !url.isLocalFile() && !isFromTheWeb(url);
    });
}

QString withLinksToArchivedSheets(const QString &html, const MhtmlArchive &archive,
                                  const QString &pageLocation)
{
    QHash<QString, QString> sheetPaths; // by URL
    for (const ArchivePart &part : archive.parts()) {
        const QUrl url(part.location);
        if (isStyleSheet(part) && isFromTheWeb(url))
            sheetPaths.insert(normalised(url), pathForPart(url, true));
    }
    if (sheetPaths.isEmpty())
        return html;
    static const QRegularExpression link(QStringLiteral("(\\bhref\\s*=\\s*)([\"'])([^\"'<>]*)\\2"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QUrl base(pageLocation);
    QString result;
    qsizetype copied = 0;
    for (QRegularExpressionMatchIterator it = link.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString reference = match.captured(3).trimmed();
        reference.replace(QLatin1String("&amp;"), QLatin1String("&"));
        const QString path = sheetPaths.value(normalised(base.resolved(QUrl(reference))));
        if (path.isEmpty())
            continue;
        result += QStringView(html).sliced(copied, match.capturedStart(3) - copied);
        result += QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        copied = match.capturedEnd(3);
    }
    if (copied == 0)
        return html;
    result += QStringView(html).sliced(copied);
    return result;
}

SheetLoader archivedSheetLoader(std::shared_ptr<const MhtmlArchive> archive)
{
    auto sheets = std::make_shared<QHash<QString, const ArchivePart *>>();
    for (const ArchivePart &part : archive->parts()) {
        const QString path = isStyleSheet(part) ? pathForPart(QUrl(part.location), true)
                                                : QString();
        if (!path.isEmpty() && !sheets->contains(path))
            sheets->insert(path, &part);
    }
    // Keeps the archive alive: the sheets found point into it.
    return [archive, sheets](const QString &path) -> std::shared_ptr<const StyleSheet> {
        const ArchivePart *part = sheets->value(path);
        if (!part)
            return nullptr;
        return std::make_shared<const StyleSheet>(
            parseStyleSheet(decodeArchivedSheet(*part), QUrl::fromLocalFile(path)));
    };
}
