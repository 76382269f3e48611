#include "engine/fast/CssText.h"

namespace {

bool isHexDigit(QChar c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Reads the escape whose backslash is at `at` and appends what it stands for.
void readEscape(const QString &text, qsizetype &at, QString &out)
{
    ++at;
    if (at >= text.size())
        return;
    if (!isHexDigit(text[at])) {
        out += text[at++];
        return;
    }
    uint code = 0;
    for (int digits = 0; digits < 6 && at < text.size() && isHexDigit(text[at]); ++digits)
        code = code * 16 + uint(QString(text[at++]).toUInt(nullptr, 16));
    if (at < text.size() && isCssSpace(text[at]))
        ++at;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
}

} // namespace

QString readIdentifier(const QString &text, qsizetype &at)
{
    QString name;
    while (at < text.size()) {
        const QChar c = text[at];
        if (c == '\\') {
            if (at + 1 >= text.size() || text[at + 1] == '\n')
                break;
            readEscape(text, at, name);
        } else if (c.isLetterOrNumber() || c == '-' || c == '_' || c.unicode() >= 0x80) {
            name += c;
            ++at;
        } else {
            break;
        }
    }
    return name;
}

QString readString(const QString &text, qsizetype &at, bool *closed)
{
    const QChar quote = text[at++];
    QString value;
    if (closed)
        *closed = false;
    while (at < text.size()) {
        const QChar c = text[at];
        if (c == quote) {
            ++at;
            if (closed)
                *closed = true;
            return value;
        }
        if (c == '\n')
            return value;
        if (c == '\\') {
            if (at + 1 < text.size() && text[at + 1] == '\n')
                at += 2;
            else
                readEscape(text, at, value);
        } else {
            value += c;
            ++at;
        }
    }
    return value;
}

QString withoutComments(const QString &text)
{
    QString result;
    result.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const QChar c = text[at];
        if (c == '/' && at + 1 < text.size() && text[at + 1] == '*') {
            const qsizetype end = text.indexOf(QLatin1String("*/"), at + 2);
            at = end < 0 ? text.size() : end + 2;
        } else if (c == '"' || c == '\'') {
            // Copied whole, escapes and all, so that "/*" inside stays text.
            qsizetype end = at + 1;
            while (end < text.size() && text[end] != c && text[end] != '\n')
                end += text[end] == '\\' ? 2 : 1;
            end = std::min(end + 1, text.size());
            result += QStringView(text).mid(at, end - at);
            at = end;
        } else {
            result += c;
            ++at;
        }
    }
    return result;
}

qsizetype findTopLevel(const QString &text, qsizetype at, qsizetype end, QChar wanted)
{
    int depth = 0;
    while (at < end) {
        const QChar c = text[at];
        if (c == wanted && depth == 0)
            return at;
        if (c == '"' || c == '\'') {
            readString(text, at);
            continue;
        }
        if (c == '\\') {
            at += 2;
            continue;
        }
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
        ++at;
    }
    return -1;
}

qsizetype findBlockEnd(const QString &text, qsizetype open, qsizetype end)
{
    int depth = 0;
    qsizetype at = open;
    while (at < end) {
        const QChar c = text[at];
        if (c == '"' || c == '\'') {
            readString(text, at);
            continue;
        }
        if (c == '\\') {
            at += 2;
            continue;
        }
        if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return at;
        ++at;
    }
    return end;
}
