// What a script worker costs: its start with its first page, each page after, and its memory.
//
//   bench_scriptworker <worker program> [page.html] [pages]
//
// Runs the page (by default one with a small script) `pages` times (20) through one worker,
// then once more through a fresh worker for each of five starts, and prints the figures.

#include "engine/fast/worker/ScriptWorker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>

#include <sys/resource.h>

namespace {

double millisecondsOf(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

bool ranWell(const std::variant<Dom, BrowserReason> &run)
{
    if (const auto *reason = std::get_if<BrowserReason>(&run)) {
        std::fprintf(stderr, "the page failed: %s\n", qPrintable(describeBrowserReason(*reason)));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_scriptworker <worker program> [page.html] [pages]\n");
        return 2;
    }
    QByteArray page = "<!DOCTYPE html><body><p>page</p><script></script>";
    QString path = QStringLiteral("/bench/page.html");
    if (arguments.size() > 2) {
        QFile file(arguments[2]);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments[2]));
            return 2;
        }
        page = file.readAll();
        path = QFileInfo(file).absoluteFilePath();
    }
    const int pages = arguments.size() > 3 ? arguments[3].toInt() : 20;
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const PageScriptContext context{url, url, "UTF-8"};

    double startMs = 0;
    constexpr int starts = 5;
    for (int start = 0; start < starts; ++start) {
        ScriptWorker worker(arguments[1]);
        QElapsedTimer timer;
        timer.start();
        if (!ranWell(worker.runPage(page, context)))
            return 1;
        startMs += millisecondsOf(timer);
    }
    double pageMs = 0;
    {
        ScriptWorker worker(arguments[1], {std::chrono::milliseconds(60000), pages + 1});
        if (!ranWell(worker.runPage(page, context)))
            return 1;
        QElapsedTimer timer;
        timer.start();
        for (int run = 0; run < pages; ++run) {
            if (!ranWell(worker.runPage(page, context)))
                return 1;
        }
        pageMs = millisecondsOf(timer) / pages;
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("start and first page: %.1f ms (mean of %d starts)\n", startMs / starts, starts);
    std::printf("each page after:      %.2f ms (mean of %d)\n", pageMs, pages);
    std::printf("peak resident memory: %.1f MB (the largest worker)\n",
                double(usage.ru_maxrss) / 1024);
    return 0;
}
