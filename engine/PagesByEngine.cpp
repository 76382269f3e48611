#include "engine/PagesByEngine.h"

#include <QStringList>

void PagesByEngine::countBrowserPage(BrowserReason reason)
{
    ++browser;
    ++browserByReason[size_t(reason)];
}

PagesByEngine pagesTakenSince(const PagesByEngine &before, const PagesByEngine &now)
{
    PagesByEngine taken{now.fast - before.fast, now.browser - before.browser};
    for (size_t reason = 0; reason < taken.browserByReason.size(); ++reason)
        taken.browserByReason[reason] = now.browserByReason[reason]
            - before.browserByReason[reason];
    return taken;
}

QString describePagesByEngine(const PagesByEngine &pages)
{
    const QString fast = pages.fast == 1 ? QStringLiteral("1 page")
                                         : QStringLiteral("%1 pages").arg(pages.fast);
    QStringList reasons;
    for (int reason = 0; reason < browserReasonCount; ++reason) {
        if (const int count = pages.browserByReason[size_t(reason)]; count > 0)
            reasons << QStringLiteral("%1 %2")
                           .arg(describeBrowserReason(BrowserReason(reason)))
                           .arg(count);
    }
    const QString why = reasons.isEmpty()
        ? QString()
        : QStringLiteral(" (%1)").arg(reasons.join(QLatin1String(", ")));
    return QStringLiteral("%1 by the fast engine, %2 by the browser engine%3")
        .arg(fast, QString::number(pages.browser), why);
}
