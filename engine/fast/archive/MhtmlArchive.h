#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

// One resource of a page saved as one file, its body decoded from its transfer encoding (but
// not from its charset).
struct ArchivePart
{
    QByteArray mimeType;  // lower case, without parameters
    QByteArray charset;   // as the resource declares it; empty when it does not
    QString location;     // its Content-Location, the URL it was saved from
    QByteArray contentId; // without the angle brackets
    QByteArray body;
};

// A page saved as one file (MHTML: a MIME multipart/related message, as browsers save pages),
// split into its parts as the browser engine splits it: lines end in CR LF, and an archive it
// does not read to its closing delimiter (lines ended by LF alone, a part cut short) holds no
// part at all. Only the archive's own bytes are ever looked at.
class MhtmlArchive
{
public:
    explicit MhtmlArchive(const QByteArray &bytes);

    // The page itself: the resource the message names as its start, else the first one; null when
    // the bytes are no such archive.
    const ArchivePart *mainPart() const;
    // The resource saved from a URL; null when the archive holds none.
    const ArchivePart *partAt(const QString &location) const;
    const std::vector<ArchivePart> &parts() const { return m_parts; }

private:
    std::vector<ArchivePart> m_parts;
    QHash<QString, size_t> m_partsByLocation; // the first part saved from each URL
    QByteArray m_startId;
};
