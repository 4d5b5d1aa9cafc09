#pragma once
// The process's peak resident memory as the kernel counts it (VmHWM), which
// the code under test cannot raise or lower by its own counting: what a
// step holds at its most is the peak's growth over the memory resident
// when it starts.

#include <QByteArray>
#include <QFile>

namespace sorvant::test {

// The peak resident memory since the last reset, in bytes; -1 where the
// system does not say.
inline qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

// Starts a new peak at the memory resident now; NO where the system has no
// way to, and under ThreadSanitizer, whose shadow of every byte the code
// reads (the input too) is resident memory the code does not hold.
inline bool resetPeakResident()
{
#if defined(__SANITIZE_THREAD__)
    return false;
#else
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1 && peakResidentBytes() >= 0;
#endif
}

// How far the peak grows while `step` runs; -1 where it cannot be read.
template <typename Step>
qint64 peakGrowthOf(Step step)
{
    if (!resetPeakResident())
        return -1;
    const qint64 before = peakResidentBytes();
    step();
    return peakResidentBytes() - before;
}

} // namespace sorvant::test
