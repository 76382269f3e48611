#pragma once

#include <QByteArray>
#include <QString>

struct DecodedPage
{
    QString text;
    // True when the encoding was guessed: the bytes declare none and are not plain ASCII. The
    // browser engine then runs a detector of its own (it finds Shift_JIS or KOI8-R from the
    // bytes, and may take a page of UTF-8 with few accents for a legacy encoding), which the
    // guess here (UTF-8, else windows-1252) does not always match.
    bool guessed = false;
};

struct Utf8Page
{
    QByteArray utf8; // the page's bytes themselves when they are UTF-8 already
    bool guessed = false; // as in DecodedPage
    // False when the page declares an encoding that is not decoded here as the browser
    // decodes it; the characters are then those of UTF-8.
    bool exact = true;
};

// As decodePage(), into UTF-8, without a round trip through UTF-16 for a page in UTF-8. A page
// that declares no encoding is read in the one undeclaredLabel names, when it names one, and
// its encoding is then not guessed.
Utf8Page decodePageToUtf8(const QByteArray &bytes, const QByteArray &undeclaredLabel = {});

// The encoding the user says pages that declare none are in (a label, as --input-encoding
// takes it), for both engines alike; empty for their own choice. Set before any page is read.
void setUndeclaredPageEncoding(const QByteArray &label);
QByteArray undeclaredPageEncoding();

// Whether a label names an encoding that both engines decode alike.
bool isEncodingLabel(const QByteArray &label);

// Turns a page's bytes into characters as the browser engine does for a local page served as
// text/html without a charset: a byte-order mark first, then a <meta> charset declaration near
// the top, then UTF-8 (the engine's default here), and windows-1252 for undeclared bytes that
// are not UTF-8.
DecodedPage decodePage(const QByteArray &bytes);

// Decodes bytes in the encoding an encoding label names (as a page or style sheet may say it),
// or returns a null string for a label no browser knows.
QString decodeWithLabel(const QByteArray &bytes, const QByteArray &label);

// The charset a <meta> element of the page's head declares, as found by the browser's prescan
// of the bytes; empty when there is none.
QByteArray declaredCharset(const QByteArray &bytes);
