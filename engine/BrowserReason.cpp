#include "engine/BrowserReason.h"

QString describeBrowserReason(BrowserReason reason)
{
    switch (reason) {
    case BrowserReason::UnknownScript:
        return QStringLiteral("unknown script");
    case BrowserReason::Refresh:
        return QStringLiteral("refresh");
    case BrowserReason::UndeclaredEncoding:
        return QStringLiteral("undeclared encoding");
    case BrowserReason::UnsupportedEncoding:
        return QStringLiteral("unsupported encoding");
    case BrowserReason::FileName:
        return QStringLiteral("file name not UTF-8");
    case BrowserReason::TooManyAttributes:
        return QStringLiteral("too many attributes");
    case BrowserReason::FormTextMisplaced:
        return QStringLiteral("text at a form's end");
    case BrowserReason::NestingTooDeep:
        return QStringLiteral("nesting too deep");
    case BrowserReason::XhtmlNotModelled:
        return QStringLiteral("XHTML not well-formed or not modelled");
    case BrowserReason::ArchiveNotModelled:
        return QStringLiteral("saved-page archive not modelled");
    case BrowserReason::StyleRuleNotModelled:
        return QStringLiteral("style rule not modelled");
    case BrowserReason::ContentNeedsLayout:
        return QStringLiteral("content-visibility: auto");
    case BrowserReason::UnknownObject:
        return QStringLiteral("object of unknown type");
    case BrowserReason::TooLarge:
        return QStringLiteral("too large");
    case BrowserReason::ScriptNotModelled:
        return QStringLiteral("script not modelled");
    case BrowserReason::ScriptError:
        return QStringLiteral("script error");
    case BrowserReason::ScriptNotSettled:
        return QStringLiteral("script did not settle");
    case BrowserReason::ScriptWorkerFailed:
        return QStringLiteral("script worker failed");
    case BrowserReason::TimeBound:
        return QStringLiteral("too slow");
    }
    return {};
}
