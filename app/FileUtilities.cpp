#include "app/FileUtilities.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

bool fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).lastModified().isValid();
}

QPoint centredPosition(QSize outerSize, QSize screenSize)
{
    return {(screenSize.width() - outerSize.width()) / 2,
            (screenSize.height() - outerSize.height()) / 2};
}

void centerForm(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // move() places the outer frame, so the frame's size is what is centred. Before the window
    // is first shown it has no frame yet, and its client area stands in for it.
    const QRect frame = window.frameGeometry();
    const QPoint topLeft = centredPosition(frame.size(), screen->geometry().size());
    window.move(screen->geometry().topLeft() + topLeft);
}
