// Writes what the browser engine exposes to a page's scripts: every interface object on window,
// the own properties of each and of its prototype, window's other properties and those of a few
// instances, one a line (the format is described in the page it loads). The page is loaded as the
// converter loads pages, with the same engine settings, so the figures are those scripts meet.
//
//     dump_browser_globals <globals.html> > browser-globals.tsv

#include "bench/PageText.h"
#include "engine/browser/BrowserPageLoader.h"
#include "engine/browser/RenderEngineSetup.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareRenderEngine();
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: dump_browser_globals <globals.html>\n");
        return 2;
    }
    BrowserPageLoader engine;
    const QString page = QFileInfo(app.arguments().at(1)).absoluteFilePath();
    const std::optional<QString> text = waitForPageText(engine, page, 60'000);
    if (!text || text->isEmpty()) {
        std::fprintf(stderr, "dump_browser_globals: %s gave no text\n", qPrintable(page));
        return 1;
    }
    std::fputs(text->toUtf8().constData(), stdout);
    return 0;
}
