#include "engine/fast/archive/MhtmlArchive.h"

#include "engine/fast/HexDigit.h"

#include <QList>

#include <algorithm>
#include <utility>

namespace {

// More parts than any saved page holds; the rest of a larger archive is not read.
constexpr size_t maxParts = 10'000;

struct Headers
{
    QList<std::pair<QByteArray, QByteArray>> fields; // names in lower case
    qsizetype bodyStart = 0;

    QByteArray value(const char *name) const
    {
        for (const auto &[fieldName, fieldValue] : fields) {
            if (fieldName == name)
                return fieldValue;
        }
        return {};
    }
};

// The header block that starts at `from`, up to the empty line; folded lines are unfolded.
Headers readHeaders(const QByteArray &bytes, qsizetype from)
{
    Headers headers;
    qsizetype at = from;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        QByteArray line = bytes.mid(at, end - at);
        if (line.endsWith('\r'))
            line.chop(1);
        at = end + 1;
        if (line.isEmpty())
            break;
        if ((line[0] == ' ' || line[0] == '\t') && !headers.fields.isEmpty()) {
            headers.fields.last().second += ' ' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            headers.fields.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    headers.bodyStart = std::min(at, bytes.size());
    return headers;
}

// A parameter of a header value such as `multipart/related; boundary="x"; type=text/html`.
QByteArray parameter(const QByteArray &value, const QByteArray &name)
{
    const QList<QByteArray> pieces = value.split(';');
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray piece = pieces[i].trimmed();
        const qsizetype equals = piece.indexOf('=');
        if (equals < 0 || piece.left(equals).trimmed().toLower() != name)
            continue;
        QByteArray found = piece.mid(equals + 1).trimmed();
        if (found.size() >= 2 && found.startsWith('"') && found.endsWith('"'))
            found = found.mid(1, found.size() - 2);
        return found;
    }
    return {};
}

QByteArray mimeTypeOf(const QByteArray &contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return (semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed().toLower();
}

QByteArray fromQuotedPrintable(const QByteArray &encoded)
{
    QByteArray decoded;
    decoded.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c != '=') {
            decoded += c;
            continue;
        }
        // A soft line break joins two lines; "=XX" is a byte.
        if (i + 1 < encoded.size() && encoded[i + 1] == '\n') {
            ++i;
        } else if (i + 2 < encoded.size() && encoded[i + 1] == '\r' && encoded[i + 2] == '\n') {
            i += 2;
        } else if (i + 2 < encoded.size() && hexDigitValue(encoded[i + 1]) >= 0
                   && hexDigitValue(encoded[i + 2]) >= 0) {
            decoded += char(hexDigitValue(encoded[i + 1]) * 16 + hexDigitValue(encoded[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

QByteArray decodedBody(const QByteArray &body, const QByteArray &transferEncoding)
{
    const QByteArray encoding = transferEncoding.trimmed().toLower();
    if (encoding == "quoted-printable")
        return fromQuotedPrintable(body);
    if (encoding == "base64")
        return QByteArray::fromBase64(body);
    return body;
}

QByteArray withoutAngleBrackets(QByteArray id)
{
    id = id.trimmed();
    if (id.startsWith('<') && id.endsWith('>'))
        id = id.mid(1, id.size() - 2);
    return id;
}

// Where the next delimiter line "--boundary" starts, at or after `from`; -1 when none follows.
qsizetype nextDelimiter(const QByteArray &bytes, const QByteArray &delimiter, qsizetype from)
{
    for (qsizetype at = bytes.indexOf(delimiter, from); at >= 0; at = bytes.indexOf(delimiter, at + 1)) {
        if (at == 0 || bytes[at - 1] == '\n')
            return at;
    }
    return -1;
}

} // namespace

MhtmlArchive::MhtmlArchive(const QByteArray &bytes)
{
    const Headers message = readHeaders(bytes, 0);
    const QByteArray contentType = message.value("content-type");
    const QByteArray boundary = parameter(contentType, "boundary");
    if (!mimeTypeOf(contentType).startsWith("multipart/") || boundary.isEmpty())
        return;
    m_startId = withoutAngleBrackets(parameter(contentType, "start"));
    const QByteArray delimiter = "--" + boundary;
    qsizetype at = nextDelimiter(bytes, delimiter, message.bodyStart);
    while (at >= 0 && m_parts.size() < maxParts) {
        at += delimiter.size();
        if (bytes.mid(at, 2) == "--")
            break; // the closing delimiter
        const qsizetype lineEnd = bytes.indexOf('\n', at);
        if (lineEnd < 0)
            break;
        const Headers headers = readHeaders(bytes, lineEnd + 1);
        const qsizetype next = nextDelimiter(bytes, delimiter, headers.bodyStart);
        qsizetype bodyEnd = next < 0 ? bytes.size() : next;
        // The line break before a delimiter belongs to the delimiter.
        if (bodyEnd > headers.bodyStart && bytes[bodyEnd - 1] == '\n')
            --bodyEnd;
        if (bodyEnd > headers.bodyStart && bytes[bodyEnd - 1] == '\r')
            --bodyEnd;
        const QByteArray partType = headers.value("content-type");
        m_parts.push_back({mimeTypeOf(partType), parameter(partType, "charset").trimmed(),
                           QString::fromUtf8(headers.value("content-location")),
                           withoutAngleBrackets(headers.value("content-id")),
                           decodedBody(bytes.mid(headers.bodyStart, bodyEnd - headers.bodyStart),
                                       headers.value("content-transfer-encoding"))});
        at = next;
    }
    for (size_t i = 0; i < m_parts.size(); ++i) {
        if (!m_parts[i].location.isEmpty() && !m_partsByLocation.contains(m_parts[i].location))
            m_partsByLocation.insert(m_parts[i].location, i);
    }
}

const ArchivePart *MhtmlArchive::mainPart() const
{
    if (m_parts.empty())
        return nullptr;
    if (!m_startId.isEmpty()) {
        const auto start = std::find_if(m_parts.begin(), m_parts.end(), [this](const ArchivePart &part) {
            return part.contentId == m_startId;
        });
        if (start != m_parts.end())
            return &*start;
    }
    return &m_parts.front();
}

const ArchivePart *MhtmlArchive::partAt(const QString &location) const
{
    const auto found = m_partsByLocation.constFind(location);
    return found == m_partsByLocation.constEnd() ? nullptr : &m_parts[*found];
}
