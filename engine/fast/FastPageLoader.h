#pragma once

#include "engine/BrowserReason.h"
#include "engine/PageLoader.h"

#include <atomic>
#include <memory>

// Loads pages with the fast engine (FastPage): no browser. The file is read and its text
// computed on a thread of the global thread pool, since a large or pathological page takes
// seconds; the result comes back through the event loop, so that pageLoaded or pageFailed
// always follows load() asynchronously, as with the browser engine. A page abandoned, or still
// being computed when its loader goes away, stops within moments and frees its pool thread.
//
// Only regular files are read (links followed), as the browser engine reads them. A page's
// scripts run only as FastPage runs them: known ones in the loader's thread, others in a script
// worker, a process of the thread's own; for a page whose scripts did not run, the text is that
// of the page with scripts off.
class FastPageLoader : public PageLoader
{
    Q_OBJECT

public:
    enum class Pages {
        All,
        // The text only of a page whose text is the browser engine's for sure (no script, an
        // encoding that is no guess, a name that is valid UTF-8); for any other, pageNotExact
        // instead.
        ExactOnly,
    };

    explicit FastPageLoader(Pages pages = Pages::All, QObject *parent = nullptr);
    ~FastPageLoader() override;

    void load(const QString &path) override;
    // The text is computed in one piece, so there is none to give early: it comes when done.
    void readTextSoFar() override;
    void abandon() override;

signals:
    // Under Pages::ExactOnly: the page needs the browser engine, for `reason`; its text was not
    // computed.
    void pageNotExact(BrowserReason reason);

private:
    Pages m_pages;
    // Tells the result of the current load() apart from those of pages given up on.
    quint64 m_loadNumber = 0;
    // Set to stop the current page's computation; shared with the pool thread computing it.
    std::shared_ptr<std::atomic_bool> m_cancel;
};
