#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <vector>

class Dom;
struct KnownScript;

// One of a page's scripts, identified before any of them runs.
struct IdentifiedScript
{
    int element;
    const KnownScript *known;
    QString path; // its file, for an external script
};

// The page a known script runs on, as the browser gives it to the script.
struct ScriptPage
{
    QString path; // its file, from whose folder a script may load data files (ScriptDataFile.h)
    // The encoding its byte-order mark or <meta> declares, as iconv names it ("UTF-8"): a script
    // it loads without naming a charset is read in it too. Empty when it declares none.
    QByteArray encoding;
    bool quirksMode = false;
    QUrl baseUrl; // where its relative URLs start
    // Its scripts in document order, each known: what a generator's whole set of scripts, in its
    // order, is checked against.
    std::vector<IdentifiedScript> scripts;
};

// What a known script leaves changed in the document once the page has loaded and its timers
// have run, done to the parsed tree before styles are computed. False for a document on which
// the script would do what is not modelled here: the page then needs the browser. `script` is
// the script's own element.
using ScriptEffect = bool (*)(Dom &dom, int script, const ScriptPage &page);

// Whether the external script at `path` holds nothing but data of a known form (variables of
// literals, as ScriptData.h reads them), which defines names and renders nothing, as `page`
// would read it.
using DataScriptTest = bool (*)(const QString &path, const ScriptPage &page);

// For a page on which `script` and a refresh do nothing but send the browser on to a page
// beside it: that page's file, whose text is then the page's. Empty for any other page.
using RedirectTarget = QString (*)(const Dom &dom, int script, const ScriptPage &page);

// One released version of a script whose effect was verified against the browser engine: a row
// of the registry of known scripts.
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
    RedirectTarget redirect = nullptr;
    // For a redirect: the largest page it is on. A larger page that refreshes is no such page.
    qsizetype redirectPageBytes = 0;

    bool hasDigest(const char *digest) const { return sha256 && qstrcmp(sha256, digest) == 0; }
};
