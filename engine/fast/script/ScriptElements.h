#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How the browser takes a <script> element: by its type and language attributes, as the HTML
// standard tells which scripts are JavaScript.
// Uncertain: a JavaScript type with parameters ("text/javascript; charset=utf-8"), which the
// standard does not run but browsers have run.
enum class ScriptKind { Classic, Module, NotScript, Uncertain };

// `type` and `language` are null strings when the element lacks them.
ScriptKind scriptKind(const QString &type, const QString &language);

// A script file's text: decoded by its byte order mark, else in the element's charset, else in
// the page's encoding. Nothing when the encoding is one not decoded here.
std::optional<QString> decodeScript(const QByteArray &bytes, const QString &charset,
                                    const QByteArray &pageEncoding);
