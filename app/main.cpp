#include "app/MainWindow.h"
#include "app/PointerFilesFolder.h"
#include "app/ProgramIcon.h"
#include "app/QuietTerminal.h"
#include "engine/auto/AutoEngine.h"
#include "engine/browser/BrowserEngine.h"
#include "engine/browser/RenderEngineSetup.h"
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
#include <QIcon>
#include <QPixmap>

namespace {

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
    keepStartUpNotesOffTheTerminal();
    prepareRenderEngine();
    QApplication app(argc, argv);
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
    const Platform platform{engine, pump, clock, random, messages, desktop, fileDialog,
                            folderBrowser, cursor, fileWriter};

    MainWindow window(platform, pointerFilesFolder(QCoreApplication::applicationDirPath(),
                                                   QStringLiteral(QUILLMERE_DATA_FROM_PROGRAM)));
    window.show();
    return app.exec();
}
