#pragma once
// A check that a scanner's work grows linearly with its input: the scan work
// it counts (platform/scan_work.h) on a hostile input of 30 KB and of
// 300 KB. Linear work grows tenfold; quadratic work a hundredfold.

#include "platform/scan_work.h"

#include <gtest/gtest.h>

namespace sorvant::test {

// `make(size)` builds an input of about `size` units; `run(input)` scans it.
template <typename Make, typename Run>
void expectLinearScanWork(Make make, Run run)
{
    constexpr qsizetype kSmall = 30 * 1024;
    constexpr qsizetype kLarge = 300 * 1024;
    qint64 work[2] = {0, 0};
    int slot = 0;
    for (const qsizetype size : {kSmall, kLarge}) {
        const auto input = make(size);
        resetScanWork();
        run(input);
        work[slot++] = scanWork();
    }
    EXPECT_GT(work[0], 0) << "the scan counts no work";
    EXPECT_LE(work[1], 12 * work[0]) << "work on 30 KB: " << work[0] << ", on 300 KB: " << work[1];
    EXPECT_LE(work[1], 64 * kLarge) << "work on 300 KB: " << work[1];
}

} // namespace sorvant::test
