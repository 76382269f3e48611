#pragma once

#include "PageScripts.h"

#include <QSet>
#include <QString>

#include <optional>
#include <vector>

class ScriptPage;

// Runs a page's scripts in the order and at the moments the browser runs them: the parser's
// scripts in order, each seeing the tree as far as the parser had come; deferred scripts after
// parsing; async and inserted scripts as their files arrive; then DOMContentLoaded, load and
// the readiness changes; then the page's timers and frames until it settles.
class ScriptRunner
{
public:
    ScriptRunner(ScriptPage &page, const PageResourceReader &read);

    // Everything, up to a settled page: nothing, or why the page goes to the browser.
    std::optional<BrowserReason> run();
    // Runs or queues the script elements a script has just connected to the document.
    void takeInsertedScripts();

private:
    struct Script
    {
        int element = -1;
        QString source;
        QString url;
        bool external = false;
    };
    enum class Timing { Now, Deferred, Async, WhenArrived };
    struct Prepared
    {
        Script script;
        Timing timing = Timing::Now;
    };

    std::optional<Prepared> prepare(int element, bool parserInserted);
    std::optional<Script> fetch(int element, const QString &src);
    void execute(const Script &script);
    void fireLater(int element, const char *type);
    void runParserScripts();
    void revealParsedUpTo(int node);
    void registerContentHandlers(int element);
    void finishLoading();
    void setReadyState(const char *state);

    ScriptPage &m_page;
    const PageResourceReader &m_read;
    QSet<int> m_started;
    std::vector<Script> m_deferred;
    std::vector<Script> m_async;
    int m_revealed = -1; // the parser's nodes up to here are revealed, their handlers set
    int m_depth = 0;     // scripts running inside one another (inserted inline scripts)
};
