#include "platform/white_space.h"

#include <QString>

#include <gtest/gtest.h>

namespace sorvant::unicode {
namespace {

TEST(WhiteSpace, MembershipFollowsTheWhiteSpaceProperty)
{
    for (const char32_t c : {U'\t', U'\n', U'\v', U'\f', U'\r', U' ', U'\u0085', U'\u00A0', U'\u1680', U'\u2000',
                             U'\u200A', U'\u2028', U'\u2029', U'\u202F', U'\u205F', U'\u3000'}) {
        SCOPED_TRACE(static_cast<unsigned>(c));
        EXPECT_TRUE(isWhiteSpace(c));
    }
    for (const char32_t c : {U'\0', U'\u0003', U'a', U'\u200B', U'\uFEFF', U'\uFFFC', U'\U0001F600'}) {
        SCOPED_TRACE(static_cast<unsigned>(c));
        EXPECT_FALSE(isWhiteSpace(c));
    }
}

TEST(WhiteSpace, TrimmedViewLiesInTheText)
{
    const QString text = QStringLiteral(" \ta b\u3000\r\n");
    const QStringView kept = trimmedWhiteSpace(text);
    EXPECT_EQ(kept, QStringLiteral("a b"));
    EXPECT_EQ(kept.data(), text.constData() + 2);
    EXPECT_TRUE(trimmedWhiteSpace(QStringLiteral(" \n ")).isEmpty());
    EXPECT_TRUE(trimmedWhiteSpace(QStringView()).isEmpty());
    EXPECT_EQ(trimmedWhiteSpace(QStringLiteral("\uFEFFa")), QStringLiteral("\uFEFFa"));
}

} // namespace
} // namespace sorvant::unicode
