#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes, and not every name is valid UTF-8. These two convert between a name's
// bytes and the QString the program holds it in without losing any byte: valid UTF-8 reads as
// text, and each byte that is not part of valid UTF-8 is held as the lone surrogate U+DC80 to
// U+DCFF (as Python's "surrogateescape" does), which turns back into that very byte. Every file
// operation of the program takes its name through encodeFileName(); Qt's own file classes would
// write such bytes as "?" and miss the file.
QString decodeFileName(const QByteArray &bytes);
QByteArray encodeFileName(const QString &name);

// True when name holds the character that stands in for bytes that could not be read: the name
// came from somewhere that did not keep its exact bytes (Qt's file dialog, say).
bool hasUnreadableBytes(const QString &name);
