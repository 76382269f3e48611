#include "NodeArguments.h"
#include "RealMembers.h"
#include "StyleColours.h"
#include "StyleDeclarations.h"

#include "engine/fast/css/PropertyTable.h"
#include "engine/fast/css/StyleSheet.h"

#include <QRegularExpression>
#include <QSet>

#include <string>

using namespace NodeArguments;

// An element's style attribute as a CSSStyleDeclaration. What a page's text depends on is the
// cascade of the attribute, which the engine reads from it as it reads any other: so a change is
// written into the attribute as the script gives it, and a value the browser would refuse, for a
// property the engine reads, is refused here too. What a script reads back must be the
// browser's serialization: a single keyword is, and so is a colour; anything else is not
// modelled.
namespace {

struct StyleDeclaration
{
    QString name;
    QString value;
    bool important = false;
};

const QString styleAttribute = QStringLiteral("style");

// url(x) or url("x") with nothing in x to escape: the one function a value may hold here.
const QRegularExpression
    plainUrl(QString::fromLatin1(R"re(url\((?:"([^"'()\\\s;]*)"|([^"'()\\\s;]*))\))re"));

// rgb(...) or rgba(...) with nothing inside that a plain split would break.
const QRegularExpression
    plainColourFunction(QString::fromLatin1(R"re(rgba?\((?:[^()"'\\;{}/]|/(?!\*))*\))re"),
                        QRegularExpression::CaseInsensitiveOption);

// Comments, strings, escapes, blocks and functions, which a plain split would break.
bool holdsStructure(const QString &text)
{
    const QString outsideUrls = QString(text)
                                    .replace(plainUrl, QStringLiteral("url"))
                                    .replace(plainColourFunction, QStringLiteral("rgb"));
    for (QStringView structure : {u"/*", u"\"", u"'", u"\\", u"{", u"}", u"("}) {
        if (outsideUrls.contains(structure))
            return true;
    }
    return false;
}

// A value as the browser keeps it: its URLs quoted.
QString withUrlsQuoted(const QString &value)
{
    return QString(value).replace(plainUrl, QString::fromLatin1(R"(url("\1\2"))"));
}

// A single URL, read back as the browser serializes it.
bool isQuotedUrl(const QString &value)
{
    const QRegularExpressionMatch match = plainUrl.match(value);
    return match.hasMatch() && match.capturedLength() == value.size() && value.contains(u'"');
}

// The declarations of a style attribute, or nothing when it holds what is not split here.
std::optional<QList<StyleDeclaration>> declarationsOf(const QString &text)
{
    if (holdsStructure(text))
        return std::nullopt;
    QList<StyleDeclaration> declarations;
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype colon = part.indexOf(u':');
        if (part.trimmed().isEmpty())
            continue;
        if (colon < 0)
            return std::nullopt;
        StyleDeclaration declaration{part.left(colon).trimmed().toLower(),
                                     part.mid(colon + 1).trimmed()};
        if (declaration.value.endsWith(QStringLiteral("!important"), Qt::CaseInsensitive)) {
            declaration.value.chop(10);
            declaration.value = declaration.value.trimmed();
            declaration.important = true;
        }
        if (declaration.value.contains(u'!'))
            return std::nullopt;
        // A colour function serializes as a colour only where the property takes a colour.
        if (!isColourProperty(declaration.name)
            && QString(declaration.value).remove(plainUrl).contains(u'('))
            return std::nullopt;
        declarations.append(declaration);
    }
    return declarations;
}

QString serialized(const QList<StyleDeclaration> &declarations)
{
    QStringList parts;
    for (const StyleDeclaration &declaration : declarations)
        parts.append(
            declaration.name + QStringLiteral(": ") + declaration.value
            + (declaration.important ? QStringLiteral(" !important;") : QStringLiteral(";")));
    return parts.join(u' ');
}

// "backgroundColor" -> "background-color", "cssFloat" -> "float", "webkitBoxOrient" ->
// "-webkit-box-orient"; a name with a hyphen is the property's own.
QString propertyName(const QString &member)
{
    if (member.contains(u'-'))
        return member;
    if (member == u"cssFloat")
        return QStringLiteral("float");
    QString name;
    for (QChar c : member) {
        if (c.isUpper()) {
            name += u'-';
            name += c.toLower();
        } else {
            name += c;
        }
    }
    if (name.startsWith(u"webkit-"))
        name.prepend(u'-');
    return name;
}

bool isReadByEngine(const QString &property)
{
    for (int id = 0; id < propertyCount; ++id) {
        if (QLatin1String(propertyRow(PropertyId(id)).name.data(),
                          qsizetype(propertyRow(PropertyId(id)).name.size()))
            == property)
            return true;
    }
    return false;
}

bool isKeyword(const QString &value)
{
    if (value.isEmpty())
        return false;
    for (QChar c : value) {
        if (!((c >= u'a' && c <= u'z') || c == u'-'))
            return false;
    }
    return true;
}

// The first part of a property's name, which its shorthand and longhands share.
QString family(const QString &property)
{
    return property.section(u'-', 0, 0, QString::SectionSkipEmpty);
}

// Colours as the browser keeps them: serialized, and those it cannot parse left out.
bool withColoursSerialized(QList<StyleDeclaration> &declarations)
{
    for (auto declaration = declarations.begin(); declaration != declarations.end();) {
        if (!isColourProperty(declaration->name)) {
            ++declaration;
            continue;
        }
        const StyleColour colour = styleColour(declaration->value);
        if (colour.outcome == StyleColour::NotModelled)
            return false;
        if (colour.outcome == StyleColour::Dropped) {
            declaration = declarations.erase(declaration);
        } else {
            declaration->value = colour.serialized;
            ++declaration;
        }
    }
    return true;
}

std::optional<QList<StyleDeclaration>> elementDeclarations(ScriptPage &page, int element)
{
    const QString text = page.document.attribute(element, styleAttribute);
    auto declarations = declarationsOf(text.isNull() ? QString() : text);
    if (!declarations || !withColoursSerialized(*declarations)) {
        page.runtime.notModelled("CSSStyleDeclaration over this style attribute");
        return std::nullopt;
    }
    return declarations;
}

// A property's value as the browser reads it back, or nothing when that is not modelled.
std::optional<QString> propertyValue(ScriptPage &page, int element, const QString &property)
{
    const auto declarations = elementDeclarations(page, element);
    if (!declarations)
        return std::nullopt;
    std::optional<QString> value;
    bool related = false;
    for (const StyleDeclaration &declaration : *declarations) {
        if (declaration.name == property)
            value = declaration.value;
        else if (family(declaration.name) == family(property))
            related = true;
    }
    const bool serializedAsRead = value
        && (isKeyword(*value) || isQuotedUrl(*value) || isColourProperty(property));
    if (serializedAsRead && !related)
        return value;
    if (!value && !related)
        return QStringLiteral("");
    page.runtime.notModelled("CSSStyleDeclaration." + property.toStdString());
    return std::nullopt;
}

void setPropertyValue(ScriptPage &page, int element, const QString &property, const QString &value,
                      bool important)
{
    auto declarations = elementDeclarations(page, element);
    if (!declarations)
        return;
    QString trimmed = withUrlsQuoted(value.trimmed());
    const auto refuse = [&] {
        page.runtime.notModelled("CSSStyleDeclaration." + property.toStdString() + " = "
                                 + trimmed.toStdString());
    };
    if (isColourProperty(property) && !trimmed.isEmpty()) {
        const StyleColour colour = styleColour(value);
        if (colour.outcome == StyleColour::NotModelled)
            return refuse();
        if (colour.outcome == StyleColour::Dropped)
            return; // the browser keeps no value it cannot parse
        trimmed = colour.serialized;
    }
    const bool foreignFunction = !isColourProperty(property)
        && QString(trimmed).remove(plainUrl).contains(u'(');
    if (trimmed.contains(u';') || trimmed.contains(u'!') || holdsStructure(trimmed)
        || foreignFunction)
        return refuse();
    if (!trimmed.isEmpty() && isReadByEngine(property)
        && parseDeclarations(QString(property + u':' + trimmed)).empty())
        return; // the browser keeps no value it cannot parse
    const auto existing = std::find_if(declarations->begin(), declarations->end(),
                                       [&](const StyleDeclaration &declaration) {
        return declaration.name == property;
    });
    if (trimmed.isEmpty()) {
        declarations->removeIf(
            [&](const StyleDeclaration &declaration) { return declaration.name == property; });
    } else if (existing != declarations->end()) {
        existing->value = trimmed;
        existing->important = important;
    } else {
        declarations->append({property, trimmed, important});
    }
    page.document.setAttribute(element, styleAttribute, serialized(*declarations));
}

// The properties the browser has, by the names scripts use: the common ones, and every one the
// engine reads.
bool isCssProperty(const QString &property)
{
    static const QSet<QString> properties = [] {
        QSet<QString> names;
        for (const char *name : {"align-content",
                                 "align-items",
                                 "align-self",
                                 "animation",
                                 "animation-delay",
                                 "animation-direction",
                                 "animation-duration",
                                 "animation-fill-mode",
                                 "animation-iteration-count",
                                 "animation-name",
                                 "animation-play-state",
                                 "animation-timing-function",
                                 "appearance",
                                 "backface-visibility",
                                 "background",
                                 "background-attachment",
                                 "background-clip",
                                 "background-color",
                                 "background-image",
                                 "background-origin",
                                 "background-position",
                                 "background-repeat",
                                 "background-size",
                                 "border",
                                 "border-bottom",
                                 "border-bottom-color",
                                 "border-bottom-left-radius",
                                 "border-bottom-right-radius",
                                 "border-bottom-style",
                                 "border-bottom-width",
                                 "border-collapse",
                                 "border-color",
                                 "border-left",
                                 "border-left-color",
                                 "border-left-style",
                                 "border-left-width",
                                 "border-radius",
                                 "border-right",
                                 "border-right-color",
                                 "border-right-style",
                                 "border-right-width",
                                 "border-spacing",
                                 "border-style",
                                 "border-top",
                                 "border-top-color",
                                 "border-top-left-radius",
                                 "border-top-right-radius",
                                 "border-top-style",
                                 "border-top-width",
                                 "border-width",
                                 "bottom",
                                 "box-shadow",
                                 "box-sizing",
                                 "caption-side",
                                 "clear",
                                 "clip",
                                 "clip-path",
                                 "color",
                                 "columns",
                                 "column-count",
                                 "column-gap",
                                 "column-rule-color",
                                 "column-width",
                                 "content",
                                 "content-visibility",
                                 "counter-increment",
                                 "counter-reset",
                                 "cursor",
                                 "direction",
                                 "display",
                                 "empty-cells",
                                 "filter",
                                 "flex",
                                 "flex-basis",
                                 "flex-direction",
                                 "flex-flow",
                                 "flex-grow",
                                 "flex-shrink",
                                 "flex-wrap",
                                 "float",
                                 "flood-color",
                                 "font",
                                 "font-family",
                                 "font-feature-settings",
                                 "font-kerning",
                                 "font-size",
                                 "font-stretch",
                                 "font-style",
                                 "font-variant",
                                 "font-weight",
                                 "gap",
                                 "grid",
                                 "grid-area",
                                 "grid-column",
                                 "grid-gap",
                                 "grid-row",
                                 "grid-template",
                                 "grid-template-areas",
                                 "grid-template-columns",
                                 "grid-template-rows",
                                 "height",
                                 "hyphens",
                                 "inset",
                                 "isolation",
                                 "justify-content",
                                 "justify-items",
                                 "justify-self",
                                 "left",
                                 "letter-spacing",
                                 "lighting-color",
                                 "line-height",
                                 "list-style",
                                 "list-style-image",
                                 "list-style-position",
                                 "list-style-type",
                                 "margin",
                                 "margin-bottom",
                                 "margin-left",
                                 "margin-right",
                                 "margin-top",
                                 "mask",
                                 "max-height",
                                 "max-width",
                                 "min-height",
                                 "min-width",
                                 "mix-blend-mode",
                                 "object-fit",
                                 "object-position",
                                 "opacity",
                                 "order",
                                 "outline",
                                 "outline-color",
                                 "outline-offset",
                                 "outline-style",
                                 "outline-width",
                                 "overflow",
                                 "overflow-wrap",
                                 "overflow-x",
                                 "overflow-y",
                                 "padding",
                                 "padding-bottom",
                                 "padding-left",
                                 "padding-right",
                                 "padding-top",
                                 "page-break-after",
                                 "page-break-before",
                                 "page-break-inside",
                                 "perspective",
                                 "perspective-origin",
                                 "place-content",
                                 "place-items",
                                 "pointer-events",
                                 "position",
                                 "quotes",
                                 "resize",
                                 "right",
                                 "row-gap",
                                 "scroll-behavior",
                                 "stop-color",
                                 "tab-size",
                                 "table-layout",
                                 "text-align",
                                 "text-align-last",
                                 "text-decoration",
                                 "text-decoration-color",
                                 "text-decoration-line",
                                 "text-decoration-style",
                                 "text-emphasis-color",
                                 "text-indent",
                                 "text-overflow",
                                 "text-shadow",
                                 "text-transform",
                                 "top",
                                 "touch-action",
                                 "transform",
                                 "transform-origin",
                                 "transform-style",
                                 "transition",
                                 "transition-delay",
                                 "transition-duration",
                                 "transition-property",
                                 "transition-timing-function",
                                 "unicode-bidi",
                                 "user-select",
                                 "vertical-align",
                                 "visibility",
                                 "white-space",
                                 "width",
                                 "will-change",
                                 "word-break",
                                 "word-spacing",
                                 "word-wrap",
                                 "writing-mode",
                                 "z-index",
                                 "zoom",
                                 "-webkit-appearance",
                                 "-webkit-box-orient",
                                 "-webkit-line-clamp",
                                 "-webkit-text-fill-color",
                                 "-webkit-text-stroke-color",
                                 "-webkit-transform",
                                 "-webkit-transition",
                                 "-webkit-user-select",
                                 "-webkit-animation"})
            names.insert(QString::fromLatin1(name));
        return names;
    }();
    return properties.contains(property);
}

DeclarationOwner ownerOf(v8::Local<v8::Object> declaration)
{
    return declarationOwner(internalValueOf(declaration));
}

int styledElement(const Info &info)
{
    return ownerOf(info.This()).element;
}

std::optional<QString> valueFor(ScriptPage &page, DeclarationOwner owner, const QString &property)
{
    return owner.computed ? computedPropertyValue(page, owner.element, property)
                          : propertyValue(page, owner.element, property);
}

QString setterContext(const QString &member)
{
    return QStringLiteral("Failed to set the '%1' property on 'CSSStyleDeclaration': ").arg(member);
}

QString operationContext(const char *operation)
{
    return QStringLiteral("Failed to execute '%1' on 'CSSStyleDeclaration': ")
        .arg(QLatin1String(operation));
}

void propertyGetter(const Info &info)
{
    const QString member = fromV8(info.GetIsolate(), info.Data().As<v8::String>());
    if (const auto value = valueFor(pageOf(info), ownerOf(info.This()), propertyName(member)))
        returnString(info, *value);
}

void propertySetter(const Info &info)
{
    const QString member = fromV8(info.GetIsolate(), info.Data().As<v8::String>());
    const auto value = nullableStringArgument(info, 0);
    if (!value)
        return;
    if (ownerOf(info.This()).computed)
        refuseComputedStyleWrite(pageOf(info), setterContext(member), propertyName(member));
    else
        setPropertyValue(pageOf(info), styledElement(info), propertyName(member), *value, false);
}

void addDeclarationOperations(RealMembers &members)
{
    members.operation("CSSStyleDeclaration", "getPropertyValue", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        if (!name)
            return;
        if (const auto value = valueFor(pageOf(info), ownerOf(info.This()), name->toLower()))
            returnString(info, *value);
    });
    members.operation("CSSStyleDeclaration", "setProperty", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        const auto value = name ? nullableStringArgument(info, 1) : std::nullopt;
        const auto priority = value ? (info[2]->IsUndefined() ? QString() : stringArgument(info, 2))
                                    : std::nullopt;
        if (!priority)
            return;
        if (ownerOf(info.This()).computed)
            return refuseComputedStyleWrite(pageOf(info), operationContext("setProperty"), *name);
        if (!priority->isEmpty() && priority->compare(u"important", Qt::CaseInsensitive) != 0)
            return;
        setPropertyValue(pageOf(info), styledElement(info), name->toLower(), *value,
                         !priority->isEmpty());
    });
    members.operation("CSSStyleDeclaration", "removeProperty", [](const Info &info) {
        const auto name = stringArgument(info, 0);
        if (!name)
            return;
        if (ownerOf(info.This()).computed)
            return refuseComputedStyleWrite(pageOf(info), operationContext("removeProperty"),
                                            *name);
        const QString property = name->toLower();
        const auto old = propertyValue(pageOf(info), styledElement(info), property);
        if (!old)
            return;
        setPropertyValue(pageOf(info), styledElement(info), property, QString(), false);
        returnString(info, *old);
    });
    // Written as given, the attribute is read as the browser reads its own serialization.
    members.attribute(
        "CSSStyleDeclaration", "cssText",
        [](const Info &info) { pageOf(info).runtime.notModelled("CSSStyleDeclaration.cssText"); },
        [](const Info &info) {
        const auto text = nullableStringArgument(info, 0);
        if (text && ownerOf(info.This()).computed)
            refuseComputedStyleWrite(pageOf(info), setterContext(QStringLiteral("cssText")),
                                     QString());
        else if (text)
            pageOf(info).document.setAttribute(styledElement(info), styleAttribute, *text);
        });
}

} // namespace

void addStyleMembers(RealMembers &members)
{
    for (const char *interface : {"HTMLElement", "SVGElement"}) {
        members.attribute(
            interface, "style",
            [](const Info &info) {
            info.GetReturnValue().Set(sameObject(info, "style", [&] {
                return pageOf(info).templates.newInstance("CSSStyleDeclaration", self(info));
            }));
            },
            [](const Info &info) {
            if (const auto text = nullableStringArgument(info, 0))
                pageOf(info).document.setAttribute(self(info), styleAttribute, *text);
        });
    }
    members.attribute("CSSStyleDeclaration", "cssFloat", propertyGetter, propertySetter);
    members.instanceSetup("CSSStyleDeclaration", [](v8::Local<v8::ObjectTemplate> instance) {
        v8::NamedPropertyHandlerConfiguration handlers;
        handlers.getter =
            [](v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            const QString property = propertyName(fromV8(isolate, name.As<v8::String>()));
            if (!isCssProperty(property))
                return;
            ScriptPage &page = ScriptPage::of(isolate);
            if (const auto value = valueFor(page, ownerOf(info.Holder()), property))
                info.GetReturnValue().Set(toV8(isolate, *value));
        };
        handlers.setter = [](v8::Local<v8::Name> name, v8::Local<v8::Value> value,
                             const v8::PropertyCallbackInfo<v8::Value> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            const QString member = fromV8(isolate, name.As<v8::String>());
            const QString property = propertyName(member);
            if (!isCssProperty(property))
                return;
            if (ownerOf(info.Holder()).computed) {
                // The text is taken first, as the browser converts it before it refuses.
                if (domString(isolate, value))
                    refuseComputedStyleWrite(ScriptPage::of(isolate), setterContext(member),
                                             property);
                return;
            }
            const auto text = value->IsNull() ? std::optional(QString())
                                              : domString(isolate, value);
            if (text)
                setPropertyValue(ScriptPage::of(isolate), ownerOf(info.Holder()).element, property,
                                 *text, false);
            info.GetReturnValue().Set(value);
        };
        handlers.query =
            [](v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Integer> &info) {
            v8::Isolate *isolate = info.GetIsolate();
            if (isCssProperty(propertyName(fromV8(isolate, name.As<v8::String>()))))
                info.GetReturnValue().Set(v8::None);
        };
        handlers.flags = v8::PropertyHandlerFlags::kOnlyInterceptStrings;
        instance->SetHandler(handlers);
    });
    addDeclarationOperations(members);
}
