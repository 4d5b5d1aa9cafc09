#include "system/version_numbers.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(VersionNumbers, SuffixesBecomeNegativeComponents)
{
    EXPECT_EQ(comparableComponentsOfVersionNumber("1.0beta2"), QStringList({"1", "0", "-3", "2"}));
    EXPECT_EQ(comparableComponentsOfVersionNumber("1.0b2"), QStringList({"1", "0b2"}));
    EXPECT_EQ(comparableComponentsOfVersionNumber(" 2.9.2BUILD1 "), QStringList({"2", "9", "2", "-4", "1"}));
    EXPECT_EQ(comparableComponentsOfVersionNumber(""), QStringList({""}));
}

TEST(VersionNumbers, ComparisonOrdersReleasesAfterTheirPrereleases)
{
    // Each row is older than the next.
    const char* ascending[] = {"1.0alpha2", "1.0build7", "1.0beta1", "1.0rc1", "1.0pb1", "1.0", "1.0.1build1",
                               "1.0.1", "1.9", "1.10"};
    const int count = int(std::size(ascending));
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            SCOPED_TRACE(std::string(ascending[i]) + " vs " + ascending[j]);
            EXPECT_EQ(compareToVersionNumber(ascending[i], ascending[j]), i < j ? -1 : (i == j ? 0 : 1));
        }
    }
    EXPECT_EQ(compareToVersionNumber("1.0", "1.0.0"), 0);
    EXPECT_EQ(compareToVersionNumber(" 1.0 ", "1.0"), 0);
    EXPECT_EQ(compareToVersionNumber("", ""), 0);
    EXPECT_EQ(compareToVersionNumber("2.9.2build1", "2.9.2"), -1);
}

TEST(VersionNumbers, TheSelfCheckPasses)
{
    test::LogCapture log;
    EXPECT_TRUE(testVersionNumberComparison());
    EXPECT_TRUE(log.lines().isEmpty());
}

} // namespace
} // namespace sorvant
