#include "cli/ProcessTreeUsage.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

struct ProcessStat
{
    qint64 pid = 0;
    qint64 parent = 0;
    qint64 cpuTicks = 0;
    QString startTime;
    qint64 residentPages = 0;
};

// Fields of /proc/<pid>/stat after the command name, which is in parentheses and may itself
// hold spaces: state is the 3rd field, ppid the 4th, utime and stime the 14th and 15th,
// starttime the 22nd and rss the 24th.
bool readStat(const QString &pid, ProcessStat &stat)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false; // it ended meanwhile
    const QByteArray line = file.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return false;
    const QList<QByteArray> fields = line.mid(nameEnd + 2).split(' ');
    if (fields.size() < 22)
        return false;
    stat.pid = pid.toLongLong();
    stat.parent = fields[1].toLongLong();
    stat.cpuTicks = fields[11].toLongLong() + fields[12].toLongLong();
    stat.startTime = QString::fromLatin1(fields[19]);
    stat.residentPages = fields[21].toLongLong();
    return true;
}

QList<ProcessStat> allProcesses()
{
    QList<ProcessStat> processes;
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        ProcessStat stat;
        if (pid.front().isDigit() && readStat(pid, stat))
            processes.append(stat);
    }
    return processes;
}

// The process's proportional share of the memory it uses (a page shared by n processes counts
// 1/n), in bytes; 0 when it ended meanwhile.
qint64 proportionalBytes(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

bool isBelow(qint64 pid, qint64 ancestor, const QHash<qint64, qint64> &parents)
{
    for (qint64 p = parents.value(pid); p > 1; p = parents.value(p)) {
        if (p == ancestor)
            return true;
    }
    return false;
}

} // namespace

void ProcessTreeUsage::sample()
{
    const QList<ProcessStat> processes = allProcesses();
    QHash<qint64, qint64> parents;
    for (const ProcessStat &stat : processes)
        parents.insert(stat.pid, stat.parent);

    const qint64 self = getpid();
    qint64 residentPages = 0;
    qint64 proportional = 0;
    for (const ProcessStat &stat : processes) {
        const bool below = isBelow(stat.pid, self, parents);
        if (stat.pid != self && !below)
            continue;
        residentPages += stat.residentPages;
        proportional += proportionalBytes(stat.pid);
        if (below) {
            const QString process = QString::number(stat.pid) + '@' + stat.startTime;
            m_descendantCpuTicks.insert(process, stat.cpuTicks);
        }
    }
    m_peakTreeResident = std::max(m_peakTreeResident, residentPages * sysconf(_SC_PAGESIZE));
    m_peakTreeProportional = std::max(m_peakTreeProportional, proportional);
}

double ProcessTreeUsage::descendantCpuSeconds() const
{
    qint64 ticks = 0;
    for (qint64 processTicks : m_descendantCpuTicks)
        ticks += processTicks;
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

double usageCpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ownPeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}
