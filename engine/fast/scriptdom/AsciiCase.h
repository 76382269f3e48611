#pragma once

#include <QString>

// The DOM folds the case of names in ASCII only: "İ" stays as it is.
inline bool isAsciiLower(QChar c)
{
    return c >= u'a' && c <= u'z';
}

inline bool isAsciiUpper(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

inline QString asciiUppered(const QString &text)
{
    QString uppered = text;
    for (QChar &c : uppered) {
        if (isAsciiLower(c))
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return uppered;
}

inline QString asciiLowered(const QString &text)
{
    QString lowered = text;
    for (QChar &c : lowered) {
        if (isAsciiUpper(c))
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return lowered;
}
