#include "BrowserAddress.h"
#include "HttpSyntax.h"
#include "RealMembers.h"
#include "ScriptPage.h"
#include "V8Strings.h"

#include <v8-container.h>
#include <v8-context.h>
#include <v8-exception.h>
#include <v8-promise.h>

#include <QRegularExpression>

#include <algorithm>
#include <memory>

// fetch() as the browser engine runs it on a local page. The page's own scheme is not one fetch
// takes, so a request for a file of the page's fails at once, in the same task; a request to the
// network is blocked, and fails a little later, once the page has loaded. Either way the promise
// is rejected with the browser's TypeError, after the same checks of the arguments, in the same
// order. What a request could carry beyond text and plain headers is not modelled.
namespace {

using Info = v8::FunctionCallbackInfo<v8::Value>;

// When a blocked request's failure reaches the page, in the browser engine's runs: after its
// load event and its first timers.
constexpr double networkFailureMs = 5;

const QString failedToFetch = QStringLiteral("Failed to fetch");

QString inFetch(const QString &message)
{
    return QStringLiteral("Failed to execute 'fetch' on 'Window': ") + message;
}

// What became of the arguments: a request to fail now or later, an error to reject the promise
// with, or a page the runtime has stopped.
struct Request
{
    enum Outcome { FailsNow, FailsLater, Rejected, Stopped };
    Outcome outcome = Stopped;
    v8::Local<v8::Value> error;
};

class RequestReader
{
public:
    explicit RequestReader(const Info &info)
        : m_info(info)
        , m_isolate(info.GetIsolate())
        , m_context(m_isolate->GetCurrentContext())
        , m_page(ScriptPage::of(m_isolate))
    {
    }

    Request read();

private:
    Request typeError(const QString &message) const
    {
        return {Request::Rejected, v8::Exception::TypeError(toV8(m_isolate, message))};
    }
    Request notModelled() const
    {
        m_page.runtime.notModelled("Window.fetch");
        return {};
    }
    // The page's own exception, unless the runtime stopped the page.
    Request thrown(const v8::TryCatch &tryCatch) const
    {
        if (!tryCatch.CanContinue() || m_page.runtime.stopped())
            return {};
        return {Request::Rejected, tryCatch.Exception()};
    }

    std::optional<Request> readInit(v8::Local<v8::Object> init);
    std::optional<Request> readEnum(v8::Local<v8::Value> value, const char *member,
                                    const char *type, std::initializer_list<const char *> values);
    std::optional<Request> readHeaders(v8::Local<v8::Value> value);
    std::optional<Request> checkRequest(const QString &url);

    const Info &m_info;
    v8::Isolate *m_isolate;
    v8::Local<v8::Context> m_context;
    ScriptPage &m_page;
    QString m_method = QStringLiteral("GET");
    QString m_mode = QStringLiteral("cors");
    bool m_hasBody = false;
    QList<std::pair<QString, QString>> m_headers;
};

bool isLatin1(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xff; });
}

std::optional<Request> RequestReader::readEnum(v8::Local<v8::Value> value, const char *member,
                                               const char *type,
                                               std::initializer_list<const char *> values)
{
    if (value->IsUndefined())
        return std::nullopt;
    if (!value->IsString())
        return notModelled();
    const QString text = fromV8(m_isolate, value.As<v8::String>());
    for (const char *allowed : values) {
        if (text == QLatin1String(allowed))
            return std::nullopt;
    }
    return typeError(inFetch(QStringLiteral("Failed to read the '%1' property from 'RequestInit': "
                                            "The provided value '%2' is not a valid enum value "
                                            "of type %3.")
                                 .arg(QLatin1String(member), text, QLatin1String(type))));
}

// Headers as a plain object of strings; a sequence, a Headers object or other values are not
// modelled.
std::optional<Request> RequestReader::readHeaders(v8::Local<v8::Value> value)
{
    if (value->IsUndefined())
        return std::nullopt;
    if (!value->IsObject())
        return typeError(inFetch(QStringLiteral(
            "Failed to read the 'headers' property from 'RequestInit': The provided value is not "
            "of type '(record<ByteString, ByteString> or sequence<sequence<ByteString>>)'.")));
    const v8::Local<v8::Object> object = value.As<v8::Object>();
    const bool plainObject = !object->IsProxy() && object->InternalFieldCount() == 0
        && object->GetPrototype()->StrictEquals(v8::Object::New(m_isolate)->GetPrototype());
    if (!plainObject)
        return notModelled();
    v8::Local<v8::Array> names;
    if (!object->GetOwnPropertyNames(m_context).ToLocal(&names))
        return notModelled();
    for (uint32_t i = 0; i < names->Length(); ++i) {
        v8::Local<v8::Value> name;
        v8::Local<v8::Value> headerValue;
        if (!names->Get(m_context, i).ToLocal(&name) || !name->IsString()
            || !object->Get(m_context, name).ToLocal(&headerValue) || !headerValue->IsString())
            return notModelled();
        const QString nameText = fromV8(m_isolate, name.As<v8::String>());
        const QString valueText = fromV8(m_isolate, headerValue.As<v8::String>());
        if (!isLatin1(nameText) || !isLatin1(valueText))
            return notModelled();
        m_headers.append({nameText, valueText});
    }
    return std::nullopt;
}

// The members of RequestInit the browser reads, in its order: what it takes as given, what
// it refuses, and what is not modelled.
std::optional<Request> RequestReader::readInit(v8::Local<v8::Object> init)
{
    if (init->IsProxy())
        return notModelled();
    for (const char *member :
         {"body", "cache", "credentials", "headers", "integrity", "keepalive", "method", "mode",
          "priority", "redirect", "referrer", "referrerPolicy", "signal"}) {
        v8::TryCatch tryCatch(m_isolate);
        v8::Local<v8::Value> value;
        if (!init->Get(m_context, toV8(m_isolate, member)).ToLocal(&value))
            return thrown(tryCatch);
        const QLatin1String name(member);
        std::optional<Request> refused;
        if (name == u"body") {
            if (!value->IsNullOrUndefined() && !value->IsString())
                return notModelled();
            m_hasBody = value->IsString();
        } else if (name == u"cache") {
            if (value->IsString() && fromV8(m_isolate, value.As<v8::String>()) == u"only-if-cached")
                return notModelled();
            refused = readEnum(
                value, member, "RequestCache",
                {"default", "no-store", "reload", "no-cache", "force-cache", "only-if-cached"});
        } else if (name == u"credentials") {
            refused = readEnum(value, member, "RequestCredentials",
                               {"omit", "same-origin", "include"});
        } else if (name == u"headers") {
            refused = readHeaders(value);
        } else if (name == u"method") {
            if (!value->IsUndefined()) {
                const std::optional<QString> method = domString(m_isolate, value);
                if (!method)
                    return thrown(tryCatch);
                if (!isLatin1(*method))
                    return notModelled();
                m_method = *method;
            }
        } else if (name == u"mode") {
            refused = readEnum(value, member, "RequestMode",
                               {"navigate", "same-origin", "no-cors", "cors"});
            if (!refused && value->IsString())
                m_mode = fromV8(m_isolate, value.As<v8::String>());
        } else if (name == u"redirect") {
            refused = readEnum(value, member, "RequestRedirect", {"follow", "error", "manual"});
        } else if (name == u"signal") {
            if (!value->IsNullOrUndefined())
                return notModelled();
        } else if (!value->IsUndefined()) {
            return notModelled();
        }
        if (refused)
            return refused;
    }
    return std::nullopt;
}

// Where a URL leads: a file of the page's (its own origin), the network, or what is not
// modelled (another scheme, a URL the browser may not parse as we do).
enum class Destination { PageOrigin, Network, NotModelled };

Destination destinationOf(const QString &url, const PageScriptContext &page)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    // The browser drops C0 controls and spaces at either end, and tabs and newlines anywhere.
    qsizetype start = 0;
    qsizetype end = url.size();
    while (start < end && url[start].unicode() <= 0x20)
        ++start;
    while (end > start && url[end - 1].unicode() <= 0x20)
        --end;
    const QString trimmed = url.mid(start, end - start);
    if (trimmed.contains(u'\t') || trimmed.contains(u'\n') || trimmed.contains(u'\r'))
        return Destination::NotModelled;
    if (!scheme.match(trimmed).hasMatch()) {
        // A <base> may lead elsewhere, and so may a URL that names a host.
        const auto isSlash = [&](qsizetype i) {
            return trimmed.size() > i && (trimmed[i] == u'/' || trimmed[i] == u'\\');
        };
        const bool otherHost = isSlash(0) && isSlash(1);
        return page.baseUrl == page.pageUrl && !otherHost ? Destination::PageOrigin
                                                          : Destination::NotModelled;
    }
    if (trimmed.startsWith(browserOrigin() + u'/'))
        return Destination::PageOrigin;
    static const QRegularExpression plainNetworkUrl(
        QStringLiteral("^https?://[A-Za-z0-9.-]+(?::([0-9]{1,5}))?(?:/[^\\s\\\\]*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch network = plainNetworkUrl.match(trimmed);
    return network.hasMatch() && network.captured(1).toInt() <= 65535 ? Destination::Network
                                                                      : Destination::NotModelled;
}

// The checks the browser makes as it builds the request, in its order.
std::optional<Request> RequestReader::checkRequest(const QString &url)
{
    if (m_mode == u"navigate")
        return typeError(inFetch(QStringLiteral("Cannot construct a Request with a RequestInit "
                                                "whose mode member is set as 'navigate'.")));
    if (!isHttpToken(m_method))
        return typeError(inFetch(QStringLiteral("'%1' is not a valid HTTP method.").arg(m_method)));
    if (isForbiddenMethod(m_method))
        return typeError(inFetch(QStringLiteral("'%1' HTTP method is unsupported.").arg(m_method)));
    const QString method = m_method.toUpper();
    if (m_mode == u"no-cors" && method != u"GET" && method != u"HEAD" && method != u"POST") {
        // Which form of a method the browser upper-cases names is not modelled.
        if (method == u"DELETE" || method == u"OPTIONS" || method == u"PUT")
            return notModelled();
        return typeError(
            inFetch(QStringLiteral("'%1' is unsupported in no-cors mode.").arg(m_method)));
    }
    for (const auto &[name, value] : m_headers) {
        if (!isHttpToken(name))
            return typeError(inFetch(QStringLiteral("Invalid name")));
        const QString trimmed = value.trimmed();
        if (trimmed.contains(u'\0') || trimmed.contains(u'\r') || trimmed.contains(u'\n'))
            return typeError(inFetch(QStringLiteral("Invalid value")));
    }
    if (m_hasBody && (method == u"GET" || method == u"HEAD"))
        return typeError(inFetch(QStringLiteral("Request with GET/HEAD method cannot have body.")));
    if (destinationOf(url, m_page.context) == Destination::Network && m_mode == u"same-origin")
        return notModelled();
    return std::nullopt;
}

Request RequestReader::read()
{
    if (m_info.Length() < 1)
        return typeError(inFetch(QStringLiteral("1 argument required, but only 0 present.")));
    if (m_info[0]->IsObject() && m_info[0].As<v8::Object>()->InternalFieldCount() > 0)
        return notModelled(); // a Request, or another object of the page's
    QString url;
    {
        v8::TryCatch tryCatch(m_isolate);
        const std::optional<QString> text = domString(m_isolate, m_info[0]);
        if (!text)
            return thrown(tryCatch);
        url = *text;
    }
    const Destination destination = destinationOf(url, m_page.context);
    if (destination == Destination::NotModelled)
        return notModelled();
    if (m_info.Length() > 1 && !m_info[1]->IsNullOrUndefined()) {
        if (!m_info[1]->IsObject())
            return typeError(
                inFetch(QStringLiteral("The provided value is not of type 'RequestInit'.")));
        if (auto refused = readInit(m_info[1].As<v8::Object>()))
            return *refused;
    }
    if (auto refused = checkRequest(url))
        return *refused;
    return {destination == Destination::Network ? Request::FailsLater : Request::FailsNow, {}};
}

void fetch(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::Local<v8::Promise::Resolver> resolver;
    if (!v8::Promise::Resolver::New(context).ToLocal(&resolver))
        return;
    const Request request = RequestReader(info).read();
    if (request.outcome == Request::Stopped)
        return;
    info.GetReturnValue().Set(resolver->GetPromise());
    const auto failure = [isolate] {
        return v8::Exception::TypeError(toV8(isolate, failedToFetch));
    };
    if (request.outcome == Request::Rejected) {
        resolver->Reject(context, request.error).FromMaybe(false);
    } else if (request.outcome == Request::FailsNow) {
        resolver->Reject(context, failure()).FromMaybe(false);
    } else {
        ScriptPage &page = ScriptPage::of(isolate);
        auto held = std::make_shared<v8::Global<v8::Promise::Resolver>>(isolate, resolver);
        ScriptPage *pagePointer = &page;
        page.runtime.loop().postAfter(networkFailureMs, [pagePointer, held, failure] {
            v8::Isolate *taskIsolate = pagePointer->isolate();
            v8::HandleScope handles(taskIsolate);
            const v8::Local<v8::Context> taskContext = pagePointer->runtime.context();
            v8::Context::Scope inContext(taskContext);
            held->Get(taskIsolate)->Reject(taskContext, failure()).FromMaybe(false);
        });
    }
}

} // namespace

void addFetchMembers(RealMembers &members)
{
    members.operation("Window", "fetch", fetch);
}
