#pragma once
// Helpers of the word-index tests.

#include "search/fast_word_enumerator.h"

#include <gtest/gtest.h>

namespace sorvant::test {

// A word index over `text`; a failure is recorded when none can be made.
inline std::unique_ptr<FastWordEnumerator> indexOf(const QString& text, bool caseInsensitive = false)
{
    auto e = FastWordEnumerator::enumeratorWithString(text, caseInsensitive, false);
    EXPECT_TRUE(e);
    return e;
}

} // namespace sorvant::test
