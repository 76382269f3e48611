#pragma once

#include <QString>

// text as it may be shown on a terminal or in a message: every control character is written
// out as "ls -b" writes it ("\n", "\t", "\033", "\302\233" for U+009B), a byte of a name that
// is not valid UTF-8 as its octal value ("\351"), and a backslash doubled, so that a file name
// can neither start a line of its own nor drive the terminal, and two names never look alike.
QString escapeControlCharacters(const QString &text);
