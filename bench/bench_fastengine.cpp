// How fast the fast engine turns pages into text, against the browser engine and `w3m -dump`
// on the same pages, one page at a time, in the same sitting. Only the pages the fast engine is
// meant for are used (no script, no guessed encoding). Nothing is written.
//
//     bench_fastengine [--fast-only] <folder or file>...
//
// With --fast-only the browser engine is never started, so the peak memory printed is that of
// the fast path alone.

#include "bench/PageText.h"
#include "cli/ProcessTreeUsage.h"
#include "convert/FolderWalk.h"
#include "engine/browser/BrowserPageLoader.h"
#include "engine/browser/RenderEngineSetup.h"
#include "engine/fast/FastPage.h"
#include "platform/QtMessagePump.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <functional>
#include <memory>

#include <sys/resource.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Times one engine over every file and prints files/s and CPU seconds (this process and the
// processes it waited for).
void measure(const char *name, const QStringList &files,
             const std::function<void(const QString &)> &convert)
{
    const double ownAtStart = usageCpuSeconds(RUSAGE_SELF);
    const double childrenAtStart = usageCpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer elapsed;
    elapsed.start();
    for (const QString &file : files)
        convert(file);
    const double seconds = double(elapsed.nsecsElapsed()) / 1e9;
    const double cpu = usageCpuSeconds(RUSAGE_SELF) - ownAtStart + usageCpuSeconds(RUSAGE_CHILDREN)
        - childrenAtStart;
    std::printf("%-8s %8.1f files/s  %7.2f s  %7.2f CPU s (%.2f ms a page)\n", name,
                files.size() / seconds, seconds, cpu, 1000 * cpu / files.size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool fastOnly = arguments.removeAll("--fast-only") > 0;
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: bench_fastengine [--fast-only] <folder or file>...\n");
        return 2;
    }
    std::unique_ptr<QCoreApplication> app;
    if (fastOnly) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        prepareRenderEngine();
        app = std::make_unique<QApplication>(argc, argv);
    }

    QtMessagePump pump;
    QStringList files;
    qint64 bytes = 0;
    for (const QString &argument : arguments) {
        const QStringList found = QFileInfo(argument).isDir() ? htmlFilesInTree(argument, pump)
                                                              : QStringList{argument};
        for (const QString &file : found) {
            // Below a folder named "html" every style sheet and picture would count as a page.
            const bool named = QFileInfo(file).fileName().contains(QLatin1String("htm"),
                                                                   Qt::CaseInsensitive);
            if (named && FastPage(readFile(file), file).isExact()) {
                files << file;
                bytes += QFileInfo(file).size();
            }
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "no page without scripts found\n");
        return 1;
    }
    std::printf("%lld pages without scripts, %.2f MB, one page at a time\n",
                (long long)files.size(), double(bytes) / 1e6);

    qint64 characters = 0;
    measure("fast", files, [&](const QString &file) {
        characters += FastPage(readFile(file), file).bodyText().size();
    });
    std::printf("peak RSS %.0f MB after the fast engine (%lld characters of text)\n",
                ownPeakResidentMegabytes(), (long long)characters);
    if (fastOnly)
        return 0;

    if (!QStandardPaths::findExecutable("w3m").isEmpty()) {
        measure("w3m", files, [](const QString &file) {
            QProcess w3m;
            w3m.start("w3m", {"-dump", "-T", "text/html", file});
            w3m.waitForFinished(-1);
            (void)w3m.readAllStandardOutput();
        });
    } else {
        std::printf("w3m      not installed\n");
    }

    BrowserPageLoader engine;
    // Its processes are started before the clock runs.
    waitForPageText(engine, files.first(), 30'000);
    ProcessTreeUsage helpers;
    helpers.sample();
    const double helperCpuAtStart = helpers.descendantCpuSeconds();
    int sinceSample = 0;
    measure("browser", files, [&](const QString &file) {
        waitForPageText(engine, file, 30'000);
        if (++sinceSample % 10 == 0)
            helpers.sample();
    });
    helpers.sample();
    const double helperCpu = helpers.descendantCpuSeconds() - helperCpuAtStart;
    std::printf("         + %.2f CPU s in the browser engine's helper processes (%.2f ms a page);"
                " peak %.0f MB with them\n",
                helperCpu, 1000 * helperCpu / files.size(),
                double(helpers.peakTreeResidentBytes()) / 1048576.0);
    return 0;
}
