#include "engine/fast/knownscripts/ScriptData.h"

#include "engine/PageCancellation.h"
#include "engine/fast/dom/HexDigit.h"

#include <algorithm>

namespace {

constexpr int maxNesting = 64;
constexpr int maxDigits = 9;
// Generators declare a few variables a file (Doxygen four at most).
constexpr size_t maxVariables = 16;
// Each value is kept in some 90 bytes: a file of "0,0,0,…" must not grow forty-fold in memory.
constexpr qsizetype maxValues = 200'000;

bool isIdentifierStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class DataReader
{
public:
    DataReader(QByteArrayView bytes, DataText text)
        : m_bytes(bytes)
        , m_utf8Strings(text == DataText::Utf8Strings)
    {
    }

    std::optional<ScriptData> variables()
    {
        ScriptVariables declared;
        for (;;) {
            if (!skipSpaceAndComments())
                return std::nullopt;
            if (atEnd())
                return ScriptData{std::move(declared), m_values};
            const std::optional<QString> name = declaredName();
            ScriptValue value;
            if (!name || !skipSpaceAndComments() || !take('=') || !this->value(value, 0)
                || !skipSpaceAndComments() || !take(';'))
                return std::nullopt;
            // A second declaration of a name assigns it again.
            const auto old = std::find_if(declared.begin(), declared.end(),
                                          [&name](const auto &entry) {
                return entry.first == *name;
            });
            if (old != declared.end())
                old->second = std::move(value);
            else if (declared.size() < maxVariables)
                declared.emplace_back(*name, std::move(value));
            else
                return std::nullopt;
        }
    }

private:
    bool atEnd() const { return m_at >= m_bytes.size(); }
    char peek() const { return atEnd() ? '\0' : m_bytes[m_at]; }

    bool take(char c)
    {
        if (peek() != c)
            return false;
        ++m_at;
        return true;
    }

    // A keyword standing alone, not the start of a longer name.
    bool word(const char *keyword)
    {
        const QByteArrayView text(keyword);
        if (!m_bytes.sliced(m_at).startsWith(text))
            return false;
        const qsizetype end = m_at + text.size();
        if (end < m_bytes.size() && (isIdentifierStart(m_bytes[end]) || isDigit(m_bytes[end])))
            return false;
        m_at = end;
        return true;
    }

    // Whitespace and comments; false for a comment left open or a byte that is not ASCII.
    bool skipSpaceAndComments()
    {
        while (!atEnd()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++m_at;
            } else if (c == '/' && m_at + 1 < m_bytes.size() && m_bytes[m_at + 1] == '*') {
                const qsizetype end = m_bytes.sliced(m_at + 2).indexOf(QByteArrayView("*/"));
                if (end < 0 || !ascii(m_at + 2, m_at + 2 + end))
                    return false;
                m_at += end + 4;
            } else if (c == '/' && m_at + 1 < m_bytes.size() && m_bytes[m_at + 1] == '/') {
                while (!atEnd() && peek() != '\n' && peek() != '\r') {
                    if (uchar(peek()) >= 0x80)
                        return false;
                    ++m_at;
                }
            } else {
                return true;
            }
        }
        return true;
    }

    bool ascii(qsizetype from, qsizetype to) const
    {
        return std::all_of(m_bytes.begin() + from, m_bytes.begin() + to,
                           [](char c) { return uchar(c) < 0x80; });
    }

    // `var NAME` gives NAME; `window.NAME`, as rustdoc writes its data, gives "window.NAME",
    // so that a reader asking for a bare name never takes a property assigned so.
    std::optional<QString> declaredName()
    {
        if (word("var")) {
            if (!skipSpaceAndComments())
                return std::nullopt;
            return identifier();
        }
        if (!word("window") || !skipSpaceAndComments() || !take('.') || !skipSpaceAndComments())
            return std::nullopt;
        const std::optional<QString> name = identifier();
        return name ? std::optional<QString>(QStringLiteral("window.") + *name) : std::nullopt;
    }

    std::optional<QString> identifier()
    {
        const qsizetype start = m_at;
        if (!isIdentifierStart(peek()))
            return std::nullopt;
        while (isIdentifierStart(peek()) || isDigit(peek()))
            ++m_at;
        return QString::fromLatin1(m_bytes.sliced(start, m_at - start));
    }

    bool value(ScriptValue &out, int depth)
    {
        checkPageCancelled();
        if (depth > maxNesting || ++m_values > maxValues || !skipSpaceAndComments())
            return false;
        const char c = peek();
        if (c == '"' || c == '\'') {
            out.kind = ScriptValue::Kind::String;
            return string(out.string);
        }
        if (isDigit(c))
            return number(out);
        if (c == '[')
            return array(out, depth);
        if (c == '{')
            return object(out, depth);
        out.kind = ScriptValue::Kind::Null;
        return word("null");
    }

    // A whole number in decimal; a leading zero would make it octal to the browser.
    bool number(ScriptValue &out)
    {
        const qsizetype start = m_at;
        while (isDigit(peek()))
            ++m_at;
        const qsizetype digits = m_at - start;
        if (digits > maxDigits || (digits > 1 && m_bytes[start] == '0') || isIdentifierStart(peek())
            || peek() == '.')
            return false;
        out.kind = ScriptValue::Kind::Number;
        out.number = QByteArrayView(m_bytes.sliced(start, digits)).toLongLong();
        return true;
    }

    // The UTF-8 character whose first byte was just taken; false when it is not valid.
    bool utf8Character(QString &out)
    {
        const qsizetype start = m_at - 1;
        const uchar first = uchar(m_bytes[start]);
        const qsizetype length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
        if (length == 1 || start + length > m_bytes.size())
            return false;
        const QByteArrayView character = m_bytes.sliced(start, length);
        const QString decoded = QString::fromUtf8(character);
        if (decoded.contains(QChar::ReplacementCharacter) || decoded.toUtf8() != character)
            return false;
        out += decoded;
        m_at = start + length;
        return true;
    }

    bool string(QString &out)
    {
        const char quote = m_bytes[m_at++];
        for (;;) {
            if (atEnd())
                return false;
            const char c = m_bytes[m_at++];
            if (c == quote)
                return true;
            if (c == '\n' || c == '\r')
                return false;
            if (uchar(c) >= 0x80) {
                if (!m_utf8Strings || !utf8Character(out))
                    return false;
                continue;
            }
            if (c != '\\') {
                out += QLatin1Char(c);
                continue;
            }
            if (atEnd())
                return false;
            const char escaped = m_bytes[m_at++];
            switch (escaped) {
            case '"':
            case '\'':
            case '\\':
            case '/':
                out += QLatin1Char(escaped);
                break;
            case 'n':
                out += u'\n';
                break;
            case 't':
                out += u'\t';
                break;
            case 'r':
                out += u'\r';
                break;
            case 'b':
                out += u'\b';
                break;
            case 'f':
                out += u'\f';
                break;
            case 'v':
                out += u'\v';
                break;
            case 'x':
            case 'u': {
                const int count = escaped == 'x' ? 2 : 4;
                int code = 0;
                for (int i = 0; i < count; ++i) {
                    const int digit = hexDigitValue(peek());
                    if (digit < 0)
                        return false;
                    code = code * 16 + digit;
                    ++m_at;
                }
                out += QChar(char16_t(code));
                break;
            }
            default:
                return false; // octal, \u{...}, a line continuation: never written by generators
            }
        }
    }

    // Elements separated by commas, no holes and no comma at the end.
    template <typename ReadItem>
    bool list(char close, ReadItem readItem)
    {
        ++m_at;
        if (!skipSpaceAndComments())
            return false;
        if (take(close))
            return true;
        for (;;) {
            if (!readItem() || !skipSpaceAndComments())
                return false;
            if (take(close))
                return true;
            if (!take(','))
                return false;
        }
    }

    bool array(ScriptValue &out, int depth)
    {
        out.kind = ScriptValue::Kind::Array;
        return list(']', [&] {
            out.items.emplace_back();
            return value(out.items.back(), depth + 1);
        });
    }

    bool object(ScriptValue &out, int depth)
    {
        out.kind = ScriptValue::Kind::Object;
        const bool read = list('}', [&] {
            QString key;
            if (!skipSpaceAndComments() || peek() != '"' || !string(key)
                || key == QLatin1String("__proto__") || !skipSpaceAndComments() || !take(':'))
                return false;
            out.members.emplace_back(std::move(key), ScriptValue());
            return value(out.members.back().second, depth + 1);
        });
        if (!read)
            return false;
        // Sorted for lookups; of a key written twice, the later value is the one that counts.
        std::stable_sort(out.members.begin(), out.members.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        std::vector<std::pair<QString, ScriptValue>> unique;
        unique.reserve(out.members.size());
        for (auto &member : out.members) {
            if (!unique.empty() && unique.back().first == member.first)
                unique.back().second = std::move(member.second);
            else
                unique.push_back(std::move(member));
        }
        out.members = std::move(unique);
        return true;
    }

    QByteArrayView m_bytes;
    bool m_utf8Strings = false;
    qsizetype m_at = 0;
    qsizetype m_values = 0;
};

} // namespace

const ScriptValue *ScriptValue::member(const QString &key) const
{
    const auto found = std::lower_bound(members.begin(), members.end(), key,
                                        [](const auto &entry, const QString &k) {
        return entry.first < k;
    });
    return found != members.end() && found->first == key ? &found->second : nullptr;
}

std::optional<ScriptData> parseScriptData(QByteArrayView bytes, DataText text)
{
    return DataReader(bytes, text).variables();
}

const ScriptValue *variable(const ScriptVariables &variables, const QString &name)
{
    for (const auto &[declared, value] : variables) {
        if (declared == name)
            return &value;
    }
    return nullptr;
}
