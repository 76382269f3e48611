#pragma once

#include <QObject>
#include <QString>

// One page in flight: loads one file at a time into a hidden HTML engine and says when its text
// is at hand. Loading is asynchronous: load() returns at once, and the page makes progress only
// while the caller processes events. Each load() ends in exactly one of the two signals, unless
// the page is abandoned first.
class PageLoader : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts loading a file, its path exactly as the list holds it. It is read as a browser
    // reads it from disk (see fileTypeOf()): HTML, XHTML or a page saved as one file; a file
    // that is no page is read as HTML.
    virtual void load(const QString &path) = 0;

    // The folder whose tree the next load()'s file was listed under (a folder added whole),
    // for that load only: a page may send itself to another page within it. Without one, as
    // for a file listed alone, the page's own folder. An engine that follows no navigation
    // needs none.
    virtual void setListedFolder(const QString &folder) { Q_UNUSED(folder) }

    // For a page still loading when its time is up: asks for the text it holds so far.
    // pageLoaded follows with it, or pageFailed when it has none; a page whose scripts keep the
    // engine busy may never answer, and is then to be abandoned. The next load() starts on a
    // fresh page either way.
    virtual void readTextSoFar() = 0;

    // Gives up on the page being loaded (a script that never ends, say), so that the next
    // load() is not held up by it; no signal follows for it.
    virtual void abandon() = 0;

signals:
    // The body's innerText of the page asked for.
    void pageLoaded(const QString &text);
    // The page could not be loaded; reason is a sentence a user can read.
    void pageFailed(const QString &reason);
    // Something the user should know of the page being loaded, in words a user can read (a
    // navigation it was not let follow); any number of notes may come before pageLoaded.
    void pageNoted(const QString &note);
};
