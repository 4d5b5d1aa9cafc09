#pragma once
// A check that a scanner's work grows linearly with its input, on a hostile
// input of 20 KB and of 16 times more (or sizes given). Linear work grows
// sixteenfold, quadratic work 256-fold; the bound is 50-fold, which a
// loaded machine's noise does not reach and a quadratic step cannot stay
// under.
//
// Two measures, each bounded: the CPU time of the calling thread, which the
// code under test cannot shape by what it counts (a scanner that stopped
// raising its counter would pass the second alone), and the scan work it
// counts (platform/scan_work.h), which also bounds the work per unit.
//
// While the CPU time is taken, freed memory stays with the allocator: the
// allocator otherwise keeps blocks up to 32 MB for the next run and hands
// larger ones back, so a large input's runs alone paid the kernel for fresh
// pages (73,700 page faults a run of 64 MB, 4,097 for 16 MB), which on a
// machine short of memory pushed a linear reader's ratio from 4 to 14.

#include "platform/scan_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sorvant::test {

// CPU time the calling thread has used: not the time others took while it
// waited for a processor, so a busy machine adds little.
inline std::chrono::nanoseconds threadCpuTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// While it lives, memory the process frees stays with the allocator for its
// next allocation, of any size, instead of going back to the kernel; at its
// end the allocator's defaults come back and what it kept is returned. Only
// glibc's allocator is told (a sanitizer's maps every large block afresh,
// whatever its size, which costs both sizes alike).
class KeptAllocations
{
public:
    KeptAllocations()
    {
#if defined(__GLIBC__)
        ::mallopt(M_MMAP_MAX, 0);
        ::mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
    }
    ~KeptAllocations()
    {
#if defined(__GLIBC__)
        ::mallopt(M_MMAP_MAX, 65536);
        ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        ::malloc_trim(0);
#endif
    }
    KeptAllocations(const KeptAllocations&) = delete;
    KeptAllocations& operator=(const KeptAllocations&) = delete;
};

// The CPU time of one call of `run(input)`.
template <typename Input, typename Run>
std::chrono::nanoseconds cpuTime(const Input& input, Run& run)
{
    const auto started = threadCpuTime();
    run(input);
    return std::max(threadCpuTime() - started, std::chrono::nanoseconds(1));
}

// The least CPU time of `runs` calls of `run(input)`; the least is the one a
// cache miss, an interrupt or a neighbour's memory traffic slowed least.
template <typename Input, typename Run>
std::chrono::nanoseconds leastCpuTime(const Input& input, Run& run, int runs)
{
    auto least = std::chrono::nanoseconds::max();
    for (int i = 0; i < runs; ++i)
        least = std::min(least, cpuTime(input, run));
    return least;
}

// The ratio of the least CPU time of `run` on `large` to the least on
// `small`; the least is the run a cache miss, an interrupt or a
// neighbour's memory traffic slowed least. Nine runs of the small input and
// three of the large one take turns, so a spell of load falls on both, and
// noise, which only ever adds time, must slow every run of one size to move
// the ratio: a ratio measured once and not taken again, whichever way it
// came out, is the one that counts. A first, untimed run of the large input
// gives the allocator the memory all later runs reuse.
template <typename Input, typename Run>
double leastCpuTimeRatio(const Input& small, const Input& large, Run& run)
{
    const KeptAllocations kept;
    run(large);
    auto smallTime = std::chrono::nanoseconds::max();
    auto largeTime = std::chrono::nanoseconds::max();
    for (int i = 0; i < 9; ++i) {
        smallTime = std::min(smallTime, cpuTime(small, run));
        if (i % 3 == 2)
            largeTime = std::min(largeTime, cpuTime(large, run));
    }
    return double(largeTime.count()) / double(smallTime.count());
}

// The sizes a check of linear work compares: `small` units and `factor`
// times that. The CPU time may grow to 50/16 of the factor (50-fold for 16):
// the margin a busy machine's noise and the larger size's cache misses do
// not reach, and a quadratic step, growing by the factor squared, cannot
// stay under.
struct LinearWorkSizes
{
    qsizetype small = 20 * 1024;
    int factor = 16;
};

// `make(size)` builds an input of about `size` units; `run(input)` scans it.
// The default sizes are 20 KB and 320 KB; a scanner whose steps are large
// needs larger ones to show a step's cost.
template <typename Make, typename Run>
void expectLinearScanWork(Make make, Run run, LinearWorkSizes sizes = {})
{
    const qsizetype kSmall = sizes.small;
    const qsizetype kLarge = sizes.factor * kSmall;
    const double kBound = 50.0 / 16.0 * sizes.factor;
    const auto smallInput = make(kSmall);
    const auto largeInput = make(kLarge);

    resetScanWork();
    run(smallInput);
    const qint64 smallWork = scanWork();
    resetScanWork();
    run(largeInput);
    const qint64 largeWork = scanWork();
    EXPECT_GT(smallWork, 0) << "the scan counts no work";
    EXPECT_LE(largeWork, (sizes.factor + sizes.factor / 4) * smallWork)
        << "work on " << kSmall << " units: " << smallWork << ", on " << kLarge << ": " << largeWork;
    EXPECT_LE(largeWork, 64 * kLarge) << "work on " << kLarge << " units: " << largeWork;

    const double ratio = leastCpuTimeRatio(smallInput, largeInput, run);
    EXPECT_LE(ratio, kBound) << "CPU time on " << kLarge << " units is " << ratio << " times that on " << kSmall;
}

} // namespace sorvant::test
