#include "app/LatchingButton.h"

#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

LatchingButton::LatchingButton(const QString &caption, const QIcon &picture, QWidget *parent)
    : QToolButton(parent)
{
    setCheckable(true);
    setText(caption);
    setIcon(picture);
    setIconSize(QSize(32, 32));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setAutoRaise(false);
}

bool LatchingButton::takeLatch()
{
    if (!isChecked())
        return false;
    setChecked(false);
    return true;
}

void LatchingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);

    // The bevel alone, then picture and caption ourselves: the style would not wrap the caption.
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);

    const int shift = isDown() || isChecked() ? 1 : 0;
    const QRect inner = rect().adjusted(4 + shift, 4 + shift, -4 + shift, -4 + shift);
    const QRect pictureRect(inner.center().x() - iconSize().width() / 2, inner.top(),
                            iconSize().width(), iconSize().height());
    icon().paint(&painter, pictureRect, Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);

    const QRect captionRect = inner.adjusted(0, iconSize().height() + 1, 0, 0);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());
}
