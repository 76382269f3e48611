#include "engine/PageDecoding.h"

#include "engine/ChineseDecoding.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>
#include <vector>

#include <iconv.h>

namespace {

// The encodings browsers know, by the labels that name them, and the iconv name that decodes
// each (the browsers' windows-31j and windows-949 variants of the East Asian ones; the GB
// family is decoded apart).
const QHash<QByteArray, QByteArray> &encodingsByLabel()
{
    static const QHash<QByteArray, QByteArray> table = [] {
        const std::pair<const char *, const char *> groups[] = {
            {"UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
            {"WINDOWS-1252",
             "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 "
             "iso-ir-100 iso8859-1 iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 "
             "us-ascii windows-1252 x-cp1252 x-user-defined"},
            {"ISO-8859-2",
             "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 "
             "iso_8859-2:1987 l2 latin2"},
            {"ISO-8859-3",
             "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 "
             "iso_8859-3:1988 l3 latin3"},
            {"ISO-8859-4",
             "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 "
             "iso_8859-4:1988 l4 latin4"},
            {"ISO-8859-5",
             "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 "
             "iso_8859-5 iso_8859-5:1988"},
            {"ISO-8859-6",
             "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 "
             "iso-8859-6 iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6 iso88596 "
             "iso_8859-6 iso_8859-6:1987"},
            {"ISO-8859-7",
             "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 "
             "iso8859-7 iso88597 iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
            {"ISO-8859-8",
             "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e "
             "iso-ir-138 iso8859-8 iso88598 iso_8859-8 iso_8859-8:1988 visual "
             "csiso88598i iso-8859-8-i logical"},
            {"ISO-8859-10", "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
            {"ISO-8859-13", "iso-8859-13 iso8859-13 iso885913"},
            {"ISO-8859-14", "iso-8859-14 iso8859-14 iso885914"},
            {"ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
            {"KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r"},
            {"KOI8-U", "koi8-ru koi8-u"},
            {"MACINTOSH", "csmacintosh mac macintosh x-mac-roman"},
            {"CP874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
            {"WINDOWS-1250", "cp1250 windows-1250 x-cp1250"},
            {"WINDOWS-1251", "cp1251 windows-1251 x-cp1251"},
            {"WINDOWS-1254",
             "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 "
             "iso_8859-9 iso_8859-9:1989 l5 latin5 windows-1254 x-cp1254"},
            {"WINDOWS-1253", "cp1253 windows-1253 x-cp1253"},
            {"WINDOWS-1255", "cp1255 windows-1255 x-cp1255"},
            {"WINDOWS-1256", "cp1256 windows-1256 x-cp1256"},
            {"WINDOWS-1257", "cp1257 windows-1257 x-cp1257"},
            {"WINDOWS-1258", "cp1258 windows-1258 x-cp1258"},
            {"MAC-CYRILLIC", "x-mac-cyrillic x-mac-ukrainian"},
            {"CP866", "866 cp866 csibm866 ibm866"},
            {"GBK",
             "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 "
             "x-gbk"},
            {"GB18030", "gb18030"},
            {"BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
            {"EUC-JP", "cseucpkdfmtjapanese euc-jp x-euc-jp"},
            {"ISO-2022-JP", "csiso2022jp iso-2022-jp"},
            {"CP932", "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
            {"CP949",
             "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 "
             "ks_c_5601-1989 ksc5601 ksc_5601 windows-949"},
            {"UTF-16LE", "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
            {"UTF-16BE", "unicodefffe utf-16be"},
        };
        QHash<QByteArray, QByteArray> byLabel;
        for (const auto &[encoding, labels] : groups) {
            for (const QByteArray &label : QByteArray(labels).split(' '))
                byLabel.insert(label, encoding);
        }
        return byLabel;
    }();
    return table;
}

QByteArray encodingForLabel(const QByteArray &label)
{
    return encodingsByLabel().value(label.trimmed().toLower());
}

// Whether a label names an encoding decoded here as the browser decodes it. Not so: the labels
// of the "replacement" encoding (the browser shows a page in it as one U+FFFD), labels unknown
// here (the browser decodes utf-7, say), and those below.
bool isDecodedExactly(const QByteArray &label)
{
    // The Japanese, Korean and traditional Chinese encodings: the browser engine's tables for
    // them differ from the system's in thousands of sequences (vendors' extensions, circled
    // numbers among them, and unassigned ones).
    static const QByteArrayList approximate{"CP932", "EUC-JP", "ISO-2022-JP", "CP949",
                                            "BIG5-HKSCS"};
    const QByteArray encoding = encodingForLabel(label);
    return !encoding.isEmpty() && !approximate.contains(encoding);
}

// Decodes with iconv, putting U+FFFD for each byte it cannot decode.
QString decodeWithIconv(const QByteArray &bytes, const QByteArray &encoding)
{
    iconv_t converter = iconv_open("UTF-16LE", encoding.constData());
    if (converter == iconv_t(-1))
        return QString::fromUtf8(bytes);
    QString result;
    std::array<char, 16384> buffer;
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
        result += QStringView(reinterpret_cast<const char16_t *>(buffer.data()),
                              qsizetype((buffer.size() - outLeft) / 2));
        if (converted == size_t(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement character, then go on after it.
            result += QChar::ReplacementCharacter;
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Out with a character held back for a combining mark that might have followed.
    char *out = buffer.data();
    size_t outLeft = buffer.size();
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    result += QStringView(reinterpret_cast<const char16_t *>(buffer.data()),
                          qsizetype((buffer.size() - outLeft) / 2));
    iconv_close(converter);
    return result;
}

bool isSingleByteTable(const QByteArray &encoding)
{
    return encoding.startsWith("WINDOWS-") || encoding.startsWith("ISO-8859")
        || encoding.startsWith("KOI8") || encoding == "MACINTOSH" || encoding == "CP874"
        || encoding == "MAC-CYRILLIC" || encoding == "CP866";
}

// Where the browser's tables differ from the system's (newer editions of the Mac's, the
// private use characters Windows gives the holes of code page 874).
struct ByteAssignment
{
    const char *encoding;
    uchar byte;
    char16_t codePoint;
};
constexpr ByteAssignment browsersOwnAssignments[] = {
    {"MACINTOSH", 0xC6, 0x2206},    {"MACINTOSH", 0xF0, 0xF8FF}, {"MAC-CYRILLIC", 0xFF, 0x20AC},
    {"WINDOWS-1253", 0xAA, 0x00AA}, {"CP874", 0xDB, 0xF8C1},     {"CP874", 0xDC, 0xF8C2},
    {"CP874", 0xDD, 0xF8C3},        {"CP874", 0xDE, 0xF8C4},     {"CP874", 0xFC, 0xF8C5},
    {"CP874", 0xFD, 0xF8C6},        {"CP874", 0xFE, 0xF8C7},     {"CP874", 0xFF, 0xF8C8}};

// A byte from 0x80 to 0x9F that a code page leaves unassigned decodes to the C1 control of its
// own value, as browsers do for the holes of windows-1252; a higher one to U+FFFD.
QString decodeSingleByte(const QByteArray &bytes, const QByteArray &encoding)
{
    // Pages are read on several threads at once.
    static std::mutex tablesMutex;
    static QHash<QByteArray, std::array<char16_t, 256>> tables;
    std::unique_lock lock(tablesMutex);
    auto found = tables.find(encoding);
    if (found == tables.end()) {
        std::array<char16_t, 256> table{};
        for (int byte = 0; byte < 256; ++byte) {
            const QString decoded = decodeWithIconv(QByteArray(1, char(byte)), encoding);
            table[size_t(byte)] = decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter
                ? decoded[0].unicode()
                : byte < 0xA0 ? char16_t(byte)
                              : char16_t(QChar::ReplacementCharacter);
        }
        for (const ByteAssignment &assignment : browsersOwnAssignments) {
            if (encoding == assignment.encoding)
                table[assignment.byte] = assignment.codePoint;
        }
        found = tables.insert(encoding, table);
    }
    const std::array<char16_t, 256> table = *found;
    lock.unlock();
    QString result(bytes.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (char byte : bytes)
        *out++ = QChar(table[uchar(byte)]);
    return result;
}

// UTF-8 as the WHATWG Encoding standard decodes it: each maximal invalid or cut-off part of
// a sequence becomes one U+FFFD (a lone "E2 82" one, not two), written here as UTF-8 again.
// Returns the bytes themselves, shared, when they are valid already.
QByteArray withUtf8ErrorsReplaced(const QByteArray &bytes)
{
    static constexpr char replacement[] = "\xEF\xBF\xBD";
    QByteArray result;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype validUpTo = 0; // bytes before it not yet copied are all valid
    const auto replace = [&](qsizetype from, qsizetype to) {
        if (result.isNull())
            result.reserve(size + 16);
        result.append(bytes.constData() + validUpTo, from - validUpTo);
        result.append(replacement, 3);
        validUpTo = to;
    };
    for (qsizetype at = 0; at < size;) {
        const uchar lead = data[at];
        if (lead < 0x80) {
            ++at;
            continue;
        }
        int needed = 0;
        uchar lower = 0x80, upper = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            lower = lead == 0xE0 ? 0xA0 : 0x80;
            upper = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            lower = lead == 0xF0 ? 0x90 : 0x80;
            upper = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            replace(at, at + 1);
            ++at;
            continue;
        }
        qsizetype end = at + 1;
        for (int seen = 0; seen < needed; ++seen, ++end) {
            if (end >= size || data[end] < lower || data[end] > upper)
                break;
            lower = 0x80;
            upper = 0xBF;
        }
        if (end - at == needed + 1) {
            at = end;
        } else {
            // The byte that broke the sequence starts afresh.
            replace(at, end);
            at = end;
        }
    }
    if (result.isNull())
        return bytes;
    result.append(bytes.constData() + validUpTo, size - validUpTo);
    return result;
}

bool isValidUtf8(const QByteArray &bytes)
{
    return withUtf8ErrorsReplaced(bytes).constData() == bytes.constData();
}

QString decodeAs(const QByteArray &bytes, const QByteArray &encoding)
{
    if (encoding == "UTF-8")
        return QString::fromUtf8(withUtf8ErrorsReplaced(bytes));
    if (isSingleByteTable(encoding))
        return decodeSingleByte(bytes, encoding);
    if (encoding == "GBK" || encoding == "GB18030")
        return decodeGb(bytes, encoding == "GBK" ? GbEncoding::Gbk : GbEncoding::Gb18030);
    return decodeWithIconv(bytes, encoding);
}

// --- The prescan of the page's head for a <meta> charset -------------------------------------

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

class Prescan
{
public:
    explicit Prescan(const QByteArray &bytes) : m_bytes(bytes) {}

    QByteArray charset()
    {
        // The first 1024 bytes are always looked at, and beyond them as long as only what
        // belongs in a head has come.
        bool inHead = true;
        while (m_at < m_bytes.size() && (inHead || m_at < 1024)) {
            if (skip("<!--")) {
                const qsizetype end = m_bytes.indexOf("-->", m_at);
                m_at = end < 0 ? m_bytes.size() : end + 3;
            } else if (m_bytes[m_at] == '<' && m_at + 1 < m_bytes.size()
                       && (isLetter(m_bytes[m_at + 1]) || m_bytes[m_at + 1] == '/')) {
                const bool endTag = m_bytes[m_at + 1] == '/';
                m_at += endTag ? 2 : 1;
                const QByteArray name = tagName();
                QByteArray found;
                if (!endTag && name == "meta")
                    found = metaCharset();
                else
                    skipAttributes();
                if (!found.isEmpty())
                    return found;
                if (!belongsInHead(name))
                    inHead = false;
                if (!endTag
                    && (name == "script" || name == "style" || name == "title" || name == "textarea"
                        || name == "xmp")) {
                    const qsizetype end = m_bytes.indexOf("</" + name, m_at);
                    m_at = end < 0 ? m_bytes.size() : end;
                }
            } else if (skip("<!") || skip("</") || skip("<?")) {
                const qsizetype end = m_bytes.indexOf('>', m_at);
                m_at = end < 0 ? m_bytes.size() : end + 1;
            } else {
                // Text other than white space starts the body.
                if (!isSpace(m_bytes[m_at]))
                    inHead = false;
                ++m_at;
            }
        }
        return {};
    }

private:
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    static bool belongsInHead(const QByteArray &name)
    {
        static const QByteArrayList names{"html",  "head",   "meta",    "link",
                                          "title", "style",  "script",  "noscript",
                                          "base",  "object", "template"};
        return names.contains(name);
    }

    bool skip(const char *text)
    {
        const QByteArray expected(text);
        if (m_bytes.mid(m_at, expected.size()) != expected)
            return false;
        m_at += expected.size();
        return true;
    }

    QByteArray tagName()
    {
        const qsizetype start = m_at;
        while (m_at < m_bytes.size() && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '>'
               && m_bytes[m_at] != '/')
            ++m_at;
        return m_bytes.mid(start, m_at - start).toLower();
    }

    // Reads one attribute; false at the end of the tag.
    bool attribute(QByteArray &name, QByteArray &value)
    {
        while (m_at < m_bytes.size() && (isSpace(m_bytes[m_at]) || m_bytes[m_at] == '/'))
            ++m_at;
        if (m_at >= m_bytes.size() || m_bytes[m_at] == '>') {
            ++m_at;
            return false;
        }
        name.clear();
        value.clear();
        do {
            name += char(std::tolower(uchar(m_bytes[m_at++])));
        } while (m_at < m_bytes.size() && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '='
                 && m_bytes[m_at] != '>' && m_bytes[m_at] != '/');
        while (m_at < m_bytes.size() && isSpace(m_bytes[m_at]))
            ++m_at;
        if (m_at >= m_bytes.size() || m_bytes[m_at] != '=')
            return true;
        ++m_at;
        while (m_at < m_bytes.size() && isSpace(m_bytes[m_at]))
            ++m_at;
        if (m_at < m_bytes.size() && (m_bytes[m_at] == '"' || m_bytes[m_at] == '\'')) {
            const char quote = m_bytes[m_at++];
            const qsizetype end = m_bytes.indexOf(quote, m_at);
            const qsizetype stop = end < 0 ? m_bytes.size() : end;
            value = m_bytes.mid(m_at, stop - m_at);
            m_at = stop + 1;
        } else {
            while (m_at < m_bytes.size() && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '>')
                value += m_bytes[m_at++];
        }
        return true;
    }

    void skipAttributes()
    {
        QByteArray name, value;
        while (attribute(name, value)) {
        }
    }

    QByteArray metaCharset()
    {
        QByteArray name, value, charset, content;
        bool httpEquivContentType = false;
        while (attribute(name, value)) {
            if (name == "charset" && charset.isEmpty())
                charset = value.trimmed();
            else if (name == "content" && content.isEmpty())
                content = value;
            else if (name == "http-equiv")
                httpEquivContentType = value.trimmed().toLower() == "content-type";
        }
        if (!charset.isEmpty())
            return charset;
        if (httpEquivContentType)
            return charsetFromContentType(content);
        return {};
    }

    static QByteArray charsetFromContentType(const QByteArray &content)
    {
        const QByteArray lower = content.toLower();
        const qsizetype at = lower.indexOf("charset");
        if (at < 0)
            return {};
        qsizetype i = at + 7;
        while (i < lower.size() && isSpace(lower[i]))
            ++i;
        if (i >= lower.size() || lower[i] != '=')
            return {};
        ++i;
        while (i < lower.size() && isSpace(lower[i]))
            ++i;
        if (i < lower.size() && (lower[i] == '"' || lower[i] == '\'')) {
            const qsizetype end = lower.indexOf(lower[i], i + 1);
            return end < 0 ? QByteArray() : content.mid(i + 1, end - i - 1);
        }
        qsizetype end = i;
        while (end < lower.size() && !isSpace(lower[end]) && lower[end] != ';')
            ++end;
        return content.mid(i, end - i);
    }

    const QByteArray &m_bytes;
    qsizetype m_at = 0;
};

} // namespace

QByteArray declaredCharset(const QByteArray &bytes)
{
    return Prescan(bytes).charset();
}

void keepEveryDecoderLoaded()
{
    // Never closed: a converter open is what keeps its module loaded.
    static std::vector<iconv_t> converters;
    if (!converters.empty())
        return;
    const auto keep = [](const char *to, const char *from) {
        if (iconv_t converter = iconv_open(to, from); converter != iconv_t(-1))
            converters.push_back(converter);
    };
    const QList<QByteArray> encodings = encodingsByLabel().values();
    for (const QByteArray &encoding : QSet<QByteArray>(encodings.begin(), encodings.end()))
        keep("UTF-16LE", encoding.constData());
    keep("UTF-32LE", "GB18030"); // the GB family's tables
}

QString decodeWithLabel(const QByteArray &bytes, const QByteArray &label)
{
    const QByteArray encoding = encodingForLabel(label);
    return encoding.isEmpty() ? QString() : decodeAs(bytes, encoding);
}

QString decodeInEncoding(const QByteArray &bytes, const QByteArray &encoding)
{
    return decodeAs(bytes, encoding);
}

namespace {

QByteArray &undeclaredPageEncodingLabel()
{
    static QByteArray label;
    return label;
}

} // namespace

void setUndeclaredPageEncoding(const QByteArray &label)
{
    undeclaredPageEncodingLabel() = label;
}

QByteArray undeclaredPageEncoding()
{
    return undeclaredPageEncodingLabel();
}

bool isEncodingLabel(const QByteArray &label)
{
    // The browser maps x-user-defined's upper half to private-use characters of its own.
    return isDecodedExactly(label) && label.trimmed().toLower() != "x-user-defined";
}

Utf8Page decodePageToUtf8(const QByteArray &bytes, const QByteArray &undeclaredLabel)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {withUtf8ErrorsReplaced(bytes.sliced(3)), false, true, "UTF-8"};
    if (bytes.startsWith("\xFF\xFE"))
        return {decodeWithIconv(bytes.sliced(2), "UTF-16LE").toUtf8(), false, true, "UTF-16LE"};
    if (bytes.startsWith("\xFE\xFF"))
        return {decodeWithIconv(bytes.sliced(2), "UTF-16BE").toUtf8(), false, true, "UTF-16BE"};

    const QByteArray label = declaredCharset(bytes);
    QByteArray encoding = encodingForLabel(label);
    if (!label.isEmpty() && encoding.isEmpty())
        return {withUtf8ErrorsReplaced(bytes), false, false, {}};
    // A page that says UTF-16 in ASCII bytes cannot be UTF-16.
    if (encoding.startsWith("UTF-16"))
        encoding = "UTF-8";
    if (encoding == "UTF-8")
        return {withUtf8ErrorsReplaced(bytes), false, true, encoding};
    if (!encoding.isEmpty())
        return {decodeAs(bytes, encoding).toUtf8(), false, isDecodedExactly(label), encoding};
    // Said by the user, so served to the browser as the file's charset, which it takes as is.
    if (const QByteArray chosen = encodingForLabel(undeclaredLabel); !chosen.isEmpty()) {
        const QByteArray utf8 = chosen == "UTF-8" ? withUtf8ErrorsReplaced(bytes)
                                                  : decodeAs(bytes, chosen).toUtf8();
        return {utf8, false, true, {}};
    }
    if (isValidUtf8(bytes))
        return {bytes, false, true, {}};
    return {decodeAs(bytes, "WINDOWS-1252").toUtf8(), true, true, {}};
}

QByteArray decidedCharset(const QByteArray &bytes)
{
    for (const char *mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
        if (bytes.startsWith(mark))
            return {};
    }
    const QByteArray label = declaredCharset(bytes);
    // A label unknown here may be one the engine knows (utf-7, say): it reads it by itself.
    if (!label.isEmpty() && !isDecodedExactly(label))
        return {};
    const QByteArray encoding = encodingForLabel(label);
    // A page that says UTF-16 in ASCII bytes cannot be UTF-16.
    if (encoding.startsWith("UTF-16"))
        return "utf-8";
    if (!encoding.isEmpty())
        return label.trimmed().toLower();
    if (const QByteArray chosen = undeclaredPageEncoding(); !chosen.isEmpty())
        return chosen.trimmed().toLower();
    return isValidUtf8(bytes) ? QByteArray("utf-8") : QByteArray();
}

DecodedPage decodePage(const QByteArray &bytes)
{
    const Utf8Page page = decodePageToUtf8(bytes);
    return {QString::fromUtf8(page.utf8), page.guessed};
}
