#pragma once

#include <QList>
#include <QString>

class Dom;

// What a known script leaves changed in the document once the page has loaded and its timers
// have run, done to the parsed tree before styles are computed. False for a document on which
// the script would do what is not modelled here: the page then needs the browser. `script` is
// the script's own element; `pagePath` is the page's file, from whose folder a script may load
// data files (read with ScriptDataFile.h, as the browser would load them).
using ScriptEffect = bool (*)(Dom &dom, int script, const QString &pagePath);

// Whether the external script at `path` holds nothing but data of a known form (variables of
// literals, as ScriptData.h reads them), which defines names and renders nothing, as the page
// at `pagePath` would read it.
using DataScriptTest = bool (*)(const QString &path, const QString &pagePath);

// One released version of a script whose effect was verified against the browser engine.
struct KnownScript
{
    const char *name; // the script and where that version comes from, for people reading
    // SHA-256 in hex: of the file's bytes for an external script; for an inline one, of its text
    // with the contents of the string literals counted in `variableLiterals` left out. Null for
    // a data script, known by `dataTest` instead: its contents differ from project to project.
    const char *sha256;
    ScriptEffect effect; // nullptr: it changes nothing that is rendered
    // Only for inline scripts: the string literals (counted from 0 in the text) that may hold any
    // relative path, such as a page's way back to the root of its documentation.
    QList<int> variableLiterals = {};
    DataScriptTest dataTest = nullptr;
};
