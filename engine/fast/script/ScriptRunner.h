#pragma once

#include "DocumentWrites.h"
#include "PageScripts.h"

#include <QSet>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class ScriptPage;

// Runs a page's scripts in the order and at the moments the browser runs them: the parser's
// scripts in order, each seeing the tree as far as the parser had come; deferred scripts after
// parsing; async and inserted scripts as their files arrive; then DOMContentLoaded, load and
// the readiness changes; then the page's timers and frames until it settles.
class ScriptRunner
{
public:
    // `writes`: what the page's scripts wrote while it was parsed, in the tree's parse already.
    ScriptRunner(ScriptPage &page, const PageResourceReader &read, const DocumentWrites &writes);

    // Everything, up to a settled page: nothing, or why the page goes to the browser. Stops
    // early when a script wrote markup its parse has not got: see rewrite().
    std::optional<BrowserReason> run();
    // Runs or queues the script elements a script has just connected to the document.
    void takeInsertedScripts();
    // document.write() and writeln(), from the script running now.
    void write(const QString &markup);

    // The markup parser's scripts wrote, where it is not what the tree's parse has after them,
    // in document order: the page is to be parsed again with it and its scripts run again.
    struct Rewrite
    {
        int script = -1;
        QString markup;
    };
    const std::vector<Rewrite> &rewrites() const { return m_rewrites; }
    // The tree as parsed, kept when the first rewrite came before any script changed a node of
    // it: the parse the page's input with the writes is checked against, which need not be
    // made again. Nodes the scripts made beside it change nothing of the parser's.
    std::optional<Dom> takeTreeAsParsed() { return std::exchange(m_treeAsParsed, std::nullopt); }

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
    // The markup written after the parser's script `script` in the tree's parse; nothing when
    // the script is itself written markup, or its place is not known.
    std::optional<QString> writtenAfter(int script) const;
    void revealWritten(qsizetype inputEnd);
    void runWrittenScripts(int from, int to);
    // After the parser's script ran: a rewrite when what it wrote is not what was parsed.
    void checkWrites(int script);
    void addRewrite(int script, const QString &markup);

    struct Writing
    {
        int script = -1;
        std::optional<QString> parsed; // what the parse has after the script
        QString written;               // what the script wrote so far
        qsizetype writtenBytes = 0;    // its length in the parser's input
        bool asParsed = true;          // what it wrote so far begins what was parsed
    };

    ScriptPage &m_page;
    const PageResourceReader &m_read;
    QSet<int> m_started;
    std::vector<Script> m_deferred;
    std::vector<Script> m_async;
    int m_revealed = -1; // the parser's nodes up to here are revealed, their handlers set
    int m_depth = 0;     // scripts running inside one another (inserted inline scripts)
    const DocumentWrites &m_writes;
    int m_parserScript = -1; // the parser's script running now, where writes go
    Writing m_writing;
    int m_writeCalls = 0;
    std::vector<Rewrite> m_rewrites;
    std::optional<Dom> m_treeAsParsed;
};
