#include "app/MainWindow.h"
#include "app/PointerFilesFolder.h"
#include "app/ProgramIcon.h"
#include "app/QuietTerminal.h"
#include "app/WindowArguments.h"
#include "engine/auto/AutoEngine.h"
#include "engine/browser/BrowserEngine.h"
#include "engine/browser/ProgramVersion.h"
#include "engine/browser/RenderEngineSetup.h"
#include "platform/EscapedText.h"
#include "platform/FileNames.h"
#include "platform/QtCursorPosition.h"
#include "platform/QtDesktop.h"
#include "platform/QtFileDialog.h"
#include "platform/QtFolderBrowser.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtMessagePump.h"
#include "platform/QtTextFileWriter.h"
#include "platform/SeededRandom.h"
#include "platform/SystemClock.h"
#include "platform/TemporaryFiles.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

namespace {

// The arguments as bytes: a name that is not valid UTF-8 must still name its file.
QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << decodeFileName(QByteArray(argv[i]));
    return arguments;
}

QIcon programIcon()
{
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(drawProgramIcon(side)));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    // Help and the version need no display, nor does saying there is none.
    const QString version = QStringLiteral(QUILLMERE_VERSION);
    switch (parseWindowArguments(argumentsOf(argc, argv), QString()).action) {
    case WindowArguments::Action::ShowHelp:
        std::fputs(qPrintable(windowHelpText()), stdout);
        return 0;
    case WindowArguments::Action::ShowVersion:
        std::fputs(qPrintable(versionText(QStringLiteral("quillmere"), version)), stdout);
        return 0;
    case WindowArguments::Action::Open:
    case WindowArguments::Action::UsageError:
        break;
    }
    if (!displayNamed(argumentsOf(argc, argv))) {
        std::fputs("quillmere: no display to open the window on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set); quillmere-convert converts without one.\n",
                   stderr);
        return 1;
    }

    keepStartUpNotesOffTheTerminal();
    prepareRenderEngine();
    QApplication app(argc, argv);
    // Qt has taken its own options out of argv by now.
    const WindowArguments arguments = parseWindowArguments(argumentsOf(argc, argv),
                                                           QDir::currentPath());
    if (arguments.action == WindowArguments::Action::UsageError) {
        std::fprintf(stderr, "quillmere: %s\nTry 'quillmere --help'.\n",
                     qPrintable(escapeControlCharacters(arguments.error)));
        return 2;
    }
    QApplication::setWindowIcon(programIcon());
    // Lets the desktop match the window to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillmere"));
    removeTemporaryFilesOnTerminationSignals();

    SystemClock clock;
    SeededRandom random(unsigned(clock.secondsSinceMidnight()));
    // Pages without scripts get the fast engine's text, the browser's byte for byte.
    BrowserEngine browser;
    AutoEngine engine(browser);
    QtMessagePump pump;
    QtMessageBoxes messages;
    QtDesktop desktop;
    QtFileDialog fileDialog;
    QtFolderBrowser folderBrowser;
    QtCursorPosition cursor;
    QtTextFileWriter fileWriter;
    const Platform platform{engine,  pump,       clock,         random, messages,
                            desktop, fileDialog, folderBrowser, cursor, fileWriter};

    MainWindow window(platform,
                      pointerFilesFolder(QCoreApplication::applicationDirPath(),
                                         QStringLiteral(QUILLMERE_DATA_FROM_PROGRAM)));
    window.show();
    window.fileList().append(arguments.paths);
    return app.exec();
}
