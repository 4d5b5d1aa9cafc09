#pragma once
// A check that a scanner's work grows linearly with its input, on a hostile
// input of 20 KB and of 320 KB, 16 times more. Linear work grows sixteenfold,
// quadratic work 256-fold; the bound is 50-fold, which a loaded machine's
// noise does not reach and a quadratic step cannot stay under.
//
// Two measures, each bounded: the CPU time of the calling thread, which the
// code under test cannot shape by what it counts (a scanner that stopped
// raising its counter would pass the second alone), and the scan work it
// counts (platform/scan_work.h), which also bounds the work per unit.

#include "platform/scan_work.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>

namespace sorvant::test {

// CPU time the calling thread has used: not the time others took while it
// waited for a processor, so a busy machine adds little.
inline std::chrono::nanoseconds threadCpuTime()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The least CPU time of `runs` calls of `run(input)`; the least is the one a
// cache miss, an interrupt or a neighbour's memory traffic slowed least.
template <typename Input, typename Run>
std::chrono::nanoseconds leastCpuTime(const Input& input, Run& run, int runs)
{
    auto least = std::chrono::nanoseconds::max();
    for (int i = 0; i < runs; ++i) {
        const auto started = threadCpuTime();
        run(input);
        least = std::min(least, threadCpuTime() - started);
    }
    return std::max(least, std::chrono::nanoseconds(1));
}

// `make(size)` builds an input of about `size` units; `run(input)` scans it.
template <typename Make, typename Run>
void expectLinearScanWork(Make make, Run run)
{
    constexpr qsizetype kSmall = 20 * 1024;
    constexpr qsizetype kLarge = 16 * kSmall;
    constexpr double kBound = 50;
    const auto small = make(kSmall);
    const auto large = make(kLarge);

    resetScanWork();
    run(small);
    const qint64 smallWork = scanWork();
    resetScanWork();
    run(large);
    const qint64 largeWork = scanWork();
    EXPECT_GT(smallWork, 0) << "the scan counts no work";
    EXPECT_LE(largeWork, 20 * smallWork) << "work on 20 KB: " << smallWork << ", on 320 KB: " << largeWork;
    EXPECT_LE(largeWork, 64 * kLarge) << "work on 320 KB: " << largeWork;

    // A ratio over the bound is measured again before it counts: noise does
    // not come back three times, a quadratic step does.
    double ratio = std::numeric_limits<double>::infinity();
    for (int attempt = 0; attempt < 3 && ratio > kBound; ++attempt) {
        const auto smallTime = leastCpuTime(small, run, 7);
        const auto largeTime = leastCpuTime(large, run, 2);
        ratio = double(largeTime.count()) / double(smallTime.count());
    }
    EXPECT_LE(ratio, kBound) << "CPU time on 320 KB is " << ratio << " times that on 20 KB";
}

} // namespace sorvant::test
