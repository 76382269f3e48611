#pragma once

#include <cstdio>

class Clock;

// The live line a terminal shows during a run: files done of all, files/s and the time left.
// Each update rewrites the line in place; clear() takes it away before other output.
class ProgressLine
{
public:
    ProgressLine(std::FILE *terminal, const Clock &clock, int total);

    void update(int done);
    void clear();

private:
    std::FILE *m_terminal;
    const Clock &m_clock;
    int m_total;
    double m_start;
    double m_lastShown = -1;
    bool m_shown = false;
};
