#include "engine/MimeSniffing.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

bool isWhitespace(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isBinaryDataByte(char c)
{
    const auto b = uchar(c);
    return b <= 0x08 || b == 0x0B || (b >= 0x0E && b <= 0x1A) || (b >= 0x1C && b <= 0x1F);
}

// The tags that make a document HTML when it starts with one, followed by a space or ">".
bool startsWithHtmlTag(QByteArrayView text)
{
    static const std::array<std::string_view, 17> tags{"<!doctype html",
                                                       "<html",
                                                       "<head",
                                                       "<script",
                                                       "<iframe",
                                                       "<h1",
                                                       "<div",
                                                       "<font",
                                                       "<table",
                                                       "<a",
                                                       "<style",
                                                       "<title",
                                                       "<b",
                                                       "<body",
                                                       "<br",
                                                       "<p",
                                                       "<!--"};
    return std::any_of(tags.begin(), tags.end(), [text](std::string_view tag) {
        const QByteArrayView start = text.first(std::min(text.size(), qsizetype(tag.size())));
        if (text.size() <= qsizetype(tag.size())
            || start.compare(QByteArrayView(tag.data(), qsizetype(tag.size())), Qt::CaseInsensitive)
                != 0)
            return false;
        const char after = text[qsizetype(tag.size())];
        return after == ' ' || after == '>';
    });
}

struct Signature
{
    std::string_view bytes;
    std::string_view mask; // empty: every byte counts; else 0xFF where it does, 0x00 where not
    const char *mimeType;
};

using namespace std::string_view_literals;

// Images, media, fonts, PDF and archives, by the bytes they start with.
const Signature signatures[] = {
    {"%PDF-"sv, {}, "application/pdf"},
    {"%!PS-Adobe-"sv, {}, "application/postscript"},
    {"\x00\x00\x01\x00"sv, {}, "image/x-icon"},
    {"\x00\x00\x02\x00"sv, {}, "image/x-icon"},
    {"BM"sv, {}, "image/bmp"},
    {"GIF87a"sv, {}, "image/gif"},
    {"GIF89a"sv, {}, "image/gif"},
    {"RIFF\0\0\0\0WEBPVP"sv, "\xFF\xFF\xFF\xFF\0\0\0\0\xFF\xFF\xFF\xFF\xFF\xFF"sv, "image/webp"},
    {"\x89PNG\r\n\x1A\n"sv, {}, "image/png"},
    {"\xFF\xD8\xFF"sv, {}, "image/jpeg"},
    {"FORM\0\0\0\0AIFF"sv, "\xFF\xFF\xFF\xFF\0\0\0\0\xFF\xFF\xFF\xFF"sv, "audio/aiff"},
    {"ID3"sv, {}, "audio/mpeg"},
    {"OggS\0"sv, {}, "application/ogg"},
    {"MThd\0\0\0\x06"sv, {}, "audio/midi"},
    {"RIFF\0\0\0\0AVI "sv, "\xFF\xFF\xFF\xFF\0\0\0\0\xFF\xFF\xFF\xFF"sv, "video/avi"},
    {"RIFF\0\0\0\0WAVE"sv, "\xFF\xFF\xFF\xFF\0\0\0\0\xFF\xFF\xFF\xFF"sv, "audio/wave"},
    {"fLaC"sv, {}, "audio/flac"},
    {"\x1A\x45\xDF\xA3"sv, {}, "video/webm"},
    {"\0\0\0\0ftyp"sv, "\0\0\0\0\xFF\xFF\xFF\xFF"sv, "video/mp4"},
    {"\x00\x01\x00\x00"sv, {}, "font/ttf"},
    {"OTTO"sv, {}, "font/otf"},
    {"ttcf"sv, {}, "font/collection"},
    {"wOFF"sv, {}, "font/woff"},
    {"wOF2"sv, {}, "font/woff2"},
    {"\x1F\x8B\x08"sv, {}, "application/x-gzip"},
    {"PK\x03\x04"sv, {}, "application/zip"},
    {"Rar!\x1A\x07"sv, {}, "application/x-rar-compressed"},
};

bool matches(QByteArrayView head, const Signature &signature)
{
    if (head.size() < qsizetype(signature.bytes.size()))
        return false;
    for (size_t i = 0; i < signature.bytes.size(); ++i) {
        const uchar mask = signature.mask.empty() ? 0xFF : uchar(signature.mask[i]);
        if ((uchar(head[qsizetype(i)]) & mask) != (uchar(signature.bytes[i]) & mask))
            return false;
    }
    return true;
}

QByteArrayView withoutLeadingWhitespace(QByteArrayView text)
{
    qsizetype at = 0;
    while (at < text.size() && isWhitespace(text[at]))
        ++at;
    return text.sliced(at);
}

} // namespace

QByteArray sniffedMimeType(const QByteArray &head)
{
    const QByteArrayView bytes = QByteArrayView(head).first(std::min(head.size(), sniffedBytes));
    const QByteArrayView text = withoutLeadingWhitespace(bytes);
    if (startsWithHtmlTag(text))
        return "text/html";
    if (text.startsWith("<?xml"))
        return "text/xml";
    for (const Signature &signature : signatures) {
        if (matches(bytes, signature))
            return signature.mimeType;
    }
    if (std::any_of(bytes.begin(), bytes.end(), isBinaryDataByte))
        return "application/octet-stream";
    return "text/plain";
}

bool isXhtmlRoot(const QByteArray &head)
{
    // The first tag that is not a declaration, a processing instruction or a comment, and the
    // namespace its own prefix (or none) is bound to there.
    static const QRegularExpression rootTag(
        QStringLiteral("^(?:\\s|<\\?[^>]*\\?>|<!--.*?-->|<!DOCTYPE[^>\\[]*(?:\\[.*?\\])?\\s*>)*"
                       "<(?:([A-Za-z_][\\w.-]*):)?html\\b([^>]*)>"),
        QRegularExpression::DotMatchesEverythingOption);
    const QString start = QString::fromUtf8(
        withoutLeadingWhitespace(head.first(std::min(head.size(), sniffedBytes))).toByteArray());
    const QRegularExpressionMatch match = rootTag.match(
        start.startsWith(QChar(0xFEFF)) ? start.mid(1) : start);
    if (!match.hasMatch())
        return false;
    const QString prefix = match.captured(1);
    const QRegularExpression declaration(
        (prefix.isEmpty() ? QStringLiteral("\\sxmlns") : QStringLiteral("\\sxmlns:") + prefix)
        + QStringLiteral("\\s*=\\s*([\"'])http://www\\.w3\\.org/1999/xhtml\\1"));
    return declaration.match(match.captured(2)).hasMatch();
}
