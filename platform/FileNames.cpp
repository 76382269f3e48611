#include "platform/FileNames.h"

namespace {

constexpr char16_t escapeBase = 0xDC00; // U+DC80 to U+DCFF hold the bytes 0x80 to 0xFF

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there. Overlong
// forms and encoded surrogates are invalid, so that every escaped byte stays distinct from
// text that came as valid UTF-8.
int validSequenceLength(const QByteArray &bytes, qsizetype i)
{
    const auto byteAt = [&](qsizetype k) { return k < bytes.size() ? uchar(bytes[k]) : 0; };
    const auto isTail = [](uchar c) { return (c & 0xC0) == 0x80; };
    const uchar lead = byteAt(i);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return isTail(byteAt(i + 1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uchar second = byteAt(i + 1);
        const bool inRange = lead == 0xE0 ? second >= 0xA0 : lead == 0xED ? second < 0xA0 : true;
        return isTail(second) && inRange && isTail(byteAt(i + 2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uchar second = byteAt(i + 1);
        const bool inRange = lead == 0xF0 ? second >= 0x90 : lead == 0xF4 ? second < 0x90 : true;
        return isTail(second) && inRange && isTail(byteAt(i + 2)) && isTail(byteAt(i + 3)) ? 4 : 0;
    }
    return 0;
}

bool isEscapedByte(char16_t c)
{
    return c >= escapeBase + 0x80 && c <= escapeBase + 0xFF;
}

} // namespace

QString decodeFileName(const QByteArray &bytes)
{
    qsizetype validPrefix = 0;
    while (validPrefix < bytes.size()) {
        const int length = validSequenceLength(bytes, validPrefix);
        if (length == 0)
            break;
        validPrefix += length;
    }
    if (validPrefix == bytes.size()) // the usual case, taken in one step
        return QString::fromUtf8(bytes);

    QString name = QString::fromUtf8(bytes.first(validPrefix));
    for (qsizetype i = validPrefix; i < bytes.size();) {
        const int length = validSequenceLength(bytes, i);
        if (length == 0) {
            name.append(QChar(char16_t(escapeBase + uchar(bytes[i]))));
            ++i;
            continue;
        }
        name.append(QString::fromUtf8(bytes.constData() + i, length));
        i += length;
    }
    return name;
}

QByteArray encodeFileName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype textStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name[i].unicode()))
            continue;
        bytes += QStringView(name).sliced(textStart, i - textStart).toUtf8();
        bytes += char(name[i].unicode() - escapeBase);
        textStart = i + 1;
    }
    bytes += QStringView(name).sliced(textStart).toUtf8();
    return bytes;
}

bool hasUnreadableBytes(const QString &name)
{
    return name.contains(QChar::ReplacementCharacter);
}
