#pragma once
// A count of the steps taken by the scanners that must stay linear on
// hostile input (session-ID removal, CriticMarkup and the other Markdown
// scans, case changes over styled text, the RTF reader). Each adds what it
// examines; tests read the count around one call to bound the work by the
// input's size, which a timer cannot do reliably. Counting is one add to a
// thread-local integer.
//   resetScanWork(); scan(text); scanWork() => steps taken by scan

#include <QtGlobal>

namespace sorvant {

namespace detail {
inline thread_local qint64 scanSteps = 0;
} // namespace detail

// Adds `steps` to this thread's count.
inline void countScanWork(qint64 steps)
{
    detail::scanSteps += steps;
}

// This thread's count since the last reset.
[[nodiscard]] inline qint64 scanWork()
{
    return detail::scanSteps;
}

inline void resetScanWork()
{
    detail::scanSteps = 0;
}

} // namespace sorvant
