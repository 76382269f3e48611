#pragma once

#include <QProgressBar>

// A progress bar from 0 to 100 that keeps the exact fraction it was given, for readers that
// need more than the whole percent it draws.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit ProgressBar(QWidget *parent = nullptr);

    void setPercent(float percent);
    float percent() const { return m_percent; }

private:
    float m_percent = 0.0f;
};
