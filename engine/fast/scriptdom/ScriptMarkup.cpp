#include "engine/fast/scriptdom/ScriptDocument.h"

TextResult ScriptDocument::innerHtml(int) const
{
    return {{}, DomError::NotModelled};
}

TextResult ScriptDocument::outerHtml(int) const
{
    return {{}, DomError::NotModelled};
}

DomError ScriptDocument::setInnerHtml(int, const QString &)
{
    return DomError::NotModelled;
}

DomError ScriptDocument::setOuterHtml(int, const QString &)
{
    return DomError::NotModelled;
}

DomError ScriptDocument::insertAdjacentHtml(int, const QString &, const QString &)
{
    return DomError::NotModelled;
}

NodeResult ScriptDocument::insertAdjacentElement(int, const QString &, int)
{
    return {noNode, DomError::NotModelled};
}

DomError ScriptDocument::insertAdjacentText(int, const QString &, const QString &)
{
    return DomError::NotModelled;
}
