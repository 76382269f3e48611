#pragma once

#include <QHash>
#include <QtGlobal>

// CPU time and memory of this process together with every process below it (the
// engine renders in helper processes that getrusage() cannot see until they have ended and
// been waited for). Read from /proc at each sample, so a helper that ends between two samples
// loses at most the CPU time it used since the last one.
class ProcessTreeUsage
{
public:
    void sample();

    // User plus system time of the processes below this one, as last sampled.
    double descendantCpuSeconds() const;
    // The largest total resident memory of this process and those below it in one sample.
    qint64 peakTreeResidentBytes() const { return m_peakTreeResident; }
    // The same counting each page shared between processes once (proportional set size):
    // the engine's processes share much of their code.
    qint64 peakTreeProportionalBytes() const { return m_peakTreeProportional; }
    int descendantsSeen() const { return int(m_descendantCpuTicks.size()); }

private:
    // Keyed by process id and start time, so that a reused id counts as a new process.
    QHash<QString, qint64> m_descendantCpuTicks;
    qint64 m_peakTreeResident = 0;
    qint64 m_peakTreeProportional = 0;
};

// User plus system time that getrusage() reports for who: RUSAGE_SELF, or RUSAGE_CHILDREN for
// the processes below this one that have ended and been waited for.
double usageCpuSeconds(int who);
// The largest resident memory this process has had.
double ownPeakResidentMegabytes();
