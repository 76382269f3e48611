#include "platform/HeldKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

HeldKeyFilter::HeldKeyFilter(QWidget &window)
    : m_window(window)
{
    // On the application rather than on the window: keys go to the window's focus widget.
    qApp->installEventFilter(this);
}

bool HeldKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != &m_window)
        return false;
    return isHeldFromBefore(*static_cast<QKeyEvent *>(event));
}

bool HeldKeyFilter::isHeldFromBefore(const QKeyEvent &key)
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
