#include "engine/fast/ParserInput.h"

#include "engine/fast/PageCancellation.h"

#include <QByteArrayList>

namespace {

// Controls travel as private-use characters of plane 16: U+10FF00 plus the control's code, in
// UTF-16 a surrogate pair of 0xDBFF and 0xDF00 plus the code.
constexpr char32_t disguiseBase = 0x10FF00;
constexpr char16_t disguiseHigh = 0xDBFF;
constexpr char16_t disguiseLowBase = 0xDF00;

// A start tag's attributes beyond this many are dropped, but for those in keptAttribute().
constexpr int maxAttributesPerTag = 200;

bool isDisguisedControl(char32_t c)
{
    return (c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F)
           || (c >= 0x7F && c <= 0x9F);
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

QByteArray withControlsDisguised(const QByteArray &utf8)
{
    Rewriter rewriter(utf8);
    const auto *data = reinterpret_cast<const uchar *>(utf8.constData());
    const qsizetype size = utf8.size();
    for (qsizetype at = 0; at < size; ++at) {
        if (data[at] < 0x80 && isDisguisedControl(data[at]))
            appendDisguised(rewriter.replace(at, at + 1), data[at]);
        else if (data[at] == 0xC2 && at + 1 < size && isDisguisedControl(data[at + 1]))
            appendDisguised(rewriter.replace(at, at + 2), data[at + 1]), ++at;
    }
    return rewriter.result();
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Attributes that the style of a page or its text may depend on, kept on a tag of any size.
bool keptAttribute(const QByteArray &name)
{
    static const QByteArrayList names{
        "id", "class", "style", "hidden", "type", "lang", "xml:lang", "dir", "open", "href",
        "alt", "value", "label", "nowrap", "selected", "checked", "disabled", "multiple",
        "size", "rel", "media", "charset", "http-equiv", "content", "src", "span", "colspan",
        "rowspan", "start", "reversed", "title", "align", "name"};
    return names.contains(name.toLower());
}

// Elements whose content the parser reads as text up to their end tag (a <noscript> once read
// as a <noframes>).
bool isRawTextElement(const QByteArray &name)
{
    static const QByteArrayList names{"script", "style", "textarea", "title", "xmp", "iframe",
                                      "noembed", "noframes", "noscript", "plaintext"};
    return names.contains(name);
}

// Walks the start and end tags of a page as the parser's tokenizer finds them, closely enough
// for what is rewritten here.
class TagWalker
{
public:
    explicit TagWalker(const QByteArray &utf8) : m_bytes(utf8), m_rewriter(utf8) {}

    ParserInput run()
    {
        const qsizetype size = m_bytes.size();
        while (m_at < size) {
            checkPageCancelled();
            const qsizetype open = m_bytes.indexOf('<', m_at);
            if (open < 0)
                break;
            m_at = open + 1;
            if (bytesAt(m_at, "!--")) {
                const qsizetype end = m_bytes.indexOf("-->", m_at + 3);
                m_at = end < 0 ? size : end + 3;
                continue;
            }
            const bool endTag = m_at < size && m_bytes[m_at] == '/';
            if (endTag)
                ++m_at;
            if (m_at >= size || !isAsciiLetter(m_bytes[m_at]))
                continue;
            const QByteArray name = tagName();
            if (endTag)
                continue;
            attributes();
            if (isRawTextElement(name))
                skipRawText(name);
        }
        return {m_rewriter.result(), m_dropped};
    }

private:
    bool bytesAt(qsizetype at, QByteArrayView expected) const
    {
        return at + expected.size() <= m_bytes.size()
               && QByteArrayView(m_bytes).sliced(at, expected.size()) == expected;
    }

    QByteArray tagName()
    {
        const qsizetype start = m_at;
        while (m_at < m_bytes.size() && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '/'
               && m_bytes[m_at] != '>')
            ++m_at;
        QByteArray name = m_bytes.sliced(start, m_at - start).toLower();
        if (name == "noscript")
            m_rewriter.replace(start, m_at) += "noframes";
        return name;
    }

    // Reads the attributes up to the tag's end, dropping those beyond the limit.
    void attributes()
    {
        const qsizetype size = m_bytes.size();
        int count = 0;
        for (;;) {
            while (m_at < size && (isSpace(m_bytes[m_at]) || m_bytes[m_at] == '/'))
                ++m_at;
            if (m_at >= size || m_bytes[m_at] == '>') {
                ++m_at;
                return;
            }
            const qsizetype start = m_at;
            do
                ++m_at;
            while (m_at < size && !isSpace(m_bytes[m_at]) && m_bytes[m_at] != '/'
                   && m_bytes[m_at] != '>' && m_bytes[m_at] != '=');
            const qsizetype nameEnd = m_at;
            skipValue();
            if (++count > maxAttributesPerTag
                && !keptAttribute(m_bytes.sliced(start, nameEnd - start))) {
                m_rewriter.replace(start, m_at);
                m_dropped = true;
            }
        }
    }

    void skipValue()
    {
        const qsizetype size = m_bytes.size();
        qsizetype at = m_at;
        while (at < size && isSpace(m_bytes[at]))
            ++at;
        if (at >= size || m_bytes[at] != '=')
            return;
        ++at;
        while (at < size && isSpace(m_bytes[at]))
            ++at;
        if (at < size && (m_bytes[at] == '"' || m_bytes[at] == '\'')) {
            const qsizetype close = m_bytes.indexOf(m_bytes[at], at + 1);
            m_at = close < 0 ? size : close + 1;
            return;
        }
        while (at < size && !isSpace(m_bytes[at]) && m_bytes[at] != '>')
            ++at;
        m_at = at;
    }

    void skipRawText(const QByteArray &name)
    {
        if (name == "plaintext") {
            m_at = m_bytes.size();
            return;
        }
        const QByteArray close = "</" + name;
        for (qsizetype at = m_bytes.indexOf("</", m_at); at >= 0; at = m_bytes.indexOf("</", at + 2)) {
            if (QByteArrayView(m_bytes).sliced(at, std::min(close.size(), m_bytes.size() - at))
                    .compare(close, Qt::CaseInsensitive) == 0) {
                m_at = at;
                return;
            }
        }
        m_at = m_bytes.size();
    }

    const QByteArray &m_bytes;
    Rewriter m_rewriter;
    qsizetype m_at = 0;
    bool m_dropped = false;
};

} // namespace

ParserInput parserInput(const QByteArray &utf8)
{
    const QByteArray disguised = withControlsDisguised(utf8);
    return TagWalker(disguised).run();
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
        if (c == disguiseHigh && next > disguiseLowBase
            && isDisguisedControl(char32_t(next - disguiseLowBase))) {
            result += QChar(char16_t(next - disguiseLowBase));
            ++i;
        } else {
            result += QChar(c);
        }
    }
    return result;
}
