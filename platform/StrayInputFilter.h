#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>

class QKeyEvent;
class QWidget;

// Keeps input meant for what was on screen before a window opened from acting in that window.
//
// A window that opens under the pointer or takes the keyboard can catch input the user aimed at
// the window below: the second click of a double-click on the button that opened it, or the
// Return that confirmed a dialog, held a moment too long and repeating. Either would dismiss
// the message at the end of a run before the user has seen it. So clicks in the first moment
// after the window opens (a double-click's length) are dropped, and so are the repeats of a key
// held down since before; a new press works as ever, and so do keys typed ahead.
class StrayInputFilter : public QObject
{
    Q_OBJECT

public:
    // Watches the application's input for as long as this filter lives; make it just before
    // the window opens.
    explicit StrayInputFilter(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isStray(const QEvent &event);
    bool isHeldFromBefore(const QKeyEvent &key);

    QWidget &m_window;
    QElapsedTimer m_sinceOpened;
    QSet<int> m_pressedHere;
    QHash<int, quint64> m_heldKeyReleasedAt;
};
