#pragma once

#include <QByteArray>
#include <QString>

struct DecodedPage
{
    QString text;
    // True when the encoding was guessed: the bytes declare none and are not UTF-8. The browser
    // engine then runs a detector of its own (it finds Shift_JIS or KOI8-R from the bytes),
    // which the guess here (windows-1252) does not always match. Undeclared UTF-8 is no guess:
    // the browser engine is told it (decidedCharset()).
    bool guessed = false;
};

struct Utf8Page
{
    QByteArray utf8;      // the page's bytes themselves when they are UTF-8 already
    bool guessed = false; // as in DecodedPage
    // False when the page declares an encoding that is not decoded here as the browser
    // decodes it; the characters are then those of UTF-8.
    bool exact = true;
    // The encoding its byte-order mark or <meta> declares and it is decoded in, as iconv names
    // it ("UTF-8"); empty when it declares none, or one not decoded here.
    QByteArray encoding;
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

// Turns a page's bytes into characters as current browsers do for a local page: a byte-order
// mark first, then a <meta> charset declaration near the top, then UTF-8 for bytes that are
// UTF-8, and windows-1252 for undeclared bytes that are not.
DecodedPage decodePage(const QByteArray &bytes);

// Loads the system's converter of every encoding decoded here, and keeps each loaded for the
// rest of the process. A process about to lose the right to open files (the script worker)
// calls it first: the system loads a converter's module the first time it is asked for one.
void keepEveryDecoderLoaded();

// Decodes bytes in the encoding an encoding label names (as a page or style sheet may say it),
// or returns a null string for a label no browser knows.
QString decodeWithLabel(const QByteArray &bytes, const QByteArray &label);

// Decodes bytes in an encoding as a decoded page names it (Utf8Page::encoding: "KOI8-R").
QString decodeInEncoding(const QByteArray &bytes, const QByteArray &encoding);

// The charset a <meta> element of the page's head declares, as found by the browser's prescan
// of the bytes; empty when there is none.
QByteArray declaredCharset(const QByteArray &bytes);

// The encoding a page is read in, as a label an engine that would otherwise guess can be told
// (with the page's type, say): the label the page declares, the one the user chose for pages
// that declare none, or utf-8 for undeclared bytes that are UTF-8, wherever the first byte that
// is not ASCII lies. Empty where a byte-order mark
// decides, which no engine overrides, and for undeclared bytes that are not UTF-8, whose legacy
// encoding only a guess can tell.
QByteArray decidedCharset(const QByteArray &bytes);
