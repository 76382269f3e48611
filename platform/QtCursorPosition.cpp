#include "platform/QtCursorPosition.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

QPoint QtCursorPosition::screenPos() const
{
    // QCursor::pos() is in virtual-desktop coordinates; the rows the list compares with are
    // counted from the top of the pointer's own screen.
    const QPoint global = QCursor::pos();
    const QScreen *screen = QGuiApplication::screenAt(global);
    return screen ? global - screen->geometry().topLeft() : global;
}
