#include "BrowserAddress.h"
#include "BrowserValues.h"
#include "NodeArguments.h"
#include "RealMembers.h"

#include <QStringDecoder>

#include <v8-container.h>

#include <cctype>

using namespace NodeArguments;

// URL and URLSearchParams as far as a page reads its own address: a URL made of the page's own
// address, which has no query, and lists of parameters parsed from a string. Whatever would
// need a URL parser (another address, a base, a change to a URL) is not modelled.
namespace {

using Parameters = QList<std::pair<QString, QString>>;

// A USVString argument: ToString, each lone surrogate made U+FFFD.
std::optional<QString> usvString(const Info &info, int index)
{
    std::optional<QString> text = stringArgument(info, index);
    if (!text)
        return std::nullopt;
    for (qsizetype at = 0; at < text->size(); ++at) {
        const QChar c = text->at(at);
        if (c.isHighSurrogate() && at + 1 < text->size() && text->at(at + 1).isLowSurrogate())
            ++at;
        else if (c.isSurrogate())
            (*text)[at] = QChar::ReplacementCharacter;
    }
    return text;
}

// --- application/x-www-form-urlencoded ---

// A percent sign without two hexadecimal digits after it stays as it is. Bytes that are not
// UTF-8 give nothing: the browser's replacement of them is not modelled.
std::optional<QString> decodedComponent(const QByteArray &bytes)
{
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char byte = bytes[at];
        if (byte == '%' && at + 2 < bytes.size() && std::isxdigit(uchar(bytes[at + 1]))
            && std::isxdigit(uchar(bytes[at + 2]))) {
            decoded += char(bytes.mid(at + 1, 2).toInt(nullptr, 16));
            at += 2;
        } else {
            decoded += byte == '+' ? ' ' : byte;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(decoded);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

std::optional<Parameters> parsedParameters(const QString &query)
{
    Parameters parameters;
    for (const QByteArray &sequence : query.toUtf8().split('&')) {
        if (sequence.isEmpty())
            continue;
        const qsizetype equals = sequence.indexOf('=');
        const auto name = decodedComponent(equals < 0 ? sequence : sequence.left(equals));
        const auto value = decodedComponent(equals < 0 ? QByteArray() : sequence.mid(equals + 1));
        if (!name || !value)
            return std::nullopt;
        parameters.append({*name, *value});
    }
    return parameters;
}

QString encodedComponent(const QString &text)
{
    QString out;
    for (const char byte : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(byte);
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '*'
            || u == '-' || u == '.' || u == '_')
            out += QChar(u);
        else if (u == ' ')
            out += u'+';
        else
            out += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString serialised(const Parameters &parameters)
{
    QStringList pairs;
    for (const auto &[name, value] : parameters)
        pairs.append(encodedComponent(name) + u'=' + encodedComponent(value));
    return pairs.join(u'&');
}

// --- A list's storage: on its object, where the page cannot see it ---

v8::Local<v8::Private> listKey(v8::Isolate *isolate)
{
    return v8::Private::ForApi(isolate, toV8(isolate, "URLSearchParams list"));
}

Parameters parametersOf(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    Parameters parameters;
    v8::Local<v8::Value> held;
    if (!info.This()->GetPrivate(context, listKey(isolate)).ToLocal(&held) || !held->IsArray())
        return parameters;
    const v8::Local<v8::Array> list = held.As<v8::Array>();
    for (uint32_t at = 0; at + 1 < list->Length(); at += 2) {
        v8::Local<v8::Value> name;
        v8::Local<v8::Value> value;
        if (list->Get(context, at).ToLocal(&name) && list->Get(context, at + 1).ToLocal(&value))
            parameters.append(
                {fromV8(isolate, name.As<v8::String>()), fromV8(isolate, value.As<v8::String>())});
    }
    return parameters;
}

void storeParameters(v8::Isolate *isolate, v8::Local<v8::Object> object,
                     const Parameters &parameters)
{
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    const v8::Local<v8::Array> list = v8::Array::New(isolate, int(parameters.size() * 2));
    uint32_t at = 0;
    for (const auto &[name, value] : parameters) {
        list->Set(context, at++, toV8(isolate, name)).FromMaybe(false);
        list->Set(context, at++, toV8(isolate, value)).FromMaybe(false);
    }
    object->SetPrivate(context, listKey(isolate), list).FromMaybe(false);
}

void addSearchParamsMembers(RealMembers &members)
{
    members.constructor("URLSearchParams", [](const Info &info) {
        Parameters parameters;
        if (info[0]->IsObject()) {
            pageOf(info).runtime.notModelled("URLSearchParams.constructor");
            return;
        }
        if (!info[0]->IsUndefined()) {
            const auto init = usvString(info, 0);
            if (!init)
                return;
            const auto parsed = parsedParameters(init->startsWith(u'?') ? init->mid(1) : *init);
            if (!parsed) {
                pageOf(info).runtime.notModelled("URLSearchParams.constructor");
                return;
            }
            parameters = *parsed;
        }
        info.This()->SetInternalField(0, v8::Integer::New(info.GetIsolate(), 0));
        storeParameters(info.GetIsolate(), info.This(), parameters);
        info.GetReturnValue().Set(info.This());
    });
    members.operation("URLSearchParams", "get", [](const Info &info) {
        const auto name = hasArguments(info, 1, "URLSearchParams", "get") ? usvString(info, 0)
                                                                          : std::nullopt;
        if (!name)
            return;
        for (const auto &[each, value] : parametersOf(info)) {
            if (each == *name) {
                returnString(info, value);
                return;
            }
        }
        info.GetReturnValue().SetNull();
    });
    members.operation("URLSearchParams", "getAll", [](const Info &info) {
        const auto name = hasArguments(info, 1, "URLSearchParams", "getAll") ? usvString(info, 0)
                                                                             : std::nullopt;
        if (!name)
            return;
        QStringList values;
        for (const auto &[each, value] : parametersOf(info)) {
            if (each == *name)
                values.append(value);
        }
        v8::Isolate *isolate = info.GetIsolate();
        const v8::Local<v8::Array> array = v8::Array::New(isolate, int(values.size()));
        for (int at = 0; at < values.size(); ++at)
            array->Set(isolate->GetCurrentContext(), uint32_t(at), toV8(isolate, values[at]))
                .FromMaybe(false);
        info.GetReturnValue().Set(array);
    });
    members.operation("URLSearchParams", "has", [](const Info &info) {
        const auto name = hasArguments(info, 1, "URLSearchParams", "has") ? usvString(info, 0)
                                                                          : std::nullopt;
        if (!name)
            return;
        const Parameters parameters = parametersOf(info);
        info.GetReturnValue().Set(
            std::any_of(parameters.begin(), parameters.end(),
                        [&](const auto &each) { return each.first == *name; }));
    });
    // A URL's own list is empty, as the page's address has no query: taking from it changes
    // neither it nor its URL. A change that would add to it is not modelled.
    members.operation("URLSearchParams", "delete", [](const Info &info) {
        const auto name = hasArguments(info, 1, "URLSearchParams", "delete") ? usvString(info, 0)
                                                                             : std::nullopt;
        if (!name)
            return;
        Parameters parameters = parametersOf(info);
        parameters.removeIf([&](const auto &each) { return each.first == *name; });
        storeParameters(info.GetIsolate(), info.This(), parameters);
    });
    members.operation("URLSearchParams", "toString",
                      [](const Info &info) { returnString(info, serialised(parametersOf(info))); });
}

// --- URL, of the page's own address only ---

void pageAddressPart(const Info &info, const std::optional<QString> &part)
{
    if (part)
        returnString(info, *part);
    else
        pageOf(info).runtime.notModelled("URL");
}

void addUrlMembers(RealMembers &members)
{
    members.constructor("URL", [](const Info &info) {
        if (!hasArguments(info, 1, "URL", nullptr))
            return;
        const auto address = usvString(info, 0);
        if (!address)
            return;
        ScriptPage &page = pageOf(info);
        if (!info[1]->IsUndefined() || *address != browserUrl(QUrl(page.context.pageUrl))) {
            page.runtime.notModelled("URL.constructor");
            return;
        }
        info.This()->SetInternalField(0, v8::Integer::New(info.GetIsolate(), 0));
        info.GetReturnValue().Set(info.This());
    });
    const auto href = [](const Info &info) {
        pageAddressPart(info, browserUrl(QUrl(pageOf(info).context.pageUrl)));
    };
    members.attribute("URL", "href", href);
    members.operation("URL", "toString", href);
    members.operation("URL", "toJSON", href);
    members.attribute("URL", "origin",
                      [](const Info &info) { returnString(info, browserOrigin()); });
    members.attribute("URL", "protocol", [](const Info &info) {
        returnString(info, QLatin1String(BrowserValues::pageScheme) + u':');
    });
    const auto host = [](const Info &info) { returnString(info, BrowserValues::pageHost); };
    members.attribute("URL", "host", host);
    members.attribute("URL", "hostname", host);
    const auto empty = [](const Info &info) { returnString(info, ""); };
    for (const char *part : {"port", "search", "hash", "username", "password"})
        members.attribute("URL", part, empty);
    members.attribute("URL", "pathname", [](const Info &info) {
        pageAddressPart(info, browserPath(QUrl(pageOf(info).context.pageUrl)));
    });
    members.attribute("URL", "searchParams", [](const Info &info) {
        info.GetReturnValue().Set(sameObject(info, "searchParams", [&] {
            const v8::Local<v8::Object> list = pageOf(info).templates.newInstance("URLSearchParams",
                                                                                  0);
            storeParameters(info.GetIsolate(), list, {});
            return list;
        }));
    });
}

} // namespace

void addUrlAndSearchParamsMembers(RealMembers &members)
{
    addSearchParamsMembers(members);
    addUrlMembers(members);
}
