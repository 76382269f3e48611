#pragma once

#include <QString>

// The hidden HTML engine that turns a page into its rendered text. It is never shown and
// never asks the user anything. Loading is asynchronous: navigate() returns at once and the
// page makes progress only while the caller processes events.
class RenderEngine
{
public:
    // The readiness values a caller polls; only Complete matters to the conversion run.
    enum ReadyState { Uninitialized = 0, Loading = 1, Loaded = 2, Interactive = 3, Complete = 4 };

    virtual ~RenderEngine() = default;

    // Kept for symmetry with start-up; the engine never shows dialogs of its own either way.
    virtual void setSilent(bool silent) = 0;

    // Starts loading a file path exactly as the list holds it, or an about:/data: URL.
    virtual void navigate(const QString &pathOrUrl) = 0;

    // Complete once the page asked for has loaded and its body text is at hand, and also once
    // that load has failed (see loadFailed()).
    virtual int readyState() const = 0;

    // True when the last navigation could not load its page; errorString() says why.
    virtual bool loadFailed() const = 0;
    virtual QString errorString() const = 0;

    // The body's innerText of the page asked for last; a null string while it is not known.
    virtual QString bodyText() const = 0;

    // What the engine shows now: "about:blank" after start-up, else the last path or URL asked for.
    virtual QString location() const = 0;

    // Asks for the body text of a page still loading, as far as it has come. readyState() turns
    // Complete once the text is at hand (or the load has ended meanwhile); a page whose scripts
    // keep the engine busy may never give it.
    virtual void readTextSoFar() = 0;

    // Gives up on the current page (a script that never ends, say) and continues with a fresh
    // one, so that later navigations are not held up by it.
    virtual void abandonPage() = 0;
};
