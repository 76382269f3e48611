#pragma once

#include <QString>

// Small pieces of CSS syntax shared by the style sheet and selector parsers.

inline bool isCssSpace(QChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline bool isNameStart(QChar c)
{
    return c.isLetter() || c == '_' || c == '-' || c == '\\' || c.unicode() >= 0x80;
}

// Reads an identifier at `at`, resolving backslash escapes; empty when none starts there.
QString readIdentifier(const QString &text, qsizetype &at);

// Reads a quoted string starting at its quote; `closed` says whether it ended before the text.
QString readString(const QString &text, qsizetype &at, bool *closed = nullptr);

// The text with every /* comment */ outside strings replaced by nothing.
QString withoutComments(const QString &text);

// The position of the first `wanted` character at the top level (outside strings, parentheses
// and brackets) from `at`, or -1.
qsizetype findTopLevel(const QString &text, qsizetype at, qsizetype end, QChar wanted);

// The position of the "}" that closes the block whose "{" is at `open`, or the text's end.
qsizetype findBlockEnd(const QString &text, qsizetype open, qsizetype end);
