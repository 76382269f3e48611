#include "platform/StrayInputFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

StrayInputFilter::StrayInputFilter(QWidget &window)
    : m_window(window)
{
    m_sinceOpened.start();
    // On the application rather than on the window: keys go to the window's focus widget, and
    // clicks to the control under the pointer.
    qApp->installEventFilter(this);
}

bool StrayInputFilter::eventFilter(QObject *watched, QEvent *event)
{
    const auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != &m_window)
        return false;
    return isStray(*event);
}

bool StrayInputFilter::isStray(const QEvent &event)
{
    const bool justOpened = !m_sinceOpened.hasExpired(QApplication::doubleClickInterval());
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return justOpened;
    case QEvent::KeyPress:
        return justOpened || isHeldFromBefore(static_cast<const QKeyEvent &>(event));
    case QEvent::KeyRelease:
        // The release of a key whose press was dropped is dropped too (it was never pressed
        // here), so that Space, which acts on release, cannot act either.
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
