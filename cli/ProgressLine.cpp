#include "cli/ProgressLine.h"

#include "platform/Clock.h"

#include <cmath>

namespace {

// Often enough to look alive, seldom enough not to cost anything.
constexpr double minSecondsBetweenUpdates = 0.1;

} // namespace

ProgressLine::ProgressLine(std::FILE *terminal, const Clock &clock, int total)
    : m_terminal(terminal)
    , m_clock(clock)
    , m_total(total)
    , m_start(clock.monotonicSeconds())
{
}

void ProgressLine::update(int done)
{
    const double now = m_clock.monotonicSeconds();
    if (done < m_total && now - m_lastShown < minSecondsBetweenUpdates)
        return;
    m_lastShown = now;
    const double elapsed = now - m_start;
    const double filesPerSecond = elapsed > 0 ? done / elapsed : 0;
    std::fprintf(m_terminal, "\r\033[K%d/%d files, %.1f files/s", done, m_total, filesPerSecond);
    if (filesPerSecond > 0) {
        const long secondsLeft = std::lround((m_total - done) / filesPerSecond);
        std::fprintf(m_terminal, ", %ld:%02ld left", secondsLeft / 60, secondsLeft % 60);
    }
    std::fflush(m_terminal);
    m_shown = true;
}

void ProgressLine::clear()
{
    if (!m_shown)
        return;
    std::fputs("\r\033[K", m_terminal);
    std::fflush(m_terminal);
    m_shown = false;
}
