#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

class QKeyEvent;
class QWidget;

// Keeps a key that was already held down when a window opened from acting in that window.
//
// A held key goes on sending presses (auto-repeat) to whatever window has the focus. The Return
// that confirmed a dialog, held a moment too long, would otherwise also dismiss the next message
// box the moment it appears, before the user has seen it. Only the repeats are dropped: a new
// press of the same key works as ever.
class HeldKeyFilter : public QObject
{
    Q_OBJECT

public:
    // Watches the application's input for as long as this filter lives.
    explicit HeldKeyFilter(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isHeldFromBefore(const QKeyEvent &key);

    QWidget &m_window;
    QSet<int> m_pressedHere;
    QHash<int, quint64> m_heldKeyReleasedAt;
};
