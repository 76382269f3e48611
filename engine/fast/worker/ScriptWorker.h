#pragma once

#include "engine/BrowserReason.h"
#include "engine/fast/dom/Dom.h"
#include "engine/fast/script/PageScripts.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <variant>

#include <sys/types.h>

// The converter's side of a script worker: a process of its own, sandboxed, that parses a page,
// runs its scripts and sends back the tree they leave, answering its requests for files meanwhile
// (readPageResource()). One process serves page after page; one that fails in any way (crashes,
// is killed by its sandbox, misspeaks, outlives the page's time) is killed, costing only its page,
// and the next page starts another. Not for more than one thread at a time.
class ScriptWorker
{
public:
    struct Limits
    {
        // A page's whole trip, scripts and files included: past it the worker is killed.
        std::chrono::milliseconds pageTime{10000};
        // A worker serves this many pages and is then replaced, which also bounds the processor
        // time it may spend (see the worker's sandbox).
        int pagesPerProcess = 64;
        // A worker left holding more memory than this after a page is replaced, so that what a
        // large page made it take is not kept through the pages after it.
        std::size_t residentBytes = std::size_t(96) << 20;
    };

    // `program` is the worker to start (see scriptWorkerProgram()).
    explicit ScriptWorker(QString program, Limits limits);
    explicit ScriptWorker(QString program) : ScriptWorker(std::move(program), Limits()) {}
    ~ScriptWorker();
    ScriptWorker(const ScriptWorker &) = delete;
    ScriptWorker &operator=(const ScriptWorker &) = delete;

    // The page's tree as its scripts left it, or why it is the browser's: the reason the worker
    // gives, or ScriptWorkerFailed.
    std::variant<Dom, BrowserReason> runPage(const QByteArray &utf8,
                                             const PageScriptContext &context);

private:
    std::variant<Dom, BrowserReason> talk(const QByteArray &utf8, const PageScriptContext &context);
    bool start();
    void forgetIfEnded();
    void stop();

    QString m_program;
    Limits m_limits;
    pid_t m_pid = -1;
    int m_socket = -1;
    int m_pagesRun = 0;
};

// The worker program: QUILLMERE_SCRIPT_WORKER when set ("off" for none), else the one beside
// the running program (in the build tree), else the one installed with it; empty when there is
// none, and pages with scripts the fast engine does not know are then the browser's.
QString scriptWorkerProgram();
