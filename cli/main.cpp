// quillmere-convert: the conversion run from a terminal or a script, without a window.

#include "cli/CommandLine.h"
#include "cli/ConvertCommand.h"
#include "cli/OwnStandardError.h"
#include "engine/PageDecoding.h"
#include "engine/auto/AutoEngine.h"
#include "engine/browser/BrowserEngine.h"
#include "engine/browser/ProgramVersion.h"
#include "engine/browser/RenderEngineSetup.h"
#include "engine/fast/FastEngine.h"
#include "platform/EscapedText.h"
#include "platform/FileNames.h"
#include "platform/QtMessagePump.h"
#include "platform/QtTextFileWriter.h"
#include "platform/SystemClock.h"
#include "platform/TemporaryFiles.h"

#include <QApplication>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

std::FILE *ownStandardError = stderr;

// Qt's own warnings (a missing runtime folder, fonts) are no business of a script reading
// standard error, where each line names a file that failed.
void keepOnlySeriousMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(ownStandardError, "quillmere-convert: %s\n", qPrintable(message));
}

PageEngine &chosenEngine(EngineChoice choice, BrowserEngine &browser, FastEngine &fast,
                         AutoEngine &automatic)
{
    switch (choice) {
    case EngineChoice::Browser:
        return browser;
    case EngineChoice::Fast:
        return fast;
    case EngineChoice::Auto:
        break;
    }
    return automatic;
}

// The browser engine draws its pages in a widget that is never shown, so it needs the widgets'
// application; the fast engine needs Qt's core alone, which starts and ends in a fraction of
// the time (no platform plugin to load and unload), a good part of a short run's cost.
std::unique_ptr<QCoreApplication> application(const ParsedCommandLine &command, int &argc,
                                              char *argv[])
{
    if (command.action == ParsedCommandLine::Action::Convert
        && command.options.engine == EngineChoice::Fast)
        return std::make_unique<QCoreApplication>(argc, argv);
    return std::make_unique<QApplication>(argc, argv);
}

// Said once a page goes to the browser engine, where it matters: the fast engine runs pages'
// scripts only in workers whose own filter holds without privileges. On a terminal the progress
// line may stand where the note goes, and is drawn anew after it.
void noteSandboxOff()
{
    if (isatty(fileno(ownStandardError)) == 1)
        std::fputs("\r\033[K", ownStandardError);
    std::fprintf(ownStandardError,
                 "quillmere-convert: the browser engine's sandbox is off (%s), so the pages'"
                 " scripts run unconfined.\n",
                 geteuid() == 0 ? "it cannot start as root" : "QTWEBENGINE_DISABLE_SANDBOX is set");
}

} // namespace

int main(int argc, char *argv[])
{
    // No display is needed, and none is looked for unless asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ownStandardError = setOwnStandardErrorApart();
    qInstallMessageHandler(keepOnlySeriousMessages);
    prepareRenderEngine();

    // Paths are bytes: a name that is not valid UTF-8 must still name its file.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodeFileName(QByteArray(argv[i]));
    const ParsedCommandLine command = parseCommandLine(arguments, isatty(STDIN_FILENO) == 1);

    // The engine reads the application's arguments as its own switches; it gets none of ours.
    int applicationArgc = 1;
    const std::unique_ptr<QCoreApplication> app = application(command, applicationArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmere-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    removeTemporaryFilesOnTerminationSignals();

    switch (command.action) {
    case ParsedCommandLine::Action::ShowHelp:
        std::fputs(qPrintable(helpText()), stdout);
        return NoneFailed;
    case ParsedCommandLine::Action::ShowVersion:
        std::fputs(qPrintable(versionText(QStringLiteral("quillmere-convert"),
                                          QStringLiteral(QUILLMERE_VERSION))),
                   stdout);
        return NoneFailed;
    case ParsedCommandLine::Action::UsageError:
        std::fprintf(ownStandardError, "quillmere-convert: %s\nTry 'quillmere-convert --help'.\n",
                     escapeControlCharacters(command.error).toUtf8().constData());
        return UsageError;
    case ParsedCommandLine::Action::Convert:
        break;
    }

    setUndeclaredPageEncoding(command.options.inputEncoding);
    SystemClock clock;
    QtMessagePump pump;
    QtTextFileWriter writer;
    // The browser engine starts its processes only when its first loader is made.
    BrowserEngine browser;
    if (!renderEngineIsSandboxed() && !command.options.quiet)
        browser.setFirstUseHandler(noteSandboxOff);
    FastEngine fast;
    AutoEngine automatic(browser);
    PageEngine &engine = chosenEngine(command.options.engine, browser, fast, automatic);
    return convertFiles(command.options, engine, writer, pump, clock,
                        {stdout, ownStandardError, isatty(fileno(ownStandardError)) == 1});
}
