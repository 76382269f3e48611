#include "UnmodelledObjects.h"

#include "EventTargets.h"
#include "InterfaceTemplates.h"
#include "RealMembers.h"
#include "ScriptPage.h"
#include "V8Strings.h"

#include <array>
#include <utility>

namespace {

struct UnmodelledAttribute
{
    const char *owner;
    const char *name;
    const char *interface; // of the object it holds
};

// The attributes that hold such an object in the browser engine on a local page, each read
// there: attributes that give null or undefined on such a page, or a new object on each read
// (navigator.userAgentData), are not among them, nor those whose interface has no interface
// object on window, whose prototype could not be told apart.
constexpr std::array unmodelledAttributes{
    UnmodelledAttribute{"Window", "customElements", "CustomElementRegistry"},
    UnmodelledAttribute{"Window", "history", "History"},
    UnmodelledAttribute{"Window", "locationbar", "BarProp"},
    UnmodelledAttribute{"Window", "menubar", "BarProp"},
    UnmodelledAttribute{"Window", "personalbar", "BarProp"},
    UnmodelledAttribute{"Window", "scrollbars", "BarProp"},
    UnmodelledAttribute{"Window", "statusbar", "BarProp"},
    UnmodelledAttribute{"Window", "toolbar", "BarProp"},
    UnmodelledAttribute{"Window", "external", "External"},
    UnmodelledAttribute{"Window", "visualViewport", "VisualViewport"},
    UnmodelledAttribute{"Window", "crypto", "Crypto"},
    UnmodelledAttribute{"Window", "indexedDB", "IDBFactory"},
    UnmodelledAttribute{"Window", "trustedTypes", "TrustedTypePolicyFactory"},
    UnmodelledAttribute{"Window", "navigation", "Navigation"},
    UnmodelledAttribute{"Window", "scheduler", "Scheduler"},
    UnmodelledAttribute{"Window", "caches", "CacheStorage"},
    UnmodelledAttribute{"Window", "cookieStore", "CookieStore"},
    UnmodelledAttribute{"Window", "launchQueue", "LaunchQueue"},
    UnmodelledAttribute{"Navigator", "userActivation", "UserActivation"},
    UnmodelledAttribute{"Navigator", "geolocation", "Geolocation"},
    UnmodelledAttribute{"Navigator", "connection", "NetworkInformation"},
    UnmodelledAttribute{"Navigator", "plugins", "PluginArray"},
    UnmodelledAttribute{"Navigator", "mimeTypes", "MimeTypeArray"},
    UnmodelledAttribute{"Navigator", "scheduling", "Scheduling"},
    UnmodelledAttribute{"Navigator", "clipboard", "Clipboard"},
    UnmodelledAttribute{"Navigator", "credentials", "CredentialsContainer"},
    UnmodelledAttribute{"Navigator", "keyboard", "Keyboard"},
    UnmodelledAttribute{"Navigator", "managed", "NavigatorManagedData"},
    UnmodelledAttribute{"Navigator", "mediaDevices", "MediaDevices"},
    UnmodelledAttribute{"Navigator", "storage", "StorageManager"},
    UnmodelledAttribute{"Navigator", "serviceWorker", "ServiceWorkerContainer"},
    UnmodelledAttribute{"Navigator", "wakeLock", "WakeLock"},
    UnmodelledAttribute{"Navigator", "ink", "Ink"},
    UnmodelledAttribute{"Navigator", "hid", "HID"},
    UnmodelledAttribute{"Navigator", "locks", "LockManager"},
    UnmodelledAttribute{"Navigator", "mediaCapabilities", "MediaCapabilities"},
    UnmodelledAttribute{"Navigator", "mediaSession", "MediaSession"},
    UnmodelledAttribute{"Navigator", "permissions", "Permissions"},
    UnmodelledAttribute{"Navigator", "presentation", "Presentation"},
    UnmodelledAttribute{"Navigator", "serial", "Serial"},
    UnmodelledAttribute{"Navigator", "virtualKeyboard", "VirtualKeyboard"},
    UnmodelledAttribute{"Navigator", "xr", "XRSystem"},
    UnmodelledAttribute{"Document", "timeline", "DocumentTimeline"},
    UnmodelledAttribute{"Document", "featurePolicy", "FeaturePolicy"},
    UnmodelledAttribute{"Document", "fragmentDirective", "FragmentDirective"},
    UnmodelledAttribute{"Element", "attributeStyleMap", "StylePropertyMap"},
};

// The internal value that marks such an object: no node's key, nor any event target's.
constexpr int unmodelledValue = -150;
static_assert(unmodelledValue < EventTargets::windowTarget
              && !EventTargets::isObjectTarget(unmodelledValue));

template <std::size_t Index>
void unmodelledObjectGetter(const v8::FunctionCallbackInfo<v8::Value> &info)
{
    constexpr UnmodelledAttribute attribute = unmodelledAttributes[Index];
    v8::Isolate *isolate = info.GetIsolate();
    const v8::Local<v8::Context> context = isolate->GetCurrentContext();
    const v8::Local<v8::Private> key = v8::Private::ForApi(
        isolate,
        toV8(isolate,
             QStringLiteral("unmodelled %1.%2")
                 .arg(QLatin1String(attribute.owner), QLatin1String(attribute.name))));
    const v8::Local<v8::Object> owner = info.This();
    v8::Local<v8::Value> held;
    if (owner->GetPrivate(context, key).ToLocal(&held) && held->IsObject()) {
        info.GetReturnValue().Set(held);
        return;
    }
    const v8::Local<v8::Object> object = ScriptPage::of(isolate).templates.newInstance(
        attribute.interface, unmodelledValue);
    owner->SetPrivate(context, key, object).FromMaybe(false);
    info.GetReturnValue().Set(object);
}

template <std::size_t... Index>
void addGetters(RealMembers &members, std::index_sequence<Index...>)
{
    (members.attribute(unmodelledAttributes[Index].owner, unmodelledAttributes[Index].name,
                       unmodelledObjectGetter<Index>),
     ...);
}

} // namespace

bool isUnmodelledObject(v8::Local<v8::Object> object)
{
    return internalValueOf(object) == unmodelledValue;
}

void addUnmodelledObjectMembers(RealMembers &members)
{
    addGetters(members, std::make_index_sequence<unmodelledAttributes.size()>());
}
