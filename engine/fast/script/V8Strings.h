#pragma once

#include <QString>

#include <optional>

#include <v8-isolate.h>
#include <v8-local-handle.h>
#include <v8-primitive.h>
#include <v8-value.h>

// Strings between Qt and V8, as UTF-16 both sides, without a detour through UTF-8.
inline v8::Local<v8::String> toV8(v8::Isolate *isolate, QStringView text)
{
    return v8::String::NewFromTwoByte(isolate, reinterpret_cast<const uint16_t *>(text.utf16()),
                                      v8::NewStringType::kNormal, int(text.size()))
        .FromMaybe(v8::String::Empty(isolate));
}

inline v8::Local<v8::String> toV8(v8::Isolate *isolate, const char *latin1)
{
    return v8::String::NewFromUtf8(isolate, latin1).FromMaybe(v8::String::Empty(isolate));
}

inline QString fromV8(v8::Isolate *isolate, v8::Local<v8::String> text)
{
    const int length = text->Length();
    if (length == 0)
        return QStringLiteral("");
    QString result(length, Qt::Uninitialized);
    text->Write(isolate, reinterpret_cast<uint16_t *>(result.data()), 0, length,
                v8::String::NO_NULL_TERMINATION);
    return result;
}

// A value as the DOM's DOMString arguments take it: ToString, which may run the page's own
// toString() and throw; then nothing.
inline std::optional<QString> domString(v8::Isolate *isolate, v8::Local<v8::Value> value)
{
    v8::Local<v8::String> text;
    if (!value->ToString(isolate->GetCurrentContext()).ToLocal(&text))
        return std::nullopt;
    return fromV8(isolate, text);
}
