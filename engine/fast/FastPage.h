#pragma once

#include "engine/BrowserReason.h"
#include "engine/PageDecoding.h"
#include "engine/fast/css/SheetLoader.h"
#include "engine/fast/dom/Dom.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A page read and parsed without a browser: the text a browser shows for its body, for a
// desktop window of 1280 x 720 CSS pixels, computed from its HTML and style sheets alone. It is
// exact only for a page that runs no script (see carriesScript()), only known ones, which it
// runs itself (knownscripts/), or scripts a script worker ran as the browser runs them
// (worker/); for any other page it is the text as it would be with scripts off.
//
// The page is read as a browser reads it from disk (see fileTypeOf()): HTML, XHTML parsed as
// XML, or a page saved as one file (MHTML), whose style sheets come from the archive alone.
//
// A page that does nothing but send the browser on to a page beside it, by a known script and a
// refresh, is that page, as the browser follows it, when the fast engine reads that one exactly.
class FastPage
{
public:
    // `path` is where the page lies: its linked style sheets are read beside it, as regular
    // local files only; its name, and else its first bytes, tell its type.
    FastPage(const QByteArray &bytes, const QString &path);

    bool carriesScript() const { return m_carriesScript; }
    // Whether every script the page carries is a known one, run here as the browser would.
    bool scriptsKnown() const { return m_scriptsKnown; }

    // True for a page that declares no encoding and is not UTF-8: the browser engine guesses
    // its encoding by a detector of its own, so its text may differ from ours.
    bool encodingGuessed() const { return m_encodingGuessed; }

    // Nothing when the text is the browser engine's for sure, as far as the page itself tells:
    // no script but known ones, an encoding that is no guess and is decoded here as the browser
    // decodes it, every attribute and element parsed, and a document tree that is the browser's
    // (XHTML that is well-formed; an archive whose style sheets are all found), and no <object>
    // whose box only the browser can tell. Otherwise the first of these that fails.
    std::optional<BrowserReason> browserReason() const;
    bool isExact() const { return !browserReason(); }

    // The body's innerText; empty for a page without a body. Its style sheets are read only
    // here: stylingReason, when given, is set to why the text as styled may not be the
    // browser's (a rule not read as the browser reads it, content a browser renders only near
    // its window), or to nothing.
    QString bodyText(std::optional<BrowserReason> *stylingReason = nullptr) const;

    const Dom &dom() const { return m_dom; }

private:
    FastPage(const QByteArray &bytes, const QString &path, int redirectsLeft);
    Utf8Page readHtml(const QByteArray &bytes);
    // Runs the page's scripts in a script worker and takes the tree they leave.
    void runScripts(const Utf8Page &decoded);
    void followRedirect(const QString &target, int redirectsLeft);
    void readArchive(const QByteArray &bytes);

    QString m_path;
    QString m_pagePath;   // where its links are read from: for an archive, where it was saved
    SheetLoader m_sheets; // linked style sheets from disk, or from the archive the page came in
    Dom m_dom;
    bool m_carriesScript = false;
    bool m_scriptsKnown = false;
    bool m_scriptsRun = false; // by the script runtime, as the browser runs them
    BrowserReason m_scriptReason = BrowserReason::UnknownScript; // when they are not known
    bool m_encodingGuessed = false;
    bool m_treeExact = true;
    BrowserReason m_treeReason = BrowserReason::XhtmlNotModelled; // when the tree is not exact
    bool m_encodingExact = true;
    bool m_objectsKnown = true;
};
