#include "engine/fast/worker/ScriptWorkerLoop.h"

#include "engine/fast/dom/DomWire.h"
#include "engine/fast/script/PageScripts.h"
#include "engine/fast/worker/WorkerProtocol.h"

#include <cstdlib>

namespace {

PageResult runPage(const PageToRun &page, MessageChannel &channel)
{
    Dom dom = parsePageForScripts(page.utf8);
    const PageResourceReader read = [&channel](const QString &url, PageResourceKind kind) {
        // Without an answer the scripts cannot go on, and unwinding through them is no option.
        if (!channel.send(FileRequest{url, kind}))
            std::_Exit(EXIT_FAILURE);
        std::optional<WorkerMessage> reply = channel.receive();
        auto *file = reply ? std::get_if<FileReply>(&*reply) : nullptr;
        if (!file)
            std::_Exit(EXIT_FAILURE);
        return std::move(file->bytes);
    };
    if (const std::optional<BrowserReason> reason = runPageScripts(dom, page.utf8, page.context,
                                                                   read))
        return {*reason};
    std::optional<QByteArray> tree = encodeDom(dom);
    if (!tree)
        return {BrowserReason::TooLarge};
    return {std::move(*tree)};
}

} // namespace

int serveScriptPages(int descriptor)
{
    MessageChannel channel(descriptor);
    for (;;) {
        std::optional<WorkerMessage> message = channel.receive();
        if (!message)
            return EXIT_SUCCESS; // the converter is done, or gone
        const auto *page = std::get_if<PageToRun>(&*message);
        if (!page || !channel.send(runPage(*page, channel)))
            return EXIT_FAILURE;
    }
}
