#include "app/MainWindow.h"
#include "engine/AutoEngine.h"
#include "engine/BrowserEngine.h"
#include "engine/RenderEngineSetup.h"
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

int main(int argc, char *argv[])
{
    prepareRenderEngine();
    QApplication app(argc, argv);
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

    MainWindow window(platform, QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
