#include "engine/fast/archive/MhtmlArchive.h"

#include "engine/fast/dom/HexDigit.h"

#include <QList>
#include <QString>
#include <QUtf8StringView>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// More parts than any saved page holds; the rest of a larger archive is not read.
constexpr size_t maxParts = 10'000;
// "multipart/alternative" parts inside one another.
constexpr int maxNesting = 8;

// An archive's lines as the browser reads them: ended by CR LF only, so that an LF alone is
// part of its line (an archive whose lines end in LF alone is one long line, and no archive).
class ArchiveLines
{
public:
    explicit ArchiveLines(QByteArrayView bytes) : m_bytes(bytes) {}

    // The next line, without its CR LF; nullopt at the end.
    std::optional<QByteArrayView> next()
    {
        if (m_at >= m_bytes.size())
            return std::nullopt;
        const qsizetype end = m_bytes.indexOf("\r\n", m_at);
        const qsizetype lineEnd = end < 0 ? m_bytes.size() : end;
        const QByteArrayView line = m_bytes.sliced(m_at, lineEnd - m_at);
        m_at = end < 0 ? m_bytes.size() : end + 2;
        return line;
    }

    // The bytes up to the next `separator`, after which the reader then stands; nullopt when no
    // separator follows.
    std::optional<QByteArrayView> upTo(QByteArrayView separator)
    {
        const qsizetype found = m_bytes.indexOf(separator, m_at);
        if (found < 0)
            return std::nullopt;
        const QByteArrayView chunk = m_bytes.sliced(m_at, found - m_at);
        m_at = found + separator.size();
        return chunk;
    }

    QByteArrayView peek(qsizetype count) const
    {
        return m_bytes.sliced(m_at).first(std::min(count, m_bytes.size() - m_at));
    }

    // Steps past the next line that is `line`; false at the end.
    bool skipPast(QByteArrayView line)
    {
        for (std::optional<QByteArrayView> each = next(); each; each = next()) {
            if (*each == line)
                return true;
        }
        return false;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

struct Headers
{
    QList<std::pair<QByteArray, QByteArray>> fields; // names in lower case

    QByteArray value(const char *name) const
    {
        for (const auto &[fieldName, fieldValue] : fields) {
            if (fieldName == name)
                return fieldValue;
        }
        return {};
    }
};

// The header block up to the empty line. As the browser reads it, a line that starts with a
// space or a tab goes on the one before (less that character), and a line without a colon is
// no field.
Headers readHeaders(ArchiveLines &lines)
{
    Headers headers;
    bool lastIsField = false;
    for (std::optional<QByteArrayView> line = lines.next(); line && !line->isEmpty();
         line = lines.next()) {
        if (line->startsWith('\t') || line->startsWith(' ')) {
            if (lastIsField)
                headers.fields.last().second += line->sliced(1);
            continue;
        }
        const qsizetype colon = line->indexOf(':');
        lastIsField = colon >= 0;
        if (lastIsField)
            headers.fields.append({line->first(colon).trimmed().toByteArray().toLower(),
                                   line->sliced(colon + 1).toByteArray()});
    }
    for (auto &field : headers.fields)
        field.second = field.second.trimmed();
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

QByteArray withoutAngleBrackets(QByteArray id)
{
    id = id.trimmed();
    if (id.startsWith('<') && id.endsWith('>'))
        id = id.mid(1, id.size() - 2);
    return id;
}

enum class TransferEncoding { Base64, QuotedPrintable, Text, Binary };

// As the browser takes it: 7bit and 8bit are text, anything unknown or missing binary.
TransferEncoding transferEncodingOf(const QByteArray &value)
{
    const QByteArray encoding = value.trimmed().toLower();
    if (encoding == "base64")
        return TransferEncoding::Base64;
    if (encoding == "quoted-printable")
        return TransferEncoding::QuotedPrintable;
    if (encoding == "7bit" || encoding == "8bit")
        return TransferEncoding::Text;
    return TransferEncoding::Binary;
}

// A line of a text part as the browser engine keeps it: read as UTF-8 (or else as Latin-1),
// then written in UTF-8 but cut to as many bytes as the text has UTF-16 units, which cuts a line
// that is not ASCII short.
QByteArray keptLine(QByteArrayView line)
{
    const QString text = QUtf8StringView(line).isValidUtf8() ? QString::fromUtf8(line)
                                                             : QString::fromLatin1(line);
    return text.toUtf8().first(text.size());
}

// Base64 without white space or any other byte, as the browser decodes it; padding may go.
std::optional<QByteArray> fromStrictBase64(const QByteArray &encoded)
{
    const QByteArray data = encoded.endsWith("==") ? encoded.chopped(2)
        : encoded.endsWith('=')                    ? encoded.chopped(1)
                                                   : encoded;
    const auto isBase64 = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || c == '+' || c == '/';
    };
    if (!std::all_of(data.begin(), data.end(), isBase64))
        return std::nullopt;
    return QByteArray::fromBase64(data);
}

// A binary part runs up to its delimiter wherever it stands, less a CR LF before it; after the
// delimiter come "--" or the end of the line.
std::optional<QByteArray> binaryBody(ArchiveLines &lines, const QByteArray &delimiter, bool &closed)
{
    const std::optional<QByteArrayView> chunk = lines.upTo(delimiter);
    if (!chunk)
        return std::nullopt;
    QByteArrayView content = *chunk;
    if (content.endsWith("\r\n"))
        content.chop(2);
    const QByteArrayView after = lines.peek(2);
    if (after.size() != 2)
        return std::nullopt;
    closed = after == "--";
    if (!closed) {
        const std::optional<QByteArrayView> rest = lines.next();
        if (rest && !rest->isEmpty())
            return std::nullopt;
    }
    return content.toByteArray();
}

// The body of a section whose headers were just read, decoded from its transfer encoding, up to
// the line of a delimiter (closed: the closing one); nullopt when none comes. A text part's
// lines are joined without their line ends, but for quoted-printable's.
std::optional<QByteArray> partBody(ArchiveLines &lines, const Headers &headers,
                                   const QByteArray &delimiter, const QByteArray &closing,
                                   bool &closed)
{
    const TransferEncoding encoding = transferEncodingOf(
        headers.value("content-transfer-encoding"));
    if (encoding == TransferEncoding::Binary)
        return binaryBody(lines, delimiter, closed);
    QByteArray content;
    for (std::optional<QByteArrayView> line = lines.next(); line; line = lines.next()) {
        closed = *line == closing;
        if (closed || *line == delimiter) {
            if (encoding == TransferEncoding::Base64)
                return fromStrictBase64(content);
            return encoding == TransferEncoding::QuotedPrintable ? fromQuotedPrintable(content)
                                                                 : content;
        }
        content += keptLine(*line);
        if (encoding == TransferEncoding::QuotedPrintable)
            content += "\r\n";
    }
    return std::nullopt;
}

// Each section of a multipart body, as the browser reads them: from the first line that is its
// delimiter to the one that closes it; a "multipart/alternative" part's own parts in its place.
bool readMultipart(ArchiveLines &lines, const QByteArray &contentType, int depth,
                   std::vector<ArchivePart> &parts)
{
    const QByteArray boundary = parameter(contentType, "boundary");
    if (!mimeTypeOf(contentType).startsWith("multipart/") || boundary.isEmpty()
        || depth > maxNesting)
        return false;
    const QByteArray delimiter = "--" + boundary;
    const QByteArray closing = delimiter + "--";
    lines.skipPast(delimiter);
    for (bool closed = false; !closed;) {
        if (parts.size() >= maxParts)
            return false;
        const Headers headers = readHeaders(lines);
        const QByteArray partType = headers.value("content-type");
        if (mimeTypeOf(partType) == "multipart/alternative") {
            if (!readMultipart(lines, partType, depth + 1, parts))
                return false;
            lines.skipPast(delimiter);
            continue;
        }
        std::optional<QByteArray> body = partBody(lines, headers, delimiter, closing, closed);
        if (!body)
            return false;
        parts.push_back({mimeTypeOf(partType), parameter(partType, "charset").trimmed(),
                         QString::fromUtf8(headers.value("content-location")),
                         withoutAngleBrackets(headers.value("content-id")), std::move(*body)});
    }
    return true;
}

} // namespace

MhtmlArchive::MhtmlArchive(const QByteArray &bytes)
{
    ArchiveLines lines(bytes);
    const QByteArray contentType = readHeaders(lines).value("content-type");
    m_startId = withoutAngleBrackets(parameter(contentType, "start"));
    // Anything the browser does not read to its end gives no resource at all.
    if (!readMultipart(lines, contentType, 0, m_parts))
        m_parts.clear();
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
        const auto start = std::find_if(m_parts.begin(), m_parts.end(),
                                        [this](const ArchivePart &part) {
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
