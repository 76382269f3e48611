#include "BrowserAddress.h"
#include "BrowserValues.h"
#include "NodeArguments.h"
#include "RealMembers.h"
#include "ScriptPage.h"
#include "V8Strings.h"

#include "engine/fast/css/MediaQuery.h"

#include <QHash>
#include <QSet>
#include <QUrl>

#include <v8-array-buffer.h>
#include <v8-container.h>
#include <v8-microtask-queue.h>
#include <v8-primitive.h>

#include <memory>
#include <vector>

namespace {

using Info = v8::FunctionCallbackInfo<v8::Value>;

// Internal values of the objects window holds, one of each.
enum WindowObject : int { LocalStorage = 0, SessionStorage = 1 };

// Characters a page may keep in one storage area, as the browser's quota; and the keys it may
// keep, beyond which the page asks for more than is modelled.
constexpr qsizetype storageQuota = 5 * 1024 * 1024;
constexpr qsizetype storageKeyBound = 10000;

void returnString(const Info &info, const char *value)
{
    info.GetReturnValue().Set(toV8(info.GetIsolate(), value));
}

// One object per window attribute, made on first read and the same on every read after.
v8::Local<v8::Object> windowObject(const Info &info, const char *interface, int internalValue)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    const v8::Local<v8::Private> key = v8::Private::ForApi(
        isolate,
        toV8(isolate,
             QStringLiteral("window %1 %2").arg(QLatin1String(interface)).arg(internalValue)));
    const v8::Local<v8::Object> global = page.global();
    v8::Local<v8::Value> held;
    if (global->GetPrivate(context, key).ToLocal(&held) && held->IsObject())
        return held.As<v8::Object>();
    const v8::Local<v8::Object> object = page.templates.newInstance(interface, internalValue);
    global->SetPrivate(context, key, object).FromMaybe(false);
    return object;
}

// --- Timers, frames, microtasks ---

struct HeldCallback
{
    v8::Global<v8::Function> function;
    std::vector<v8::Global<v8::Value>> arguments;
    QString source; // a string handler, run as a script
};

std::shared_ptr<HeldCallback> holdCallback(const Info &info, int firstArgument)
{
    v8::Isolate *isolate = info.GetIsolate();
    auto held = std::make_shared<HeldCallback>();
    if (info[0]->IsFunction()) {
        held->function.Reset(isolate, info[0].As<v8::Function>());
        for (int at = firstArgument; at < info.Length(); ++at)
            held->arguments.emplace_back(isolate, info[at]);
    } else {
        held->source = domString(isolate, info[0]).value_or(QString());
    }
    return held;
}

void runHeld(ScriptPage &page, const HeldCallback &held)
{
    v8::Isolate *isolate = page.isolate();
    v8::HandleScope handles(isolate);
    if (held.function.IsEmpty()) {
        page.runtime.runScript(held.source, QString());
        return;
    }
    std::vector<v8::Local<v8::Value>> arguments;
    arguments.reserve(held.arguments.size());
    for (const auto &argument : held.arguments)
        arguments.push_back(argument.Get(isolate));
    (void)page.runtime.call(held.function.Get(isolate), page.global(), int(arguments.size()),
                            arguments.data());
}

void setTimer(const Info &info, bool repeats)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    double delay = 0;
    if (info.Length() > 1 && !info[1]->NumberValue(isolate->GetCurrentContext()).To(&delay))
        return;
    const auto held = holdCallback(info, 2);
    ScriptPage *pagePointer = &page;
    const int id = page.runtime.loop().setTimer(
        delay, repeats, [pagePointer, held] { runHeld(*pagePointer, *held); });
    info.GetReturnValue().Set(id);
}

void clearTimer(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    int id = 0;
    if (info[0]->Int32Value(isolate->GetCurrentContext()).To(&id))
        ScriptPage::of(isolate).runtime.loop().clearTimer(id);
}

void requestAnimationFrame(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    if (!info[0]->IsFunction()) {
        throwTypeError(isolate,
                       QStringLiteral("Failed to execute 'requestAnimationFrame' on "
                                      "'Window': The callback provided as parameter 1 "
                                      "is not a function."));
        return;
    }
    auto callback = std::make_shared<v8::Global<v8::Function>>(isolate, info[0].As<v8::Function>());
    ScriptPage *pagePointer = &page;
    const int id = page.runtime.loop().requestFrame([pagePointer, callback](double time) {
        v8::Isolate *frameIsolate = pagePointer->isolate();
        v8::HandleScope handles(frameIsolate);
        v8::Local<v8::Value> argv[] = {v8::Number::New(frameIsolate, time)};
        const std::uint64_t changes = pagePointer->document.mutationCount();
        (void)pagePointer->runtime.call(callback->Get(frameIsolate), pagePointer->global(), 1,
                                        argv);
        // The browser engine draws no frame for a page nobody sees but when it must, and does
        // not wait for one: what a frame changes may or may not be in its text.
        if (pagePointer->document.mutationCount() != changes)
            pagePointer->runtime.fail(BrowserReason::ScriptNotSettled);
    });
    info.GetReturnValue().Set(id);
}

void cancelAnimationFrame(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    int id = 0;
    if (info[0]->Int32Value(isolate->GetCurrentContext()).To(&id))
        ScriptPage::of(isolate).runtime.loop().cancelFrame(id);
}

void queueMicrotask(const Info &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    if (!info[0]->IsFunction()) {
        throwTypeError(isolate,
                       QStringLiteral("Failed to execute 'queueMicrotask' on 'Window': "
                                      "The callback provided as parameter 1 is not a "
                                      "function."));
        return;
    }
    isolate->GetCurrentContext()->GetMicrotaskQueue()->EnqueueMicrotask(isolate,
                                                                        info[0].As<v8::Function>());
}

// --- The page's address, as the browser serves it ---

// The page's own address in the browser; a page whose address is not modelled stops there.
std::optional<QString> pageAddress(const Info &info, bool pathOnly)
{
    ScriptPage &page = ScriptPage::of(info.GetIsolate());
    const QUrl url(page.context.pageUrl);
    const std::optional<QString> address = pathOnly ? browserPath(url) : browserUrl(url);
    if (!address)
        page.runtime.notModelled("Location");
    return address;
}

void addLocationMembers(RealMembers &members)
{
    const auto href = [](const Info &info) {
        if (const auto address = pageAddress(info, false))
            info.GetReturnValue().Set(toV8(info.GetIsolate(), *address));
    };
    members.attribute("Location", "href", href);
    members.operation("Location", "toString", href);
    members.attribute("Location", "origin", [](const Info &info) {
        info.GetReturnValue().Set(toV8(info.GetIsolate(), browserOrigin()));
    });
    members.attribute("Location", "protocol", [](const Info &info) {
        info.GetReturnValue().Set(
            toV8(info.GetIsolate(), QLatin1String(BrowserValues::pageScheme) + u':'));
    });
    const auto host = [](const Info &info) { returnString(info, BrowserValues::pageHost); };
    members.attribute("Location", "host", host);
    members.attribute("Location", "hostname", host);
    const auto empty = [](const Info &info) { returnString(info, ""); };
    members.attribute("Location", "port", empty);
    members.attribute("Location", "search", empty);
    members.attribute("Location", "hash", empty);
    members.attribute("Location", "pathname", [](const Info &info) {
        if (const auto path = pageAddress(info, true))
            info.GetReturnValue().Set(toV8(info.GetIsolate(), *path));
    });
}

// --- navigator and screen ---

void addNavigatorMembers(RealMembers &members)
{
    members.attribute("Navigator", "userAgent",
                      [](const Info &info) { returnString(info, BrowserValues::userAgent); });
    members.attribute("Navigator", "appVersion",
                      [](const Info &info) { returnString(info, BrowserValues::appVersion); });
    members.attribute("Navigator", "appName",
                      [](const Info &info) { returnString(info, BrowserValues::appName); });
    members.attribute("Navigator", "appCodeName",
                      [](const Info &info) { returnString(info, BrowserValues::appCodeName); });
    members.attribute("Navigator", "platform",
                      [](const Info &info) { returnString(info, BrowserValues::platform); });
    members.attribute("Navigator", "product",
                      [](const Info &info) { returnString(info, BrowserValues::product); });
    members.attribute("Navigator", "productSub",
                      [](const Info &info) { returnString(info, BrowserValues::productSub); });
    members.attribute("Navigator", "vendor",
                      [](const Info &info) { returnString(info, BrowserValues::vendor); });
    members.attribute("Navigator", "vendorSub", [](const Info &info) { returnString(info, ""); });
    members.attribute("Navigator", "language",
                      [](const Info &info) { returnString(info, BrowserValues::language); });
    members.attribute("Navigator", "languages", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        v8::Local<v8::Value> languages[] = {toV8(isolate, BrowserValues::language)};
        const v8::Local<v8::Array> array = v8::Array::New(isolate, languages, 1);
        array->SetIntegrityLevel(isolate->GetCurrentContext(), v8::IntegrityLevel::kFrozen)
            .FromMaybe(false);
        info.GetReturnValue().Set(array);
    });
    const auto yes = [](const Info &info) { info.GetReturnValue().Set(true); };
    const auto no = [](const Info &info) { info.GetReturnValue().Set(false); };
    members.attribute("Navigator", "cookieEnabled", yes);
    members.attribute("Navigator", "onLine", yes);
    members.attribute("Navigator", "webdriver", no);
    members.attribute("Navigator", "pdfViewerEnabled", no);
    members.attribute("Navigator", "maxTouchPoints",
                      [](const Info &info) { info.GetReturnValue().Set(0); });
    members.attribute("Navigator", "doNotTrack",
                      [](const Info &info) { info.GetReturnValue().SetNull(); });

    const auto width = [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::innerWidth);
    };
    const auto height = [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::innerHeight);
    };
    const auto depth = [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::colorDepth);
    };
    const auto zero = [](const Info &info) { info.GetReturnValue().Set(0); };
    members.attribute("Screen", "width", width);
    members.attribute("Screen", "availWidth", width);
    members.attribute("Screen", "height", height);
    members.attribute("Screen", "availHeight", height);
    members.attribute("Screen", "colorDepth", depth);
    members.attribute("Screen", "pixelDepth", depth);
    members.attribute("Screen", "availLeft", zero);
    members.attribute("Screen", "availTop", zero);
}

// --- localStorage and sessionStorage: empty at the start, kept in memory for the page ---

using StorageArea = QList<std::pair<QString, QString>>; // in the order keys were first set

StorageArea &storageArea(v8::Isolate *isolate, v8::Local<v8::Object> storage)
{
    ScriptPage &page = ScriptPage::of(isolate);
    return page.storage[internalValueOf(storage) == SessionStorage ? 1 : 0];
}

qsizetype storageSize(const StorageArea &area)
{
    qsizetype size = 0;
    for (const auto &[key, value] : area)
        size += key.size() + value.size();
    return size;
}

const QString *storedValue(const StorageArea &area, const QString &key)
{
    for (const auto &[storedKey, value] : area) {
        if (storedKey == key)
            return &value;
    }
    return nullptr;
}

bool storeValue(v8::Isolate *isolate, StorageArea &area, const QString &key, const QString &value)
{
    const QString *old = storedValue(area, key);
    if (storageSize(area) - (old ? key.size() + old->size() : 0) + key.size() + value.size()
        > storageQuota) {
        throwDomException(isolate, "QuotaExceededError",
                          QStringLiteral("Failed to execute 'setItem' on 'Storage': Setting the "
                                         "value of '%1' exceeded the quota.")
                              .arg(key));
        return false;
    }
    for (auto &[storedKey, storedValue] : area) {
        if (storedKey == key) {
            storedValue = value;
            return true;
        }
    }
    if (area.size() >= storageKeyBound) {
        ScriptPage::of(isolate).runtime.notModelled("Storage.setItem");
        return false;
    }
    area.append({key, value});
    return true;
}

void removeValue(StorageArea &area, const QString &key)
{
    area.removeIf([&](const auto &entry) { return entry.first == key; });
}

void addStorageMembers(RealMembers &members)
{
    members.attribute("Storage", "length", [](const Info &info) {
        info.GetReturnValue().Set(int(storageArea(info.GetIsolate(), info.This()).size()));
    });
    members.operation("Storage", "getItem", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        const std::optional<QString> key = domString(isolate, info[0]);
        if (!key)
            return;
        const QString *value = storedValue(storageArea(isolate, info.This()), *key);
        if (value)
            info.GetReturnValue().Set(toV8(isolate, *value));
        else
            info.GetReturnValue().SetNull();
    });
    members.operation("Storage", "setItem", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        const std::optional<QString> key = domString(isolate, info[0]);
        const std::optional<QString> value = key ? domString(isolate, info[1]) : std::nullopt;
        if (value)
            storeValue(isolate, storageArea(isolate, info.This()), *key, *value);
    });
    members.operation("Storage", "removeItem", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        if (const std::optional<QString> key = domString(isolate, info[0]))
            removeValue(storageArea(isolate, info.This()), *key);
    });
    members.operation("Storage", "clear", [](const Info &info) {
        storageArea(info.GetIsolate(), info.This()).clear();
    });
    members.operation("Storage", "key", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        const StorageArea &area = storageArea(isolate, info.This());
        double index = 0;
        if (!info[0]->NumberValue(isolate->GetCurrentContext()).To(&index))
            return;
        if (index >= 0 && index < area.size())
            info.GetReturnValue().Set(toV8(isolate, area[qsizetype(index)].first));
        else
            info.GetReturnValue().SetNull();
    });
    // Named properties (localStorage.key = value) are items too.
    members.instanceSetup("Storage", [](v8::Local<v8::ObjectTemplate> instance) {
        v8::NamedPropertyHandlerConfiguration handlers;
        handlers.getter =
            [](v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value> &info) {
            if (!name->IsString())
                return;
            v8::Isolate *isolate = info.GetIsolate();
            const QString *value = storedValue(storageArea(isolate, info.Holder()),
                                               fromV8(isolate, name.As<v8::String>()));
            if (value)
                info.GetReturnValue().Set(toV8(isolate, *value));
        };
        handlers.setter = [](v8::Local<v8::Name> name, v8::Local<v8::Value> value,
                             const v8::PropertyCallbackInfo<v8::Value> &info) {
            if (!name->IsString())
                return;
            v8::Isolate *isolate = info.GetIsolate();
            const std::optional<QString> text = domString(isolate, value);
            if (text)
                storeValue(isolate, storageArea(isolate, info.Holder()),
                           fromV8(isolate, name.As<v8::String>()), *text);
            info.GetReturnValue().Set(value);
        };
        handlers.deleter =
            [](v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Boolean> &info) {
            if (!name->IsString())
                return;
            v8::Isolate *isolate = info.GetIsolate();
            StorageArea &area = storageArea(isolate, info.Holder());
            const QString key = fromV8(isolate, name.As<v8::String>());
            if (!storedValue(area, key))
                return;
            removeValue(area, key);
            info.GetReturnValue().Set(true);
        };
        handlers.flags = v8::PropertyHandlerFlags::kOnlyInterceptStrings;
        instance->SetHandler(handlers);
    });
}

// --- DOMException ---

v8::Local<v8::Value> privateOf(const Info &info, const char *field)
{
    v8::Isolate *isolate = info.GetIsolate();
    v8::Local<v8::Value> value;
    if (!info.This()
             ->GetPrivate(isolate->GetCurrentContext(),
                          v8::Private::ForApi(isolate, toV8(isolate, field)))
             .ToLocal(&value)
        || !value->IsString())
        return toV8(isolate, field == std::string_view("name") ? "Error" : "");
    return value;
}

int legacyCode(const QString &name)
{
    static const char *const names[] = {"IndexSizeError",
                                        "DOMStringSizeError",
                                        "HierarchyRequestError",
                                        "WrongDocumentError",
                                        "InvalidCharacterError",
                                        "NoDataAllowedError",
                                        "NoModificationAllowedError",
                                        "NotFoundError",
                                        "NotSupportedError",
                                        "InUseAttributeError",
                                        "InvalidStateError",
                                        "SyntaxError",
                                        "InvalidModificationError",
                                        "NamespaceError",
                                        "InvalidAccessError",
                                        "ValidationError",
                                        "TypeMismatchError",
                                        "SecurityError",
                                        "NetworkError",
                                        "AbortError",
                                        "URLMismatchError",
                                        "QuotaExceededError",
                                        "TimeoutError",
                                        "InvalidNodeTypeError",
                                        "DataCloneError"};
    for (int at = 0; at < int(std::size(names)); ++at) {
        if (name == QLatin1String(names[at]))
            return at + 1;
    }
    return 0;
}

void addDomExceptionMembers(RealMembers &members)
{
    members.constructor("DOMException", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        const v8::Local<v8::Context> context = isolate->GetCurrentContext();
        v8::Local<v8::String> message = toV8(isolate, "");
        v8::Local<v8::String> name = toV8(isolate, "Error");
        if ((!info[0]->IsUndefined() && !info[0]->ToString(context).ToLocal(&message))
            || (!info[1]->IsUndefined() && !info[1]->ToString(context).ToLocal(&name)))
            return;
        info.This()
            ->SetPrivate(context, v8::Private::ForApi(isolate, toV8(isolate, "name")), name)
            .FromMaybe(false);
        info.This()
            ->SetPrivate(context, v8::Private::ForApi(isolate, toV8(isolate, "message")), message)
            .FromMaybe(false);
    });
    members.attribute("DOMException", "name",
                      [](const Info &info) { info.GetReturnValue().Set(privateOf(info, "name")); });
    members.attribute("DOMException", "message", [](const Info &info) {
        info.GetReturnValue().Set(privateOf(info, "message"));
    });
    members.attribute("DOMException", "code", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        info.GetReturnValue().Set(
            legacyCode(fromV8(isolate, privateOf(info, "name").As<v8::String>())));
    });
}

// --- matchMedia, on the engine's own media queries for the browser's window ---

void addMediaQueryMembers(RealMembers &members)
{
    members.operation("Window", "matchMedia", [](const Info &info) {
        v8::Isolate *isolate = info.GetIsolate();
        ScriptPage &page = ScriptPage::of(isolate);
        const std::optional<QString> query = domString(isolate, info[0]);
        if (!query)
            return;
        const v8::Local<v8::Object> list = page.templates.newInstance("MediaQueryList",
                                                                      mediaMatches(*query) ? 1 : 0);
        info.GetReturnValue().Set(list);
    });
    members.attribute("MediaQueryList", "matches", [](const Info &info) {
        info.GetReturnValue().Set(internalValueOf(info.This()) == 1);
    });
    // The window never changes: a listener never hears of a change.
    const auto ignore = [](const Info &) {};
    members.operation("MediaQueryList", "addListener", ignore);
    members.operation("MediaQueryList", "removeListener", ignore);
}

// performance.now(): the page's own clock, which runs as its timers do.
void addPerformanceMembers(RealMembers &members)
{
    members.attribute("Window", "performance", [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "Performance", 0));
    });
    members.operation("Performance", "now", [](const Info &info) {
        info.GetReturnValue().Set(ScriptPage::of(info.GetIsolate()).runtime.loop().now());
    });
}

void addConsoleMembers(RealMembers &members)
{
    const auto ignore = [](const Info &) {};
    for (const char *name :
         {"log",        "info",    "warn",    "error",      "debug",          "dir",
          "dirxml",     "table",   "trace",   "group",      "groupCollapsed", "groupEnd",
          "time",       "timeEnd", "timeLog", "timeStamp",  "assert",         "count",
          "countReset", "clear",   "profile", "profileEnd", "context"})
        members.operation("console", name, ignore);
}

void addWindowAttributes(RealMembers &members)
{
    const auto window = [](const Info &info) {
        info.GetReturnValue().Set(ScriptPage::of(info.GetIsolate()).global());
    };
    for (const char *name : {"window", "self", "frames", "top", "parent"})
        members.attribute("Window", name, window);
    // A page opened on its own, by no other window.
    members.attribute("Window", "opener",
                      [](const Info &info) { info.GetReturnValue().SetNull(); });
    members.attribute("Window", "document", [](const Info &info) {
        info.GetReturnValue().Set(
            ScriptPage::of(info.GetIsolate()).wrap(ScriptDocument::documentNode));
    });
    const auto location = [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "Location", 0));
    };
    members.attribute("Window", "location", location);
    members.attribute("Document", "location", [](const Info &info) {
        if (NodeArguments::onPageDocument(info, "Document.location"))
            info.GetReturnValue().Set(windowObject(info, "Location", 0));
    });
    members.attribute("Window", "history", [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "History", 0));
    });
    members.attribute("Window", "navigator", [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "Navigator", 0));
    });
    members.attribute("Window", "screen", [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "Screen", 0));
    });
    members.attribute("Window", "localStorage", [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "Storage", LocalStorage));
    });
    members.attribute("Window", "sessionStorage", [](const Info &info) {
        info.GetReturnValue().Set(windowObject(info, "Storage", SessionStorage));
    });
    members.attribute("Window", "innerWidth", [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::innerWidth);
    });
    members.attribute("Window", "innerHeight", [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::innerHeight);
    });
    members.attribute("Window", "outerWidth", [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::outerWidth);
    });
    members.attribute("Window", "outerHeight", [](const Info &info) {
        info.GetReturnValue().Set(BrowserValues::outerHeight);
    });
    members.attribute("Window", "devicePixelRatio",
                      [](const Info &info) { info.GetReturnValue().Set(1); });
    const auto zero = [](const Info &info) { info.GetReturnValue().Set(0); };
    for (const char *name : {"scrollX", "scrollY", "pageXOffset", "pageYOffset", "screenX",
                             "screenY", "screenLeft", "screenTop", "length"})
        members.attribute("Window", name, zero);
    members.attribute("Window", "closed",
                      [](const Info &info) { info.GetReturnValue().Set(false); });
    members.attribute("Window", "isSecureContext",
                      [](const Info &info) { info.GetReturnValue().Set(true); });
    members.attribute("Window", "origin", [](const Info &info) { returnString(info, "null"); });
}

// Window's named properties: an element with that id (or, for a few elements, that name)
// where no property of that name exists. Several such elements make a collection, which is not
// modelled.
std::vector<int> namedElements(ScriptPage &page, const QString &name)
{
    static const QSet<QString> namedByName = {QStringLiteral("embed"),  QStringLiteral("form"),
                                              QStringLiteral("iframe"), QStringLiteral("img"),
                                              QStringLiteral("object"), QStringLiteral("frame")};
    std::vector<int> found;
    ScriptDocument &document = page.document;
    for (int element :
         document.getElementsByTagName(ScriptDocument::documentNode, QStringLiteral("*"))) {
        const DomNode &node = document.dom().node(element);
        // The tree's own copy of the id, which getElementById() reads too: asking for the
        // attribute by name costs more than the rest of the walk.
        if (node.id == name
            || (node.ns == DomNode::Html && namedByName.contains(node.name)
                && document.attribute(element, QStringLiteral("name")) == name)) {
            found.push_back(element);
            if (found.size() > 1)
                break;
        }
    }
    return found;
}

// An element the window names by its id or name, as a property of the window.
void namedElementGetter(v8::Local<v8::Name> name, const v8::PropertyCallbackInfo<v8::Value> &info)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage *page = static_cast<ScriptPage *>(isolate->GetData(2));
    const QString key = fromV8(isolate, name.As<v8::String>());
    if (!page || key.isEmpty())
        return;
    const std::vector<int> found = namedElements(*page, key);
    if (found.size() == 1)
        info.GetReturnValue().Set(page->wrap(found.front()));
    else if (found.size() > 1)
        page->runtime.notModelled("Window named property collection");
}

void addNamedProperties(RealMembers &members)
{
    members.handler(reinterpret_cast<const void *>(&namedElementGetter));
    members.instanceSetup("Window", [](v8::Local<v8::ObjectTemplate> global) {
        v8::NamedPropertyHandlerConfiguration handlers;
        handlers.getter = namedElementGetter;
        handlers.flags = v8::PropertyHandlerFlags(
            int(v8::PropertyHandlerFlags::kNonMasking)
            | int(v8::PropertyHandlerFlags::kOnlyInterceptStrings));
        global->SetHandler(handlers);
    });
}

} // namespace

void addWindowMembers(RealMembers &members)
{
    addNamedProperties(members);
    addWindowAttributes(members);
    members.operation("Window", "setTimeout", [](const Info &info) { setTimer(info, false); });
    members.operation("Window", "setInterval", [](const Info &info) { setTimer(info, true); });
    members.operation("Window", "clearTimeout", clearTimer);
    members.operation("Window", "clearInterval", clearTimer);
    members.operation("Window", "requestAnimationFrame", requestAnimationFrame);
    members.operation("Window", "cancelAnimationFrame", cancelAnimationFrame);
    members.operation("Window", "queueMicrotask", queueMicrotask);
    addLocationMembers(members);
    addNavigatorMembers(members);
    addStorageMembers(members);
    addDomExceptionMembers(members);
    addMediaQueryMembers(members);
    addConsoleMembers(members);
    addPerformanceMembers(members);
}
