#pragma once

#include <QByteArray>
#include <QString>

// What a browser makes of a file it opens from disk.
enum class PageKind {
    Html,     // parsed as HTML
    Xhtml,    // parsed as XML, its elements those of HTML
    Mhtml,    // a page saved as one file (a MIME multipart/related archive)
    NotAPage, // shown as an image, text or media, or downloaded: there is no page to read
};

struct FileType
{
    PageKind kind = PageKind::Html;
    QByteArray mimeType;

    bool isPage() const { return kind != PageKind::NotAPage; }
};

// The type of a file as a browser decides it when opening it from disk: by its extension, by
// the browser's own table (so that a platform's wider list of names, which takes "page.bak"
// for a backup, does not count), and for a name without a known extension by sniffing the
// file's first bytes (`head`; sniffedBytes of them are enough). An XML document whose root is
// XHTML's <html> is a page.
FileType fileTypeOf(const QString &path, const QByteArray &head);

// The same, reading the head of the file itself. Only a regular file is read, and opening
// never waits (a pipe has no head); a file that cannot be read is taken for HTML, so that
// loading it reports why.
FileType fileTypeOfFile(const QString &path);
