#include "platform/EscapedText.h"

#include "platform/FileNames.h"

namespace {

char namedEscape(char16_t c)
{
    switch (c) {
    case u'\a':
        return 'a';
    case u'\b':
        return 'b';
    case u'\t':
        return 't';
    case u'\n':
        return 'n';
    case u'\v':
        return 'v';
    case u'\f':
        return 'f';
    case u'\r':
        return 'r';
    case u'\\':
        return '\\';
    default:
        return 0;
    }
}

bool isControlCharacter(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void appendOctal(QString &out, const QByteArray &bytes)
{
    for (const char byte : bytes)
        out += QStringLiteral("\\%1").arg(uint(uchar(byte)), 3, 8, QLatin1Char('0'));
}

} // namespace

QString escapeControlCharacters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += QStringView(text).sliced(i, 2);
            ++i;
        } else if (const char name = namedEscape(c)) {
            out += u'\\';
            out += QLatin1Char(name);
        } else if (isControlCharacter(c)) {
            appendOctal(out, QString(QChar(c)).toUtf8());
        } else if (QChar::isSurrogate(c)) {
            // A lone one stands for a byte of a name that is not valid UTF-8.
            appendOctal(out, encodeFileName(QString(QChar(c))));
        } else {
            out += QChar(c);
        }
    }
    return out;
}
