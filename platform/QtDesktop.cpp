#include "platform/QtDesktop.h"

#include "platform/TemporaryFiles.h"

#include <QDesktopServices>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

void QtDesktop::openUrl(const QString &url)
{
    // Hands the address to the desktop's URL opener, which starts detached.
    QDesktopServices::openUrl(QUrl(url));
}

void QtDesktop::endProcess()
{
    // Closing may happen inside a nested event loop (a run waiting for a page). Leaving through
    // the normal shutdown would return into that loop and let the run go on, so the process ends
    // here without running destructors or any further handler. Texts are written whole under a
    // temporary name and renamed into place; the one under way is dropped, so nothing is left
    // half written.
    removeTemporaryFiles();
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
