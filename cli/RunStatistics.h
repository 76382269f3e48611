#pragma once

#include "cli/ProcessTreeUsage.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <cstdio>

// What --stats prints: how fast a run went and what it cost, the engine's helper processes
// included. Memory is sampled every 200 ms while events are processed, so a short-lived peak
// can be missed.
class RunStatistics
{
public:
    explicit RunStatistics(const QStringList &files);

    void start();
    void stop();
    void print(std::FILE *stream, int failed) const;

private:
    qsizetype m_files;
    double m_inputMegabytes = 0;
    ProcessTreeUsage m_tree;
    QTimer m_sampler;
    QElapsedTimer m_elapsed;
    double m_seconds = 0;
    double m_ownCpuAtStart = 0;
    double m_helperCpuAtStart = 0;
    double m_ownCpuSeconds = 0;
    double m_helperCpuSeconds = 0;
};
