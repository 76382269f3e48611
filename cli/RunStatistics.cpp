#include "cli/RunStatistics.h"

#include <QFileInfo>

#include <sys/resource.h>

namespace {

constexpr int usageSampleMs = 200;

} // namespace

RunStatistics::RunStatistics(const QStringList &files) : m_files(files.size())
{
    qint64 bytes = 0;
    for (const QString &file : files)
        bytes += QFileInfo(file).size();
    m_inputMegabytes = double(bytes) / 1e6;
    QObject::connect(&m_sampler, &QTimer::timeout, [this] { m_tree.sample(); });
}

void RunStatistics::start()
{
    m_tree.sample();
    m_ownCpuAtStart = usageCpuSeconds(RUSAGE_SELF);
    m_helperCpuAtStart = m_tree.descendantCpuSeconds();
    m_sampler.start(usageSampleMs);
    m_elapsed.start();
}

void RunStatistics::stop()
{
    m_seconds = double(m_elapsed.nsecsElapsed()) / 1e9;
    m_sampler.stop();
    m_ownCpuSeconds = usageCpuSeconds(RUSAGE_SELF) - m_ownCpuAtStart;
    m_tree.sample();
    m_helperCpuSeconds = m_tree.descendantCpuSeconds() - m_helperCpuAtStart;
}

void RunStatistics::print(std::FILE *stream, int failed) const
{
    const double cpuSeconds = m_ownCpuSeconds + m_helperCpuSeconds;
    std::fprintf(stream, "files        %lld (%d could not be converted)\n",
                 static_cast<long long>(m_files), failed);
    std::fprintf(stream, "input        %.2f MB\n", m_inputMegabytes);
    std::fprintf(stream, "time         %.2f s (the engine's start-up included)\n", m_seconds);
    std::fprintf(stream, "files/s      %.1f\n", double(m_files) / m_seconds);
    std::fprintf(stream, "input MB/s   %.3f\n", m_inputMegabytes / m_seconds);
    std::fprintf(stream,
                 "CPU seconds  %.2f this process + %.2f in %d helper processes = %.2f"
                 " (%.1f ms a file)\n",
                 m_ownCpuSeconds, m_helperCpuSeconds, m_tree.descendantsSeen(), cpuSeconds,
                 m_files > 0 ? cpuSeconds * 1000 / double(m_files) : 0.0);
    std::fprintf(stream,
                 "peak RSS     %.0f MB this process; %.0f MB with the engine's helper"
                 " processes (sampled every %d ms)\n",
                 ownPeakResidentMegabytes(), double(m_tree.peakTreeResidentBytes()) / 1048576.0,
                 usageSampleMs);
    std::fprintf(stream,
                 "peak PSS     %.0f MB with the engine's helper processes, shared pages"
                 " counted once\n",
                 double(m_tree.peakTreeProportionalBytes()) / 1048576.0);
}
