#include "app/ProgressBar.h"

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void ProgressBar::setPercent(float percent)
{
    m_percent = percent;
    setValue(int(percent));
}
