#include "engine/fast/dom/ParserInput.h"

#include "engine/HtmlTagScanner.h"
#include "engine/fast/dom/NestingBound.h"

#include <QByteArrayList>
#include <QSet>

#include <array>

namespace {

// Controls travel as private-use characters of plane 16: U+10FF00 plus the control's code, in
// UTF-16 a surrogate pair of 0xDBFF and 0xDF00 plus the code.
constexpr char32_t disguiseBase = 0x10FF00;
constexpr char16_t disguiseHigh = 0xDBFF;
constexpr char16_t disguiseLowBase = 0xDF00;

// A start tag's attributes beyond this many are dropped, but for those in keptAttribute().
constexpr size_t maxAttributesPerTag = 200;

constexpr bool isDisguisedControl(char32_t c)
{
    return (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F)
        || (c >= 0x7F && c <= 0x9F);
}

// Noncharacters, which the parser replaces too, travel in the codes from 0xA0 on: U+FDD0 to
// U+FDEF as 0xA0 to 0xBF, then the last two code points of each plane, two codes a plane.
constexpr char32_t firstNoncharacterCode = 0xA0;
constexpr char32_t firstPlaneEndCode = 0xC0;
constexpr char32_t lastPlaneEndCode = firstPlaneEndCode + 2 * 17 - 1;

// The character a disguise code stands for, or 0 for none.
constexpr char32_t disguisedCharacter(char32_t code)
{
    if (isDisguisedControl(code))
        return code;
    if (code >= firstNoncharacterCode && code < firstPlaneEndCode)
        return 0xFDD0 + code - firstNoncharacterCode;
    if (code >= firstPlaneEndCode && code <= lastPlaneEndCode)
        return ((code - firstPlaneEndCode) / 2) << 16 | (0xFFFE + (code - firstPlaneEndCode) % 2);
    return 0;
}

// The disguise code of the noncharacter whose UTF-8 starts at `at`, or 0 if none does. Such a
// sequence is EF B7 90-AF (U+FDD0 to U+FDEF), EF BF BE-BF, or four bytes ending in BF BE-BF
// whose second byte's low four bits are all set (U+1FFFE, U+1FFFF and up).
char32_t noncharacterCode(const uchar *data, qsizetype at, qsizetype size)
{
    if (data[at] == 0xEF && at + 2 < size) {
        if (data[at + 1] == 0xB7 && data[at + 2] >= 0x90 && data[at + 2] <= 0xAF)
            return firstNoncharacterCode + data[at + 2] - 0x90;
        if (data[at + 1] == 0xBF && (data[at + 2] == 0xBE || data[at + 2] == 0xBF))
            return firstPlaneEndCode + data[at + 2] - 0xBE;
        return 0;
    }
    if (data[at] >= 0xF0 && data[at] <= 0xF4 && at + 3 < size && (data[at + 1] & 0x0F) == 0x0F
        && data[at + 1] >= 0x80 && data[at + 1] <= 0xBF && data[at + 2] == 0xBF
        && (data[at + 3] == 0xBE || data[at + 3] == 0xBF)) {
        const char32_t plane = char32_t(data[at] & 0x07) << 2 | char32_t(data[at + 1] & 0x30) >> 4;
        if (plane == 0 || plane > 16)
            return 0;
        return firstPlaneEndCode + 2 * plane + data[at + 3] - 0xBE;
    }
    return 0;
}

void appendDisguised(QByteArray &out, char32_t control)
{
    const char32_t c = disguiseBase + control;
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
}

// Copies `bytes` on the first change only: most pages need none.
class Rewriter
{
public:
    explicit Rewriter(const QByteArray &bytes) : m_bytes(bytes) {}

    // Puts `replacement` in place of the bytes [from, to).
    QByteArray &replace(qsizetype from, qsizetype to)
    {
        if (m_out.isNull())
            m_out.reserve(m_bytes.size() + 64);
        m_out.append(m_bytes.constData() + m_copied, from - m_copied);
        m_copied = to;
        return m_out;
    }

    QByteArray result()
    {
        if (m_out.isNull())
            return m_bytes;
        m_out.append(m_bytes.constData() + m_copied, m_bytes.size() - m_copied);
        return m_out;
    }

private:
    const QByteArray &m_bytes;
    QByteArray m_out;
    qsizetype m_copied = 0;
};

// The bytes that may begin a control: the controls below 0x80 themselves, and 0xC2, the first
// byte of those from 0x80 to 0x9F; and those that may begin a noncharacter. One look-up a byte,
// as nearly every page has none.
constexpr std::array<bool, 256> mayBeginControl = [] {
    std::array<bool, 256> table{};
    for (char32_t c = 0; c < 0x80; ++c)
        table[c] = isDisguisedControl(c);
    table[0xC2] = true;
    for (char32_t c = 0xEF; c <= 0xF4; ++c)
        table[c] = true;
    return table;
}();

QByteArray withControlsDisguised(const QByteArray &utf8)
{
    Rewriter rewriter(utf8);
    const auto *data = reinterpret_cast<const uchar *>(utf8.constData());
    const qsizetype size = utf8.size();
    for (qsizetype at = 0; at < size; ++at) {
        if (!mayBeginControl[data[at]])
            continue;
        if (data[at] < 0x80) {
            appendDisguised(rewriter.replace(at, at + 1), data[at]);
        } else if (data[at] == 0xC2 && at + 1 < size && isDisguisedControl(data[at + 1])) {
            appendDisguised(rewriter.replace(at, at + 2), data[at + 1]);
            ++at;
        } else if (const char32_t code = noncharacterCode(data, at, size)) {
            const qsizetype length = data[at] == 0xEF ? 3 : 4;
            appendDisguised(rewriter.replace(at, at + length), code);
            at += length - 1;
        }
    }
    return rewriter.result();
}

// Attributes that the style of a page or its text may depend on, kept on a tag of any size.
bool keptAttribute(const QByteArray &lowerCaseName)
{
    static const QByteArrayList names{
        "id",       "class",      "style",    "hidden",   "type",  "lang",    "xml:lang",
        "dir",      "open",       "href",     "alt",      "value", "label",   "nowrap",
        "selected", "checked",    "disabled", "multiple", "size",  "rel",     "media",
        "charset",  "http-equiv", "content",  "src",      "span",  "colspan", "rowspan",
        "start",    "reversed",   "title",    "align",    "name"};
    return names.contains(lowerCaseName);
}

// Drops the attributes of a huge start tag beyond the limit, but for the first of each kept
// name (the parser keeps the first of two of a name anyway); true when any went.
bool dropExcessAttributes(const HtmlTagScanner::Tag &tag, Rewriter &rewriter)
{
    QSet<QByteArray> seen;
    bool dropped = false;
    for (size_t i = 0; i < tag.attributes.size(); ++i) {
        const HtmlTagScanner::Attribute &attribute = tag.attributes[i];
        const QByteArray name = attribute.name.toByteArray().toLower();
        const bool kept = keptAttribute(name) && !seen.contains(name);
        if (kept)
            seen.insert(name);
        if (i >= maxAttributesPerTag && !kept) {
            rewriter.replace(attribute.start, attribute.end);
            dropped = true;
        }
    }
    return dropped;
}

// Rewrites the tags that need it.
ParserInput rewriteTags(const QByteArray &utf8)
{
    Rewriter rewriter(utf8);
    bool dropped = false;
    bool tagsLeftOut = false;
    NestingBound nesting(utf8);
    HtmlTagScanner scanner(utf8);
    HtmlTagScanner::Tag tag;
    while (scanner.next(tag)) {
        if (nesting.leavesOut(tag)) {
            rewriter.replace(tag.start, tag.end);
            tagsLeftOut = true;
            continue;
        }
        if (tag.name == "noscript")
            rewriter.replace(tag.nameStart, tag.nameEnd) += tag.endTag
                ? QByteArray("noframes")
                : "noframes " + QByteArray(noscriptMarkAttribute);
        // Browsers have long dropped <isindex>, which the parser still builds into a form: it is
        // an element unknown to them, kept as such under a name no parser knows either.
        if (tag.name == "isindex")
            rewriter.replace(tag.nameStart, tag.nameEnd) += "x-isindex";
        if (tag.attributes.size() > maxAttributesPerTag)
            dropped = dropExcessAttributes(tag, rewriter) || dropped;
    }
    return {rewriter.result(), dropped, tagsLeftOut};
}

} // namespace

ParserInput parserInput(const QByteArray &utf8)
{
    return rewriteTags(withControlsDisguised(utf8));
}

QString withControlsRestored(const QString &text)
{
    if (!text.contains(QChar(disguiseHigh)))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
        const char32_t disguised = c == disguiseHigh && next > disguiseLowBase
            ? disguisedCharacter(char32_t(next - disguiseLowBase))
            : 0;
        if (disguised > 0xFFFF) {
            const char32_t pair[] = {disguised};
            result += QString::fromUcs4(pair, 1);
            ++i;
        } else if (disguised != 0) {
            result += QChar(char16_t(disguised));
            ++i;
        } else {
            result += QChar(c);
        }
    }
    return result;
}
