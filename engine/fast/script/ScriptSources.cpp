#include "ScriptSources.h"

#include "PageRuntime.h"
#include "ScriptElements.h"
#include "V8Strings.h"

#include <v8-persistent-handle.h>

#include <list>

namespace {

struct HeldFile
{
    QByteArray bytes;
    QString charset;
    QByteArray pageEncoding;
    QString source;
    v8::Global<v8::String> string; // made when a page first runs it

    qsizetype heldBytes() const { return bytes.size() + source.size() * qsizetype(sizeof(QChar)); }
};

// Few files, looked up one after another: most are told apart by their size alone.
struct HeldFiles
{
    std::list<HeldFile> files; // the most recently used first
    qsizetype bytes = 0;

    void forgetOldestUntilFits(qsizetype more)
    {
        while (!files.empty()
               && (bytes + more > ScriptSources::maxHeldBytes
                   || files.size() >= std::size_t(ScriptSources::maxHeldFiles))) {
            bytes -= files.back().heldBytes();
            files.pop_back();
        }
    }
};

HeldFiles &heldFiles()
{
    static HeldFiles *const held = [] {
        auto *made = new HeldFiles;
        // Their V8 strings go before the isolate.
        PageRuntime::beforeIsolateEnds([made] { made->files.clear(); });
        return made;
    }();
    return *held;
}

} // namespace

std::optional<QString> ScriptSources::decoded(const QByteArray &bytes, const QString &charset,
                                              const QByteArray &pageEncoding)
{
    HeldFiles &held = heldFiles();
    for (auto file = held.files.begin(); file != held.files.end(); ++file) {
        if (file->bytes.size() == bytes.size() && file->bytes == bytes && file->charset == charset
            && file->pageEncoding == pageEncoding) {
            held.files.splice(held.files.begin(), held.files, file);
            return file->source;
        }
    }
    std::optional<QString> source = decodeScript(bytes, charset, pageEncoding);
    if (!source)
        return std::nullopt;
    HeldFile file{bytes, charset, pageEncoding, *source, {}};
    if (file.heldBytes() > maxHeldBytes)
        return source;
    held.forgetOldestUntilFits(file.heldBytes());
    held.bytes += file.heldBytes();
    held.files.push_front(std::move(file));
    return source;
}

v8::Local<v8::String> ScriptSources::v8Source(v8::Isolate *isolate, const QString &source)
{
    // A text decoded() gave shares its characters with the one held: the same characters at the
    // same address are the same text, for the held one keeps them from being freed.
    for (HeldFile &file : heldFiles().files) {
        if (file.source.constData() != source.constData() || file.source.size() != source.size())
            continue;
        if (file.string.IsEmpty())
            file.string.Reset(isolate, toV8(isolate, source));
        return file.string.Get(isolate);
    }
    return toV8(isolate, source);
}
