#include "engine/PageType.h"

#include "engine/MimeSniffing.h"
#include "platform/RegularFile.h"

#include <QHash>

namespace {

// The browser engine's own extension table for local files, and the fonts it leaves to the
// platform; a name ending in anything else is sniffed.
const QHash<QByteArray, QByteArray> &mimeTypesByExtension()
{
    static const QHash<QByteArray, QByteArray> table = [] {
        const std::pair<const char *, const char *> groups[] = {
            {"text/html", "html htm shtml shtm ehtml"},
            {"application/xhtml+xml", "xhtml xht xhtm"},
            {"multipart/related", "mht mhtml"},
            {"text/xml", "xml xsl xbl xslt"},
            {"text/css", "css"},
            {"text/javascript", "js mjs"},
            {"application/json", "json"},
            {"text/plain", "txt text"},
            {"text/csv", "csv"},
            {"text/calendar", "ics"},
            {"text/x-sh", "sh"},
            {"image/png", "png"},
            {"image/apng", "apng"},
            {"image/gif", "gif"},
            {"image/jpeg", "jpeg jpg jfif pjpeg pjp"},
            {"image/webp", "webp"},
            {"image/avif", "avif"},
            {"image/bmp", "bmp"},
            {"image/tiff", "tiff tif"},
            {"image/x-icon", "ico"},
            {"image/x-xbitmap", "xbm"},
            {"image/svg+xml", "svg svgz"},
            {"audio/mpeg", "mp3"},
            {"audio/flac", "flac"},
            {"audio/ogg", "ogg oga opus"},
            {"audio/wav", "wav"},
            {"audio/webm", "weba"},
            {"audio/x-m4a", "m4a"},
            {"video/webm", "webm"},
            {"video/mp4", "mp4 m4v"},
            {"video/ogg", "ogv ogm"},
            {"video/mpeg", "mpeg mpg"},
            {"font/woff", "woff"},
            {"font/woff2", "woff2"},
            {"font/ttf", "ttf"},
            {"font/otf", "otf"},
            {"application/vnd.ms-fontobject", "eot"},
            {"application/pdf", "pdf"},
            {"application/postscript", "ps eps ai"},
            {"application/rtf", "rtf"},
            {"application/epub+zip", "epub"},
            {"application/zip", "zip"},
            {"application/gzip", "gz tgz"},
            {"application/x-tar", "tar"},
            {"application/wasm", "wasm"},
            {"application/rdf+xml", "rdf"},
            {"application/rss+xml", "rss"},
            {"application/vnd.mozilla.xul+xml", "xul"},
            {"application/x-mpegurl", "m3u8"},
            {"application/x-shockwave-flash", "swf swl"},
            {"application/x-x509-ca-cert", "cer crt"},
            {"application/pkcs7-mime", "p7m p7c p7z"},
            {"application/pkcs7-signature", "p7s"},
            {"application/vnd.android.package-archive", "apk"},
            {"application/x-chrome-extension", "crx"},
            {"application/msword", "doc dot"},
            {"application/vnd.ms-excel", "xls"},
            {"application/vnd.ms-powerpoint", "ppt"},
            {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "docx"},
            {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", "xlsx"},
            {"application/vnd.openxmlformats-officedocument.presentationml.presentation", "pptx"},
            {"application/octet-stream", "bin exe com"},
            {"message/rfc822", "eml"},
        };
        QHash<QByteArray, QByteArray> byExtension;
        for (const auto &[mimeType, extensions] : groups) {
            for (const QByteArray &extension : QByteArray(extensions).split(' '))
                byExtension.insert(extension, mimeType);
        }
        return byExtension;
    }();
    return table;
}

QByteArray extensionOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    // A leading dot starts a hidden name, not an extension.
    if (dot <= slash + 1)
        return {};
    return path.sliced(dot + 1).toLower().toUtf8();
}

PageKind kindOf(const QByteArray &mimeType, const QByteArray &head)
{
    if (mimeType == "text/html")
        return PageKind::Html;
    if (mimeType == "application/xhtml+xml")
        return PageKind::Xhtml;
    if (mimeType == "multipart/related")
        return PageKind::Mhtml;
    if (mimeType == "text/xml" && isXhtmlRoot(head))
        return PageKind::Xhtml;
    return PageKind::NotAPage;
}

} // namespace

FileType fileTypeOf(const QString &path, const QByteArray &head)
{
    QByteArray mimeType = mimeTypesByExtension().value(extensionOf(path));
    if (mimeType.isEmpty())
        mimeType = sniffedMimeType(head);
    const PageKind kind = kindOf(mimeType, head);
    // Served as what it is parsed as: an XML document with an XHTML root is XHTML.
    return {kind, kind == PageKind::Xhtml ? QByteArrayLiteral("application/xhtml+xml") : mimeType};
}

FileType fileTypeOfFile(const QString &path)
{
    const FileType unread{PageKind::Html, "text/html"};
    RegularFile file(path);
    return file.isOpen() ? fileTypeOf(path, file.readStart(sniffedBytes)) : unread;
}
