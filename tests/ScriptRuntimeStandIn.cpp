// A stand-in for the script runtime, for the worker's tests: the first <script> of a page says
// what its "scripts" do, each a way a real page's scripts may behave or misbehave.

#include "engine/PageDecoding.h"
#include "engine/fast/script/PageScripts.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString firstScript(const Dom &dom)
{
    for (int at = 0; at < dom.size(); ++at) {
        if (dom.node(at).isElement("script"))
            return dom.textContent(at).trimmed();
    }
    return {};
}

void appendParagraph(Dom &dom, const QString &text)
{
    const int paragraph = dom.createElement(QStringLiteral("p"));
    dom.insertBefore(paragraph, dom.createText(text));
    dom.insertBefore(dom.body(), paragraph);
    dom.finishEditing();
}

[[noreturn]] void allocateWithoutEnd()
{
    std::vector<char *> blocks;
    for (;;) {
        char *block = new char[1 << 20];
        std::memset(block, 1, 1 << 20);
        blocks.push_back(block);
    }
}

} // namespace

void prepareScriptRuntime() {}

Dom parsePageForScripts(const QByteArray &utf8)
{
    return Dom::parse(utf8);
}

std::optional<BrowserReason> runPageScripts(Dom &dom, const QByteArray &,
                                            const PageScriptContext &context,
                                            const PageResourceReader &read)
{
    const QString script = firstScript(dom);
    if (script == QLatin1String("append")) {
        appendParagraph(dom, QStringLiteral("appended by ") + context.pageUrl);
    } else if (script.startsWith(QLatin1String("read "))) {
        const std::optional<QByteArray> file = read(script.mid(5), PageResourceKind::Script);
        appendParagraph(dom, file ? QString::fromUtf8(*file) : QStringLiteral("refused"));
    } else if (script.startsWith(QLatin1String("decode "))) {
        // "decode LABEL URL": the file read, in the encoding the label names.
        const QStringList words = script.split(u' ');
        const std::optional<QByteArray> file = read(words.value(2), PageResourceKind::Script);
        appendParagraph(dom,
                        file ? decodeWithLabel(*file, words.value(1).toLatin1())
                             : QStringLiteral("refused"));
    } else if (script == QLatin1String("error")) {
        return BrowserReason::ScriptError;
    } else if (script == QLatin1String("loop")) {
        for (volatile bool spinning = true; spinning;) {
        }
    } else if (script == QLatin1String("allocate")) {
        allocateWithoutEnd();
    } else if (script == QLatin1String("crash")) {
        std::abort();
    } else if (script == QLatin1String("garbage")) {
        const char garbage[] = "\x05\x00\x00\x00\x07garbage";
        [[maybe_unused]] const ssize_t written = ::write(STDIN_FILENO, garbage, sizeof garbage);
    } else if (script == QLatin1String("end soon")) {
        std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::_Exit(EXIT_SUCCESS);
        }).detach();
    } else if (script == QLatin1String("count")) {
        static int pagesRun = 0;
        appendParagraph(dom, QString::number(++pagesRun));
    } else if (script == QLatin1String("open")) {
        const int descriptor = ::open("/etc/hostname", O_RDONLY);
        appendParagraph(dom, descriptor >= 0 ? QStringLiteral("opened") : QStringLiteral("not"));
    }
    return std::nullopt;
}
