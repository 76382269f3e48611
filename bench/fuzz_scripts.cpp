// Runs random pages' scripts for a while: programs made from the table of interfaces and
// mutated copies of real pages' scripts, several to a page, inline, external, deferred, async
// and inserted. Each page runs in this process (where the sanitizers watch the bindings and
// the DOM) and now and then also through a real, sandboxed script worker: one given a long
// time, and one given too short a time, which is killed mid-page and must be replaced for the
// next page. The tree a page leaves, in-process or from a worker, goes through the cascade and
// innerText as the engine's would. A crash ends the program by itself; a page that outruns its
// bounds, a tree out of order or a worker not replaced ends it with a message. The page being
// run is always in fuzz-page/ (index.html and its scripts), so that a finding can be run again.
//
//     fuzz_scripts [--seed N] <seconds> <script folder or file>...
//
// Folders are walked for *.js files and the inline scripts of *.html files. The worker is
// the one scriptWorkerProgram() finds (QUILLMERE_SCRIPT_WORKER); without one, pages run
// in-process only.

#include "RandomScripts.h"
#include "ScriptMutations.h"

#include "engine/PageDecoding.h"
#include "engine/fast/css/StyleResolver.h"
#include "engine/fast/css/StyleSheetCache.h"
#include "engine/fast/script/PageRuntime.h"
#include "engine/fast/script/PageScripts.h"
#include "engine/fast/script/ScriptDiagnostics.h"
#include "engine/fast/text/InnerText.h"
#include "engine/fast/worker/ScriptWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QUrl>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <random>

#include <unistd.h>

namespace {

constexpr char pageFolder[] = "fuzz-page";
constexpr int externalScripts = 4;
constexpr unsigned hangSeconds = 60;
// Past the runtime's own bounds, with room for a page's work between its tasks under the
// sanitizers.
const qint64 pageBoundMs = RuntimeBounds{}.pageTime.count() + RuntimeBounds{}.taskTime.count()
    + 3000;

// Long enough for a worker's start under the sanitizers, too short for a page that runs on.
constexpr std::chrono::milliseconds impatientTime{1000};
// A page that took less in this process can only fail in a worker by a fault.
constexpr qint64 quickPageMs = 2000;

void reportHang(int)
{
    const char message[] = "fuzz_scripts: a page hung; it is in fuzz-page/\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(1);
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_scripts: %s; the page is in %s/\n", what, pageFolder);
    std::exit(1);
}

struct Page
{
    QByteArray html;
    QByteArrayList scripts; // s0.js, s1.js, ...
};

class PageMaker
{
public:
    PageMaker(const ScriptMutations &corpus, std::mt19937 &random)
        : m_corpus(corpus)
        , m_random(random)
        , m_programs(random)
    {
    }

    Page make()
    {
        Page page;
        for (int i = 0; i < externalScripts; ++i)
            page.scripts.append(script());
        page.html = "<!DOCTYPE html><html><head><script>" + m_programs.prelude()
            + "</script>\n<script src=s0.js defer></script></head>\n<body"
            + (chance(4) ? " onload=\"keep(event)\"" : "") + ">\n";
        for (int i = pick(5); i >= 0; --i) {
            page.html += m_programs.markup() + '\n';
            switch (pick(6)) {
            case 0:
                page.html += "<script src=s" + QByteArray::number(pick(externalScripts))
                    + (chance(2) ? ".js async" : ".js") + "></script>\n";
                break;
            case 1:
                page.html += "<script src=missing.js onerror=\"keep(this)\"></script>\n";
                break;
            default:
                page.html += "<script>" + script().replace("</", "<\\/") + "</script>\n";
                break;
            }
        }
        page.html += m_programs.markup();
        return page;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }
    bool chance(int inCount) { return pick(inCount) == 0; }

    QByteArray script()
    {
        if (!m_corpus.isEmpty() && chance(4)) {
            // Most through eval: what does not compile then stops only itself.
            const QByteArray mutated = m_corpus.mutated(m_random);
            return chance(4)
                ? mutated
                : "try { (0, eval)(" + scriptString(mutated) + "); } catch (e) { keep(e); }";
        }
        return m_programs.program(1 + pick(30));
    }

    const ScriptMutations &m_corpus;
    std::mt19937 &m_random;
    RandomScripts m_programs;
};

// Writes the page where a finding leaves it, and where its external scripts are read from.
QString keep(const Page &page)
{
    QDir().mkpath(QLatin1String(pageFolder));
    const QDir folder{QLatin1String(pageFolder)};
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            fail("cannot write the page");
    };
    for (qsizetype i = 0; i < page.scripts.size(); ++i)
        write(QStringLiteral("s%1.js").arg(i), page.scripts[i]);
    write(QStringLiteral("index.html"), page.html);
    return folder.absoluteFilePath(QStringLiteral("index.html"));
}

std::optional<QByteArray> readLocal(const QString &url, PageResourceKind)
{
    QFile file(QUrl(url).toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// What the engine does with the tree next: the order it takes it in, the cascade, innerText.
void checkTree(const Dom &dom, const QString &path)
{
    for (int at = 0; at < dom.size(); ++at) {
        if (dom.node(at).parent >= at)
            fail("the tree the scripts left is out of order");
    }
    if (dom.body() < 0)
        return;
    const StyleResolver styles(dom, path, loadStyleSheet);
    (void)innerText(dom, styles.computeStyles(), dom.body());
}

struct Tally
{
    QMap<QString, int> outcomes;
    QMap<QString, int> stops; // what stopped pages: a member not modelled, an uncaught error
    int pages = 0;
    int throughWorker = 0;
    int workersReplaced = 0;
};

class WorkerRuns
{
public:
    explicit WorkerRuns(const QString &program)
        : m_patient(program)
        , m_impatient(program, {impatientTime, 64})
    {
    }

    void run(const QByteArray &utf8, const PageScriptContext &context, const QString &path,
             qint64 inProcessMs, bool impatient, Tally &tally)
    {
        ScriptWorker &worker = impatient ? m_impatient : m_patient;
        // The impatient worker's page never ends by itself: the worker is killed mid-page.
        const std::variant<Dom, BrowserReason> result = worker.runPage(
            impatient ? utf8 + "<script>for (;;) {}</script>" : utf8, context);
        ++tally.throughWorker;
        if (const Dom *dom = std::get_if<Dom>(&result)) {
            checkTree(*dom, path);
            return;
        }
        if (std::get<BrowserReason>(result) != BrowserReason::ScriptWorkerFailed)
            return;
        // A crash, a kill by the sandbox or a broken message, on a page that ran well within
        // the patient worker's time here.
        if (!impatient && inProcessMs < quickPageMs)
            fail("a script worker failed on a quick page");
        // The failed worker is gone; the next page must have a new one. A new worker's start
        // may itself outrun the impatient worker's time on a busy machine, but not every time,
        // and a worker that fails sooner than that failed for another reason.
        const QByteArray control = "<!DOCTYPE html><p>a<script>document.body.append('b')</script>";
        for (int attempt = 0; attempt < 5; ++attempt) {
            QElapsedTimer timer;
            timer.start();
            const std::variant<Dom, BrowserReason> again = worker.runPage(control, context);
            if (std::holds_alternative<Dom>(again)) {
                ++tally.workersReplaced;
                return;
            }
            std::fprintf(stderr, "fuzz_scripts: the page after a failed worker: %s in %lld ms\n",
                         qPrintable(describeBrowserReason(std::get<BrowserReason>(again))),
                         timer.elapsed());
            if (timer.elapsed() < impatientTime.count() / 2)
                break;
        }
        fail("a failed script worker was not replaced");
    }

private:
    ScriptWorker m_patient;
    ScriptWorker m_impatient;
};

void runPage(const Page &page, std::unique_ptr<WorkerRuns> &workers, std::mt19937 &random,
             Tally &tally)
{
    const QString path = keep(page);
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const Utf8Page decoded = decodePageToUtf8(page.html);
    const PageScriptContext context{url, url, decoded.encoding};
    alarm(hangSeconds);
    QElapsedTimer timer;
    timer.start();
    Dom dom = parsePageForScripts(decoded.utf8);
    const std::optional<BrowserReason> reason = runPageScripts(dom, decoded.utf8, context,
                                                               readLocal);
    const qint64 ranMs = timer.elapsed();
    if (ranMs > pageBoundMs)
        fail("a page's scripts outran their bounds");
    checkTree(dom, path);
    ++tally.outcomes[reason ? describeBrowserReason(*reason) : QStringLiteral("settled")];
    ++tally.pages;
    if (!lastMemberNotModelled().empty())
        ++tally.stops[QString::fromStdString(lastMemberNotModelled()).left(60)];
    if (workers && random() % 16 == 0)
        workers->run(decoded.utf8, context, path, ranMs, random() % 4 == 0, tally);
    alarm(0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    unsigned seed = std::random_device()();
    if (arguments.size() > 2 && arguments.first() == u"--seed") {
        seed = arguments.at(1).toUInt();
        arguments = arguments.mid(2);
    }
    bool ok = false;
    const double seconds = arguments.value(0).toDouble(&ok);
    if (!ok || arguments.size() < 2) {
        std::fprintf(stderr,
                     "usage: fuzz_scripts [--seed N] <seconds> <script folder or file>...\n");
        return 2;
    }
    const ScriptMutations corpus(arguments.mid(1));
    std::printf("seed %u, %lld real scripts to mutate\n", seed, qlonglong(corpus.size()));
    std::fflush(stdout);
    std::mt19937 random(seed);
    PageMaker maker(corpus, random);
    const QString program = scriptWorkerProgram();
    std::unique_ptr<WorkerRuns> workers;
    if (program.isEmpty())
        std::printf("no script worker: pages run in this process only\n");
    else
        workers = std::make_unique<WorkerRuns>(program);
    std::signal(SIGALRM, reportHang);
    prepareScriptRuntime();
    Tally tally;
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < qint64(seconds * 1000))
        runPage(maker.make(), workers, random, tally);
    std::printf("%d pages in %.0f s, %d of them also through a script worker (%d failed workers "
                "replaced): no crash, none past its bounds\n",
                tally.pages, double(elapsed.elapsed()) / 1000, tally.throughWorker,
                tally.workersReplaced);
    for (auto outcome = tally.outcomes.cbegin(); outcome != tally.outcomes.cend(); ++outcome)
        std::printf("  %s: %d\n", qPrintable(outcome.key()), outcome.value());
    // The generators' worklist: what stops pages before their scripts go deep.
    std::vector<std::pair<int, QString>> stops;
    for (auto stop = tally.stops.cbegin(); stop != tally.stops.cend(); ++stop)
        stops.emplace_back(stop.value(), stop.key());
    std::sort(stops.rbegin(), stops.rend());
    std::printf("most frequent stops:\n");
    for (size_t i = 0; i < std::min<size_t>(stops.size(), 12); ++i)
        std::printf("  %d  %s\n", stops[i].first, qPrintable(stops[i].second));
    return 0;
}
