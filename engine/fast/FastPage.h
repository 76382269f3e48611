#pragma once

#include "engine/fast/Dom.h"

#include <QByteArray>
#include <QString>

// A page read and parsed without a browser: the text a browser shows for its body, for a
// desktop window of 1280 x 720 CSS pixels, computed from its HTML and style sheets alone. It is
// exact only for a page that runs no script (see carriesScript()); for any other page it is
// the text as it would be with scripts off.
class FastPage
{
public:
    // `path` is where the page lies: its linked style sheets are read beside it, as regular
    // local files only.
    FastPage(const QByteArray &bytes, const QString &path);

    bool carriesScript() const;

    // True for a page that declares no encoding and is not plain ASCII: the browser engine
    // guesses its encoding by a detector of its own, so its text may differ from ours.
    bool encodingGuessed() const { return m_encodingGuessed; }

    // Whether the text is the browser engine's for sure, as far as the page itself tells:
    // no script, and an encoding that is not a guess.
    bool isExact() const { return !carriesScript() && !encodingGuessed(); }

    // The body's innerText; empty for a page without a body.
    QString bodyText() const;

    const Dom &dom() const { return m_dom; }

private:
    QString m_path;
    Dom m_dom;
    bool m_encodingGuessed = false;
};
