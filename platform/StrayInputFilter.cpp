#include "platform/StrayInputFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

StrayInputFilter::StrayInputFilter(QWidget &window) : m_window(window)
{
    m_sinceOpened.start();
    // The window's native handle comes with its first showing, so the filter watches the
    // application and picks that window's input out as it comes.
    qApp->installEventFilter(this);
}

bool StrayInputFilter::eventFilter(QObject *watched, QEvent *event)
{
    // Input reaches the window before any of its controls, and before a press moves the focus
    // to the control under the pointer: only there can it be dropped whole.
    if (!watched || watched != m_window.windowHandle())
        return false;
    return isStray(*event);
}

bool StrayInputFilter::isStray(const QEvent &event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return !m_sinceOpened.hasExpired(QApplication::doubleClickInterval());
    // Keys typed ahead, while the window was still opening, are meant for it.
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return isHeldFromBefore(static_cast<const QKeyEvent &>(event));
    default:
        return false;
    }
}

bool StrayInputFilter::isHeldFromBefore(const QKeyEvent &key)
{
    if (key.isAutoRepeat())
        return true;
    // Qt cannot always tell a repeat on X11: there it comes as a release and a press of one
    // timestamp, and is marked only when the press has already arrived as the release is read.
    // A release of a key never pressed here is such a repeat's first half, or the end of the
    // hold; a press with the very timestamp of that release is the second half.
    if (key.type() == QEvent::KeyRelease) {
        if (m_pressedHere.remove(key.key()))
            return false;
        m_heldKeyReleasedAt.insert(key.key(), key.timestamp());
        return true;
    }
    const auto released = m_heldKeyReleasedAt.constFind(key.key());
    if (released != m_heldKeyReleasedAt.cend() && *released == key.timestamp())
        return true;
    m_pressedHere.insert(key.key());
    return false;
}
