#include "foundation/string_dump.h"

#include "platform/log.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class StringDump : public testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = setLogSink([this](const QString& line) { m_lines << line; });
    }
    void TearDown() override { setLogSink(m_previous); }

    QStringList m_lines;
    LogSink m_previous;
};

TEST_F(StringDump, ShortStringIsOneLineWithPaddedCharacters)
{
    dump(QStringLiteral("Hi\t"));
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_EQ(m_lines[0], QStringLiteral("0048 0069 0009 : Hi.         \n"));
}

TEST_F(StringDump, ThirteenUnitsGiveTwoLinesBetweenLineEnds)
{
    dump(QStringLiteral("abcdefghijk\u2028m"));
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_EQ(m_lines[0], QStringLiteral("\n0061 0062 0063 0064 0065 0066 0067 0068 0069 006a 006b 2028 : "
                                         "abcdefghijk.\n006d : m           \n\n"));
}

TEST_F(StringDump, TwelveUnitsAreOneFullLine)
{
    dump(QStringLiteral("\uFEFFbcdefghijk\u00E9"));
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_EQ(m_lines[0], QStringLiteral("feff 0062 0063 0064 0065 0066 0067 0068 0069 006a 006b 00e9 : "
                                         ".bcdefghijk\u00E9\n"));
}

TEST_F(StringDump, ArrayBreaksAfterEveryEighthUnit)
{
    dumpAsArray(QStringLiteral("ABCDEFGHI"));
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_EQ(m_lines[0], QStringLiteral("\nABCDEFGHI:\nunichar string[] = {\n\t"
                                         "0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048,\n\t"
                                         "0x0049\n};\n "));
}

TEST_F(StringDump, ArrayEndsWithoutCommaOnAnEighthUnit)
{
    dumpAsArray(QStringLiteral("ABCDEFGH"));
    ASSERT_EQ(m_lines.size(), 1);
    EXPECT_TRUE(m_lines[0].endsWith(QStringLiteral("0x0047, 0x0048\n};\n ")));
}

TEST_F(StringDump, NothingForEmptyOrNull)
{
    for (const QString& text : {QString(), QStringLiteral("")}) {
        dump(text);
        dumpAsArray(text);
    }
    EXPECT_TRUE(m_lines.isEmpty());
}

} // namespace
} // namespace sorvant
