#include "foundation/string_membership.h"

#include "foundation/range.h"
#include "platform/string_compare.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(StringMembership, ExactAndNoCase)
{
    const QStringList kinds{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("alpha")};
    EXPECT_EQ(indexOfStringEqualTo(kinds, QStringLiteral("alpha")), 2);
    EXPECT_EQ(indexOfStringEqualToNoCase(kinds, QStringLiteral("alpha")), 0);
    EXPECT_EQ(indexOfStringEqualTo(kinds, QStringLiteral("ALPHA")), NSNotFound);
    EXPECT_TRUE(containsStringNoCase(kinds, QStringLiteral("BETA")));
    EXPECT_FALSE(containsString(kinds, QStringLiteral("BETA")));
    EXPECT_FALSE(containsString(kinds, QStringLiteral("bet")));
}

TEST(StringMembership, LengthsMustMatch)
{
    // Full folding makes "ß" and "SS" equal, but only equal lengths count.
    const QStringList words{QStringLiteral("STRASSE"), QStringLiteral("Stra\u00DFe")};
    EXPECT_EQ(indexOfStringEqualToNoCase(words, QStringLiteral("strasse")), 0);
    EXPECT_EQ(indexOfStringEqualToNoCase(words, QStringLiteral("STRA\u00DFE")), 1);
    EXPECT_EQ(indexOfStringInArray({QStringLiteral("SS")}, QStringLiteral("\u00DF"), kCompareCaseInsensitive),
              NSNotFound);
}

TEST(StringMembership, OptionsArePassedOn)
{
    const QStringList names{QStringLiteral("Cafe"), QStringLiteral("caf\u00E9")};
    EXPECT_EQ(indexOfStringInArray(names, QStringLiteral("caf\u00E9"), 0), 1);
    EXPECT_EQ(indexOfStringInArray(names, QStringLiteral("caf\u00E9"),
                                   kCompareCaseInsensitive | kCompareDiacriticInsensitive),
              0);
}

TEST(StringMembership, EmptyAndNull)
{
    EXPECT_EQ(indexOfStringEqualTo({}, QStringLiteral("a")), NSNotFound);
    EXPECT_EQ(indexOfStringEqualTo({QString(), QStringLiteral("")}, QStringLiteral("")), NSNotFound);
    EXPECT_FALSE(containsStringNoCase({QStringLiteral("a")}, QString()));
}

} // namespace
} // namespace sorvant
