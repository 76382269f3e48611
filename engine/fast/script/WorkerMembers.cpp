#include "BrowserAddress.h"
#include "NodeArguments.h"
#include "RealMembers.h"
#include "ScriptPage.h"
#include "V8Strings.h"

// Workers as the browser engine makes them on a local page: the page's origin is opaque, so it
// refuses every worker script but one in a data: URL (which is not modelled) before loading it.
namespace {

using Info = v8::FunctionCallbackInfo<v8::Value>;

bool refusedAddress(const QString &address)
{
    return address.startsWith(browserOrigin() + u'/') || address.startsWith(u"http://")
        || address.startsWith(u"https://");
}

void refuseWorker(const Info &info, const char *interface)
{
    v8::Isolate *isolate = info.GetIsolate();
    ScriptPage &page = ScriptPage::of(isolate);
    const QString name = QLatin1String(interface);
    if (!NodeArguments::hasArguments(info, 1, interface, nullptr))
        return;
    const std::optional<QString> url = domString(isolate, info[0]);
    if (!url)
        return;
    const std::optional<QString> address = resolvedBrowserUrl(page.context.baseUrl, *url);
    // Options are read before the script's address is checked, in an order not modelled.
    if (!address || !refusedAddress(*address) || (info.Length() > 1 && !info[1]->IsUndefined())) {
        page.runtime.notModelled(name.toStdString() + ".constructor");
        return;
    }
    throwDomException(isolate, "SecurityError",
                      QStringLiteral("Failed to construct '%1': Script at '%2' cannot be accessed "
                                     "from origin 'null'.")
                          .arg(name, *address));
}

} // namespace

void addWorkerMembers(RealMembers &members)
{
    members.constructor("Worker", [](const Info &info) { refuseWorker(info, "Worker"); });
    members.constructor("SharedWorker",
                        [](const Info &info) { refuseWorker(info, "SharedWorker"); });
}
