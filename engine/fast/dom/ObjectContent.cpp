#include "engine/fast/dom/ObjectContent.h"

#include "engine/fast/dom/Dom.h"

#include <QSet>
#include <QUrl>

#include <algorithm>

namespace {

enum class Loads { Yes, No, Unknown };

bool isHtmlSpace(QChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Children other than white space and <param> elements are fallback content, comments too.
bool hasFallbackContent(const Dom &dom, int object)
{
    if (dom.node(object).holdsComment)
        return true;
    for (int child = dom.node(object).firstChild; child >= 0; child = dom.node(child).nextSibling) {
        const DomNode &node = dom.node(child);
        if (node.kind == DomNode::Comment)
            return true;
        if (node.kind == DomNode::Element
                ? !node.isElement("param")
                : !std::all_of(node.text.begin(), node.text.end(), isHtmlSpace))
            return true;
    }
    return false;
}

// Whether the browser loads a resource of a MIME type into the element: a picture, or a
// document or media it shows in a frame. Types it hands to plugins, which it has none of, and
// types it cannot show, leave the element to its fallback content.
Loads loadsType(const QString &type)
{
    static const QSet<QString> shown{"image/png",
                                     "image/jpeg",
                                     "image/jpg",
                                     "image/pjpeg",
                                     "image/gif",
                                     "image/webp",
                                     "image/bmp",
                                     "image/x-icon",
                                     "image/vnd.microsoft.icon",
                                     "image/avif",
                                     "image/apng",
                                     "image/x-png",
                                     "image/x-xbitmap",
                                     "image/svg+xml",
                                     "text/html",
                                     "text/plain",
                                     "text/css",
                                     "text/javascript",
                                     "text/xml",
                                     "application/javascript",
                                     "application/x-javascript",
                                     "application/xhtml+xml",
                                     "application/xml",
                                     "application/rss+xml",
                                     "application/atom+xml",
                                     "application/json",
                                     "application/ld+json",
                                     "application/manifest+json",
                                     "multipart/related",
                                     "message/rfc822",
                                     "video/mp4",
                                     "video/webm",
                                     "video/ogg",
                                     "video/3gpp",
                                     "audio/mpeg",
                                     "audio/mp3",
                                     "audio/mp4",
                                     "audio/x-m4a",
                                     "audio/aac",
                                     "audio/ogg",
                                     "audio/webm",
                                     "audio/wav",
                                     "audio/x-wav",
                                     "audio/flac"};
    static const QSet<QString> notShown{"application/x-shockwave-flash",
                                        "application/futuresplash",
                                        "application/vnd.adobe.flash-movie",
                                        "application/x-java-applet",
                                        "application/pdf",
                                        "application/octet-stream",
                                        "application/zip",
                                        "application/x-silverlight-2",
                                        "application/x-mplayer2",
                                        "application/x-director",
                                        "application/x-vlc-plugin",
                                        "video/quicktime",
                                        "video/x-ms-wmv",
                                        "video/x-flv",
                                        "video/mpeg",
                                        "video/x-msvideo",
                                        "audio/midi",
                                        "image/tiff",
                                        "image/heic",
                                        "text/csv",
                                        "text/calendar"};
    if (shown.contains(type))
        return Loads::Yes;
    return notShown.contains(type) ? Loads::No : Loads::Unknown;
}

// The same for a resource without a type, known by the extension of its URL's last path
// segment only. The browser knows some extensions' types; for any other it loads a frame.
Loads loadsByExtension(const QString &data)
{
    static const QSet<QString> shown{
        "",     "png",   "jpg",   "jpe", "jpeg", "jfif", "pjpeg", "pjp",   "gif",  "webp", "bmp",
        "ico",  "avif",  "apng",  "xbm", "svg",  "svgz", "heic",  "heif",  "html", "htm",  "shtml",
        "shtm", "ehtml", "xhtml", "xht", "xhtm", "xml",  "xsl",   "xbl",   "xslt", "mht",  "mhtml",
        "eml",  "txt",   "text",  "md",  "vtt",  "css",  "js",    "mjs",   "json", "atom", "sh",
        "mp4",  "m4v",   "m4a",   "mp3", "aac",  "webm", "weba",  "ogg",   "oga",  "ogv",  "ogm",
        "opus", "wav",   "flac",  "3gp", "mkv",  "wma",  "mov",   "flv",   "wmv",  "avi",  "mid",
        "midi", "rm",    "php",   "asp", "aspx", "cgi",  "jsp",   "class", "jar",  "xap",  "dcr",
        "doc",  "docx",  "ppt",   "odt", "rar",  "7z",   "ttf",   "otf",   "woff2"};
    static const QSet<QString> notShown{
        "swf", "swl",  "pdf",  "tif",  "tiff", "jxl", "mpg", "mpeg", "ps",  "eps", "ai",   "csv",
        "ics", "rtf",  "rdf",  "xul",  "zip",  "gz",  "tgz", "tar",  "bin", "exe", "com",  "apk",
        "crx", "wasm", "epub", "woff", "p7m",  "p7c", "p7z", "p7s",  "cer", "crt", "m3u8", "xls"};
    QString segment = QUrl(data).path();
    while (segment.endsWith('/'))
        segment.chop(1);
    segment = segment.section('/', -1);
    const qsizetype dot = segment.lastIndexOf('.');
    const QString extension = dot < 0 ? QString() : segment.mid(dot + 1).toLower();
    if (shown.contains(extension))
        return Loads::Yes;
    return notShown.contains(extension) ? Loads::No : Loads::Unknown;
}

// Whether the browser loads what the element names, by its type attribute (up to any
// parameters), else by its URL.
Loads loadsResource(const DomNode &object)
{
    const QString data = object.attribute(QLatin1String("data")).trimmed();
    const QString type = object.attribute(QLatin1String("type")).section(';', 0, 0).toLower();
    if (data.isEmpty() && type.isEmpty())
        return Loads::No;
    return type.isEmpty() ? loadsByExtension(data) : loadsType(type);
}

} // namespace

ObjectShows objectShows(const Dom &dom, int object)
{
    // An element with nothing to fall back on keeps its box even when it loads nothing.
    if (!hasFallbackContent(dom, object))
        return ObjectShows::Box;
    switch (loadsResource(dom.node(object))) {
    case Loads::Yes:
        return ObjectShows::Box;
    case Loads::No:
        return ObjectShows::FallbackContent;
    case Loads::Unknown:
        break;
    }
    return ObjectShows::Unknown;
}

bool embedMakesBox(const DomNode &embed)
{
    return embed.hasAttribute(QLatin1String("src")) || embed.hasAttribute(QLatin1String("type"));
}

bool holdsUncertainObject(const Dom &dom)
{
    for (int at = 0; at < dom.size(); ++at) {
        if (dom.node(at).isElement("object") && objectShows(dom, at) == ObjectShows::Unknown)
            return true;
    }
    return false;
}
