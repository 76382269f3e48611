#pragma once

#include "engine/BrowserReason.h"
#include "engine/fast/dom/Dom.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// What a page's element asks to read while its scripts run.
enum class PageResourceKind { Script, StyleSheet };

// Reads a file a page links to, by its absolute URL: its bytes, or nothing when the browser's
// load of it would fail. The scripts' own process can open no file, so this asks the process
// that can, which reads it under the engine's rules for what a local page may reach.
using PageResourceReader =
    std::function<std::optional<QByteArray>(const QString &url, PageResourceKind kind)>;

struct PageScriptContext
{
    QString pageUrl;     // the page's own address, file:///...
    QString baseUrl;     // where its relative links resolve, after any <base>
    QByteArray encoding; // the page's encoding: a script without a charset of its own is read in it
};

// Sets the runtime up while its process may still read files: V8 reads /proc/self/maps and
// /proc/sys/vm/overcommit_memory as it makes its isolate, ICU looks for time zone data when a
// date is first used. The script worker calls it once, before its sandbox forbids them, and
// then runs every page on the same thread.
void prepareScriptRuntime();

// A page's tree as runPageScripts() takes it: with its comments, which scripts walk, and each
// node's place in the page, for what the scripts write into the parser's input.
Dom parsePageForScripts(const QByteArray &utf8);

// Runs a page's scripts over its tree as the browser engine runs them, until the page has
// settled; the tree is then as the scripts left it. Nothing when the tree is the browser's for
// sure, else the first reason it may not be (a member the runtime does not model was used, an
// error nothing caught, a page that does not settle within its bounds).
// `utf8` is the page the tree was parsed from (parsePageForScripts()): markup its scripts write
// while it is parsed goes into it, and the tree is then of that parse.
std::optional<BrowserReason> runPageScripts(Dom &dom, const QByteArray &utf8,
                                            const PageScriptContext &context,
                                            const PageResourceReader &read);
