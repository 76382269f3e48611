#pragma once

#include <QString>

#include <optional>

class ScriptPage;

// A CSSStyleDeclaration stands for an element's style attribute, or for its computed style,
// which scripts may only read. Its internal value tells which: the element's index for the
// first, and below -1 for the second, so that neither is mistaken for the other.
struct DeclarationOwner
{
    int element;
    bool computed;
};

inline int declarationInternalValue(DeclarationOwner owner)
{
    return owner.computed ? -2 - owner.element : owner.element;
}

inline DeclarationOwner declarationOwner(int internalValue)
{
    return internalValue < -1 ? DeclarationOwner{-2 - internalValue, true}
                              : DeclarationOwner{internalValue, false};
}

// An element's computed value of a CSS property, serialized as the browser serializes it;
// nothing when the page had to stop (the value could not be told exactly).
std::optional<QString> computedPropertyValue(ScriptPage &page, int element,
                                             const QString &property);

// A write to a computed style, which the browser refuses with a NoModificationAllowedError:
// `context` is the message's start ("Failed to set the 'display' property on
// 'CSSStyleDeclaration': "), `property` the property named in it, if any.
void refuseComputedStyleWrite(ScriptPage &page, const QString &context, const QString &property);
