#include "engine/PagesByEngine.h"

PagesByEngine pagesTakenSince(const PagesByEngine &before, const PagesByEngine &now)
{
    return {now.fast - before.fast, now.browser - before.browser};
}

QString describePagesByEngine(const PagesByEngine &pages)
{
    const QString fast = pages.fast == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages.fast);
    return QStringLiteral("%1 by the fast engine, %2 by the browser engine").arg(fast).arg(pages.browser);
}
