#pragma once

#include <QByteArrayView>
#include <QString>

// A page's UTF-8 text as characters. QString::fromUtf8() takes a U+FEFF at the start for a
// byte-order mark and drops it; in a page's text it is a zero-width no-break space that the
// browser keeps.
inline QString textFromUtf8(QByteArrayView utf8)
{
    static constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");
    qsizetype marks = 0;
    while (utf8.sliced(marks * byteOrderMark.size()).startsWith(byteOrderMark))
        ++marks;
    if (marks == 0)
        return QString::fromUtf8(utf8);
    return QString(marks, QChar(0xFEFF))
        + QString::fromUtf8(utf8.sliced(marks * byteOrderMark.size()));
}
