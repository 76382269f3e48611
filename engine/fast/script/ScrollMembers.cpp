// Scroll positions a script sets, which no text shows; the position of an element nothing has
// scrolled; and the one use of a layout offset that needs no layout: one read only to be
// written to a scroll position, as a page scrolls its menu to the current entry
// ("nav.scrollTop = entry.offsetTop - 10;").

#include "NodeArguments.h"
#include "RealMembers.h"

#include <v8-debug.h>

#include <QRegularExpression>
#include <QUrl>

#include <optional>

using namespace NodeArguments;

namespace {

// The whole statement: a scroll position set to an element's offset, give or take a number.
const QRegularExpression scrollToOffset(QString::fromLatin1(
    R"re(^\s*[\w$.()"'\[\]]+\.scroll(?:Top|Left)\s*=\s*([\w$]+(?:\.[\w$]+)*\.offset(?:Top|Left))\s*(?:([-+])\s*(\d{1,6})\s*)?;\s*$)re"));

// What the offset read returns: any number does, as only a scroll position takes it.
constexpr int offsetRead = 0;

// The value a scroll position is set to when the script reading an offset now does so in such
// a statement; nothing when it does not.
std::optional<double> valueToScrollTo(v8::Isolate *isolate)
{
    const v8::Local<v8::StackTrace> trace = v8::StackTrace::CurrentStackTrace(isolate, 1);
    if (trace->GetFrameCount() < 1)
        return std::nullopt;
    const v8::Local<v8::StackFrame> frame = trace->GetFrame(isolate, 0);
    const v8::Local<v8::String> source = frame->GetScriptSource();
    if (source.IsEmpty())
        return std::nullopt;
    const QString text = fromV8(isolate, source);
    qsizetype lineStart = 0;
    for (int line = 1; line < frame->GetLineNumber() && lineStart >= 0; ++line) {
        lineStart = text.indexOf(u'\n', lineStart);
        lineStart = lineStart < 0 ? -1 : lineStart + 1;
    }
    if (lineStart < 0)
        return std::nullopt;
    const qsizetype lineEnd = text.indexOf(u'\n', lineStart);
    const QString line = text.mid(lineStart, lineEnd < 0 ? -1 : lineEnd - lineStart);
    const QRegularExpressionMatch match = scrollToOffset.match(line);
    const qsizetype column = frame->GetColumn() - 1;
    if (!match.hasMatch() || column < match.capturedStart(1) || column >= match.capturedEnd(1))
        return std::nullopt;
    const double shift = match.captured(3).toDouble();
    return match.captured(2) == u"-" ? offsetRead - shift : offsetRead + shift;
}

void offset(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const std::optional<double> target = page.pendingScroll ? std::nullopt
                                                            : valueToScrollTo(info.GetIsolate());
    if (!target) {
        page.runtime.notModelled("HTMLElement.offsetTop");
        return;
    }
    page.pendingScroll = target;
    info.GetReturnValue().Set(offsetRead);
}

void setScroll(const Info &info)
{
    ScriptPage &page = pageOf(info);
    if (page.events.listensFor(QStringLiteral("scroll"))) {
        page.runtime.notModelled("Element.scrollTop with a scroll listener");
        return;
    }
    double value = 0;
    if (!info[0]->NumberValue(info.GetIsolate()->GetCurrentContext()).To(&value))
        return;
    // An offset read is for this scroll position, and for nothing else.
    if (page.pendingScroll && value != *page.pendingScroll) {
        page.runtime.notModelled("HTMLElement.offsetTop");
        return;
    }
    page.pendingScroll.reset();
    page.scrolled = true;
}

// Every element of a page that nothing scrolled is at 0, whatever its layout: scrolled by no
// script, by no fragment of the page's address, by no element focused as the page loads.
void scrollPosition(const Info &info)
{
    ScriptPage &page = pageOf(info);
    const bool untouched = !page.scrolled && !page.pendingScroll
        && !QUrl(page.context.pageUrl).hasFragment()
        && page.document.querySelector(ScriptDocument::documentNode, QStringLiteral("[autofocus]"))
                .node
            == ScriptDocument::noNode;
    if (!untouched) {
        page.runtime.notModelled("Element scroll position");
        return;
    }
    info.GetReturnValue().Set(0);
}

} // namespace

void addScrollMembers(RealMembers &members)
{
    members.attribute("HTMLElement", "offsetTop", offset);
    members.attribute("HTMLElement", "offsetLeft", offset);
    for (const char *position : {"scrollTop", "scrollLeft"}) {
        members.attribute("Element", position, scrollPosition, setScroll);
    }
}
