#include "NodeArguments.h"
#include "RealMembers.h"

#include "engine/fast/scriptdom/AsciiCase.h"

using namespace NodeArguments;

// The state form controls hold beside their attributes: an input's checkedness and value once
// a script set them, as the HTML standard keeps them. None of it shows in a page's text; scripts
// read it, and libraries test the browser by it.
namespace {

const QString checkedAttribute = QStringLiteral("checked");
const QString valueAttribute = QStringLiteral("value");
const QString typeAttribute = QStringLiteral("type");

enum class ValueMode { Value, Default, DefaultOn, NotModelled };

QString inputType(const ScriptDocument &document, int input)
{
    static const QSet<QString> types = {
        QStringLiteral("hidden"),   QStringLiteral("text"),  QStringLiteral("search"),
        QStringLiteral("tel"),      QStringLiteral("url"),   QStringLiteral("email"),
        QStringLiteral("password"), QStringLiteral("date"),  QStringLiteral("month"),
        QStringLiteral("week"),     QStringLiteral("time"),  QStringLiteral("datetime-local"),
        QStringLiteral("number"),   QStringLiteral("range"), QStringLiteral("color"),
        QStringLiteral("checkbox"), QStringLiteral("radio"), QStringLiteral("file"),
        QStringLiteral("submit"),   QStringLiteral("image"), QStringLiteral("reset"),
        QStringLiteral("button")};
    const QString type = document.attribute(input, typeAttribute).toLower();
    return types.contains(type) ? type : QStringLiteral("text");
}

// Which types' values are modelled: those whose sanitization is removing line breaks, or none.
ValueMode valueMode(const QString &type)
{
    if (type == u"text" || type == u"search" || type == u"tel" || type == u"password")
        return ValueMode::Value;
    if (type == u"checkbox" || type == u"radio")
        return ValueMode::DefaultOn;
    if (type == u"hidden" || type == u"submit" || type == u"image" || type == u"reset"
        || type == u"button")
        return ValueMode::Default;
    return ValueMode::NotModelled;
}

QString withoutLineBreaks(QString text)
{
    text.remove(u'\n');
    text.remove(u'\r');
    return text;
}

QString inputValue(ScriptPage &page, int input, ValueMode mode)
{
    const QString attribute = page.document.attribute(input, valueAttribute);
    switch (mode) {
    case ValueMode::Value: {
        const auto dirty = page.formValues.constFind(input);
        return withoutLineBreaks(dirty != page.formValues.constEnd() ? dirty.value() : attribute);
    }
    case ValueMode::DefaultOn:
        return attribute.isNull() ? QStringLiteral("on") : attribute;
    case ValueMode::Default:
    case ValueMode::NotModelled:
        break;
    }
    return attribute.isNull() ? QStringLiteral("") : attribute;
}

void addInputMembers(RealMembers &members)
{
    members.attribute(
        "HTMLInputElement", "checked",
        [](const Info &info) {
        ScriptPage &page = pageOf(info);
        const auto dirty = page.checkedness.constFind(self(info));
        info.GetReturnValue().Set(dirty != page.checkedness.constEnd()
                                      ? dirty.value()
                                      : page.document.hasAttribute(self(info), checkedAttribute));
        },
        [](const Info &info) {
        pageOf(info).checkedness.insert(self(info), info[0]->BooleanValue(info.GetIsolate()));
    });
    members.attribute(
        "HTMLInputElement", "defaultChecked",
        [](const Info &info) {
        info.GetReturnValue().Set(pageOf(info).document.hasAttribute(self(info), checkedAttribute));
        },
        [](const Info &info) {
        ScriptDocument &document = pageOf(info).document;
        if (info[0]->BooleanValue(info.GetIsolate()))
            document.setAttribute(self(info), checkedAttribute, QStringLiteral(""));
        else
            document.removeAttribute(self(info), checkedAttribute);
    });
    members.attribute(
        "HTMLInputElement", "type",
        [](const Info &info) { returnString(info, inputType(pageOf(info).document, self(info))); },
        [](const Info &info) {
        const auto type = stringArgument(info, 0);
        if (!type)
            return;
        ScriptPage &page = pageOf(info);
        const int input = self(info);
        const ValueMode before = valueMode(inputType(page.document, input));
        const QString value = inputValue(page, input, before);
        page.document.setAttribute(input, typeAttribute, *type);
        const ValueMode after = valueMode(inputType(page.document, input));
        // Leaving the value mode keeps the value, in the attribute.
        if (before == ValueMode::Value && after != ValueMode::Value
            && page.formValues.contains(input)) {
            page.document.setAttribute(input, valueAttribute, value);
            page.formValues.remove(input);
        }
        });
    members.attribute(
        "HTMLInputElement", "value",
        [](const Info &info) {
        ScriptPage &page = pageOf(info);
        const ValueMode mode = valueMode(inputType(page.document, self(info)));
        if (mode == ValueMode::NotModelled)
            page.runtime.notModelled("HTMLInputElement.value");
        else
            returnString(info, inputValue(page, self(info), mode));
        },
        [](const Info &info) {
        ScriptPage &page = pageOf(info);
        const auto value = stringArgument(info, 0);
        if (!value)
            return;
        switch (valueMode(inputType(page.document, self(info)))) {
        case ValueMode::Value:
            page.formValues.insert(self(info), *value);
            break;
        case ValueMode::Default:
        case ValueMode::DefaultOn:
            page.document.setAttribute(self(info), valueAttribute, *value);
            break;
        case ValueMode::NotModelled:
            page.runtime.notModelled("HTMLInputElement.value");
            break;
        }
    });
    members.attribute(
        "HTMLInputElement", "defaultValue",
        [](const Info &info) {
        const QString value = pageOf(info).document.attribute(self(info), valueAttribute);
        returnString(info, value.isNull() ? QStringLiteral("") : value);
        },
        [](const Info &info) {
        if (const auto value = stringArgument(info, 0))
            pageOf(info).document.setAttribute(self(info), valueAttribute, *value);
    });
}

// A button's type is its attribute's, when a known one in any case; else it submits.
void addButtonMembers(RealMembers &members)
{
    members.attribute(
        "HTMLButtonElement", "type",
        [](const Info &info) {
        const QString type = asciiLowered(
            pageOf(info).document.attribute(self(info), typeAttribute));
        const bool known = type == u"reset" || type == u"button";
        returnString(info, known ? type : QStringLiteral("submit"));
        },
        [](const Info &info) {
        if (const auto type = stringArgument(info, 0))
            pageOf(info).document.setAttribute(self(info), typeAttribute, *type);
    });
}

// An option is selected by its attribute; of a select's options none of which has it, the
// first is, unless the select takes several.
void addOptionMembers(RealMembers &members)
{
    members.attribute("HTMLOptionElement", "selected", [](const Info &info) {
        ScriptPage &page = pageOf(info);
        ScriptDocument &document = page.document;
        const int option = self(info);
        const QString selected = QStringLiteral("selected");
        if (document.hasAttribute(option, selected)) {
            info.GetReturnValue().Set(true);
            return;
        }
        int select = document.parentElement(option);
        if (select != ScriptDocument::noNode && document.localName(select) == u"optgroup")
            select = document.parentElement(select);
        if (select == ScriptDocument::noNode || document.localName(select) != u"select") {
            info.GetReturnValue().Set(false);
            return;
        }
        if (document.hasAttribute(select, QStringLiteral("multiple"))
            || !document.attribute(select, QStringLiteral("size")).isNull()) {
            page.runtime.notModelled("HTMLOptionElement.selected");
            return;
        }
        const std::vector<int> options = document.getElementsByTagName(select,
                                                                       QStringLiteral("option"));
        for (int other : options) {
            if (document.hasAttribute(other, selected)) {
                info.GetReturnValue().Set(false);
                return;
            }
        }
        info.GetReturnValue().Set(!options.empty() && options.front() == option);
    });
    members.attribute(
        "HTMLTextAreaElement", "defaultValue",
        [](const Info &info) { returnString(info, pageOf(info).document.textContent(self(info))); },
        [](const Info &info) {
        if (const auto text = stringArgument(info, 0))
            pageOf(info).document.setTextContent(self(info), *text);
        });
}

} // namespace

void addFormControlMembers(RealMembers &members)
{
    addInputMembers(members);
    addButtonMembers(members);
    addOptionMembers(members);
}
