#pragma once

#include <QToolButton>

// A two-state button drawn as a push button, its picture above a caption that wraps onto
// more lines when it is wider than the button. It stays pressed in while it is checked.
//
// The window uses it as a momentary button by one rule: every click handler first calls
// takeLatch(), which acts only on a checked button and unchecks it at once. Unchecking raises
// toggled() again, nested inside the first handler; that call finds the button unchecked and
// does nothing, so one press does its work exactly once.
class LatchingButton : public QToolButton
{
    Q_OBJECT

public:
    LatchingButton(const QString &caption, const QIcon &picture, QWidget *parent = nullptr);

    // True when the button was down; it is up again afterwards.
    bool takeLatch();

protected:
    void paintEvent(QPaintEvent *event) override;
};
