#include "foundation/composed_text.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(ComposedText, RangesMapBackOntoTheDecomposedText)
{
    const ComposedText name(QStringLiteral("cafe\u0301 re\u0301sume\u0301"));
    EXPECT_EQ(name.text(), QStringLiteral("café résumé"));
    EXPECT_FALSE(name.isIdentity());
    // "é" covers the letter and its mark; "café" and "résumé" whole.
    EXPECT_EQ(name.originalRange({3, 1}), (Range{3, 2}));
    EXPECT_EQ(name.originalRange({0, 4}), (Range{0, 5}));
    EXPECT_EQ(name.originalRange({5, 6}), (Range{6, 8}));
    EXPECT_EQ(name.originalRange({11, 0}), (Range{14, 0}));
    EXPECT_EQ(name.originalRange({9, 50}), (Range{11, 3}));
}

TEST(ComposedText, ComposedTextMapsToItself)
{
    for (const QString& text : {QString(), QStringLiteral(""), QStringLiteral("café"), QStringLiteral("a\U0001F600b")}) {
        const ComposedText composed(text);
        EXPECT_TRUE(composed.isIdentity());
        EXPECT_EQ(composed.text().isNull(), text.isNull());
        EXPECT_EQ(composed.originalRange({1, 1}), (Range{std::min<qsizetype>(1, text.size()), text.size() > 1 ? 1 : 0}));
    }
}

} // namespace
} // namespace sorvant
