#include "app/FileUtilities.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

bool FileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).lastModified().isValid();
}

QPoint centredPosition(QSize outerSize, QSize screenSize)
{
    return {(screenSize.width() - outerSize.width()) / 2,
            (screenSize.height() - outerSize.height()) / 2};
}

void CenterForm(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before the window is first shown the frame is not known yet; the client area plus the
    // frame margins the window will get is the best estimate, and move() places the frame.
    const QRect frame = window.frameGeometry();
    const QPoint topLeft = centredPosition(frame.size(), screen->geometry().size());
    window.move(screen->geometry().topLeft() + topLeft);
}
