#include "HttpSyntax.h"

#include <QStringView>

bool isHttpToken(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool tokenChar = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
            || (u >= u'0' && u <= u'9') || QStringView(u"!#$%&'*+-.^_`|~").contains(c);
        if (!tokenChar)
            return false;
    }
    return true;
}

bool isForbiddenMethod(const QString &method)
{
    for (const char *forbidden : {"CONNECT", "TRACE", "TRACK"}) {
        if (method.compare(QLatin1String(forbidden), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
