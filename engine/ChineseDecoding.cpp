#include "engine/ChineseDecoding.h"

#include <array>
#include <memory>

#include <iconv.h>

namespace {

// Sequences are numbered by pointer as the WHATWG Encoding standard numbers them: two-byte ones
// from 0 in the order of their bytes, four-byte ones likewise.
constexpr int twoBytePointers = 126 * 190;
constexpr int fourBytePointersInBmp = 39420;
constexpr int firstSupplementaryPointer = 189000;
constexpr int lastSupplementaryPointer = 1237575;

// Runs of pointers whose code points follow one another from `first`.
struct PointerRun
{
    int pointer;
    int length;
    char16_t first;
};

// Where the system's GB 18030 (the 2022 edition) differs from the browser's tables: the 2005
// edition put these characters in the private use area, or, in four bytes, on code points the
// 2022 edition moved to two-byte sequences; noncharacters are decoded too.
constexpr PointerRun twoByteIn2005[] = {{7182, 7, 0xE78D},  {7201, 2, 0xE794},  {7208, 1, 0xE796},
                                        {23767, 3, 0xE816}, {23775, 1, 0xE81E}, {23783, 1, 0xE826},
                                        {23788, 2, 0xE82B}, {23794, 2, 0xE831}, {23804, 1, 0xE83B},
                                        {23812, 1, 0xE843}, {23829, 2, 0xE854}, {23845, 1, 0xE864}};
constexpr PointerRun fourByteIn2005[] = {
    {19057, 8, 0x9FB4}, {39012, 32, 0xFDD0}, {39076, 10, 0xFE10}, {39418, 2, 0xFFFE}};
// Where code page 936 differs from GB 18030-2005 in two bytes.
constexpr PointerRun twoByteInCodePage936[] = {{6432, 1, 0xE76C},
                                               {7533, 1, 0xE7C7},
                                               {7536, 1, 0xE7C8},
                                               {7672, 13, 0xE7E7},
                                               {23766, 80, 0xE815}};

// The code point of one sequence as the system's converter reads it, U+FFFD if it cannot.
char32_t decodedBySystem(iconv_t converter, const char *sequence, size_t length)
{
    std::array<char32_t, 2> out{};
    char *in = const_cast<char *>(sequence);
    char *outAt = reinterpret_cast<char *>(out.data());
    size_t outLeft = sizeof(out);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &length, &outAt, &outLeft) == size_t(-1)
        || outLeft != sizeof(char32_t))
        return 0xFFFD;
    return out[0];
}

struct GbTables
{
    std::array<char32_t, twoBytePointers> twoByte{};
    std::array<char16_t, fourBytePointersInBmp> fourByte{};
};

template <size_t N, typename Table>
void overlay(Table &table, const PointerRun (&runs)[N])
{
    for (const PointerRun &run : runs) {
        for (int i = 0; i < run.length; ++i)
            table[size_t(run.pointer + i)] = char16_t(run.first + i);
    }
}

// Read once from the system's converter, every sequence on its own.
std::unique_ptr<GbTables> makeTables(GbEncoding encoding)
{
    auto tables = std::make_unique<GbTables>();
    iconv_t converter = iconv_open("UTF-32LE", "GB18030");
    for (int pointer = 0; pointer < twoBytePointers; ++pointer) {
        const int trail = pointer % 190;
        const char sequence[] = {char(0x81 + pointer / 190),
                                 char(trail + (trail < 0x3F ? 0x40 : 0x41))};
        tables->twoByte[size_t(pointer)] = converter == iconv_t(-1)
            ? 0xFFFD
            : decodedBySystem(converter, sequence, 2);
    }
    for (int pointer = 0; pointer < fourBytePointersInBmp; ++pointer) {
        const char sequence[] = {char(0x81 + pointer / 12600), char(0x30 + pointer / 1260 % 10),
                                 char(0x81 + pointer / 10 % 126), char(0x30 + pointer % 10)};
        const char32_t decoded = converter == iconv_t(-1) ? 0xFFFD
                                                          : decodedBySystem(converter, sequence, 4);
        tables->fourByte[size_t(pointer)] = decoded > 0xFFFF ? char16_t(0xFFFD) : char16_t(decoded);
    }
    if (converter != iconv_t(-1))
        iconv_close(converter);
    overlay(tables->twoByte, twoByteIn2005);
    overlay(tables->fourByte, fourByteIn2005);
    if (encoding == GbEncoding::Gbk)
        overlay(tables->twoByte, twoByteInCodePage936);
    return tables;
}

const GbTables &tablesFor(GbEncoding encoding)
{
    if (encoding == GbEncoding::Gbk) {
        static const std::unique_ptr<GbTables> gbk = makeTables(GbEncoding::Gbk);
        return *gbk;
    }
    static const std::unique_ptr<GbTables> gb18030 = makeTables(GbEncoding::Gb18030);
    return *gb18030;
}

bool inRange(uchar byte, uchar low, uchar high)
{
    return byte >= low && byte <= high;
}

void append(QString &text, char32_t codePoint)
{
    if (codePoint > 0xFFFF) {
        const char32_t pair[] = {codePoint};
        text += QString::fromUcs4(pair, 1);
    } else {
        text += QChar(char16_t(codePoint));
    }
}

// A four-byte sequence's code point; U+FFFD for a pointer that names none.
char32_t fourByteCodePoint(const GbTables &tables, const uchar *bytes)
{
    const int pointer = (((bytes[0] - 0x81) * 10 + (bytes[1] - 0x30)) * 126 + (bytes[2] - 0x81))
            * 10
        + (bytes[3] - 0x30);
    if (pointer < fourBytePointersInBmp)
        return tables.fourByte[size_t(pointer)];
    if (pointer >= firstSupplementaryPointer && pointer <= lastSupplementaryPointer)
        return char32_t(0x10000 + pointer - firstSupplementaryPointer);
    return 0xFFFD;
}

} // namespace

QString decodeGb(const QByteArray &bytes, GbEncoding encoding)
{
    const GbTables &tables = tablesFor(encoding);
    const bool gbk = encoding == GbEncoding::Gbk;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    QString text;
    text.reserve(size);
    for (qsizetype at = 0; at < size;) {
        const uchar lead = data[at];
        if (lead < 0x80) {
            text += QChar(lead);
            ++at;
        } else if (lead == 0x80 || lead == 0xFF) {
            text += QChar(!gbk ? 0xFFFD : lead == 0x80 ? 0x20AC : 0xF8F5);
            ++at;
        } else if (at + 1 < size
                   && (inRange(data[at + 1], 0x40, 0x7E) || inRange(data[at + 1], 0x80, 0xFE))) {
            const uchar trail = data[at + 1];
            append(
                text,
                tables.twoByte[size_t((lead - 0x81) * 190 + trail - (trail < 0x7F ? 0x40 : 0x41))]);
            at += 2;
        } else if (!gbk && at + 3 < size && inRange(data[at + 1], 0x30, 0x39)
                   && inRange(data[at + 2], 0x81, 0xFE) && inRange(data[at + 3], 0x30, 0x39)) {
            append(text, fourByteCodePoint(tables, data + at));
            at += 4;
        } else {
            // A sequence cut short: the bytes after its lead are read again, but for a 0xFF that
            // gb18030 takes as the second byte of a sequence it cannot read.
            text += QChar::ReplacementCharacter;
            at += !gbk && at + 1 < size && data[at + 1] == 0xFF ? 2 : 1;
        }
    }
    return text;
}
