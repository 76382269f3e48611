#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class QWidget;

// True when the path's last-modification time can be read; never fails.
bool fileExists(const QString &path);

// Where a window of the given outer size stands when centred on a screen of the given size.
// A window larger than the screen gets a negative position, which is kept.
QPoint centredPosition(QSize outerSize, QSize screenSize);

// Centres the window's outer frame (title bar and borders included) on the primary screen.
void centerForm(QWidget &window);
