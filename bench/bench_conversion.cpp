// Converts files through the program's own run and the real engine, headless, and prints how
// fast it went and what it cost. Folders are walked as "Add All HTML Files In Folder" walks
// them. The text files are written beside the inputs, as the program writes them.
//
//     bench_conversion <folder or file>...

#include "bench/ProcessTreeUsage.h"
#include "convert/ConversionRun.h"
#include "convert/RunView.h"
#include "filelist/FileListModel.h"
#include "filelist/FolderTree.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/QtCursorPosition.h"
#include "platform/QtDesktop.h"
#include "platform/QtFileDialog.h"
#include "platform/QtFolderBrowser.h"
#include "platform/QtMessagePump.h"
#include "platform/QtTextFileWriter.h"
#include "platform/RenderEngineSetup.h"
#include "platform/SeededRandom.h"
#include "platform/SystemClock.h"
#include "platform/WebEngineRenderer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

constexpr int usageSampleMs = 200;

class NoView : public RunView
{
public:
    void setMousePointer(int) override {}
    void setProgress(float) override {}
};

// Where the run would show its closing message box. The moment it comes ends the timing, so
// that the one-second pause after it is not counted.
class ClosingMessage : public MessageBoxes
{
public:
    std::function<void()> onShow;
    QString text;

    void inform(const QString &message) override
    {
        text = message;
        onShow();
    }
};

struct Usage
{
    double seconds = 0;
    double ownCpuSeconds = 0;
    double helperCpuSeconds = 0;
};

double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ownPeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

QStringList inputFiles(const QStringList &arguments, MessagePump &pump)
{
    QStringList files;
    for (const QString &argument : arguments) {
        if (QFileInfo(argument).isDir())
            files += htmlFilesInTree(argument, pump);
        else
            files += argument;
    }
    return files;
}

double megabytes(const QStringList &files)
{
    qint64 bytes = 0;
    for (const QString &file : files)
        bytes += QFileInfo(file).size();
    return double(bytes) / 1e6;
}

// The program loads "about:blank" at start-up; the engine's processes start there.
double startEngine(RenderEngine &engine, MessagePump &pump)
{
    QElapsedTimer startUp;
    startUp.start();
    engine.navigate(QStringLiteral("about:blank"));
    while (engine.readyState() != RenderEngine::Complete)
        pump.processPendingOrWait(1);
    return double(startUp.nsecsElapsed()) / 1e9;
}

int failureCount(const QString &closingMessage)
{
    // "Done.", a blank line, then "<n> file(s) could not be converted:".
    const QStringList lines = closingMessage.split('\n');
    return lines.size() > 2 ? lines[2].section(' ', 0, 0).toInt() : 0;
}

void printFigures(int files, int failures, double inputMegabytes, double startUpSeconds,
                  const Usage &usage, const ProcessTreeUsage &tree)
{
    std::printf("files        %d (%d could not be converted)\n", files, failures);
    std::printf("input        %.2f MB\n", inputMegabytes);
    std::printf("time         %.2f s (engine start-up before it: %.2f s, not counted)\n",
                usage.seconds, startUpSeconds);
    std::printf("files/s      %.1f\n", files / usage.seconds);
    std::printf("input MB/s   %.3f\n", inputMegabytes / usage.seconds);
    std::printf("peak RSS     %.0f MB this process; %.0f MB with the engine's helper processes"
                " (sampled every %d ms)\n",
                ownPeakResidentMegabytes(), double(tree.peakTreeResidentBytes()) / 1048576.0,
                usageSampleMs);
    std::printf("CPU seconds  %.2f this process + %.2f in %d helper processes = %.2f\n",
                usage.ownCpuSeconds, usage.helperCpuSeconds, tree.descendantsSeen(),
                usage.ownCpuSeconds + usage.helperCpuSeconds);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareRenderEngine();
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: bench_conversion <folder or file>...\n");
        return 2;
    }

    SystemClock clock;
    SeededRandom random(0);
    WebEngineRenderer engine;
    QtMessagePump pump;
    ClosingMessage closing;
    QtDesktop desktop;
    QtFileDialog fileDialog;
    QtFolderBrowser folderBrowser;
    QtCursorPosition cursor;
    QtTextFileWriter fileWriter;
    const Platform platform{engine, pump, clock, random, closing, desktop, fileDialog,
                            folderBrowser, cursor, fileWriter};

    const QStringList files = inputFiles(arguments, pump);
    FileListModel list;
    list.append(files);
    const double inputMegabytes = megabytes(files);
    const double startUpSeconds = startEngine(engine, pump);

    ProcessTreeUsage tree;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { tree.sample(); });
    tree.sample();
    sampler.start(usageSampleMs);

    Usage usage;
    QElapsedTimer elapsed;
    const double ownCpuAtStart = ownCpuSeconds();
    const double helperCpuAtStart = tree.descendantCpuSeconds();
    closing.onShow = [&] {
        usage.seconds = double(elapsed.nsecsElapsed()) / 1e9;
        usage.ownCpuSeconds = ownCpuSeconds() - ownCpuAtStart;
        tree.sample();
        usage.helperCpuSeconds = tree.descendantCpuSeconds() - helperCpuAtStart;
    };

    NoView view;
    ConversionRun run(list, view, platform);
    elapsed.start();
    run.run();

    if (closing.text != QLatin1String("Done."))
        std::fprintf(stderr, "%s\n\n", qPrintable(closing.text));
    printFigures(list.count(), failureCount(closing.text), inputMegabytes, startUpSeconds, usage,
                 tree);
    return 0;
}
