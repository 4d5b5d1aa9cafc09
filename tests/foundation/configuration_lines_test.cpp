#include "foundation/configuration_lines.h"

#include "tests/foundation/text_test_support.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::utf8;

TEST(ConfigurationLines, KeepsMeaningfulLinesTrimmed)
{
    const QString text = QStringLiteral("# settings\r\n"
                                        "  alpha 1 \r\n"
                                        "\r\n"
                                        " \t \n"
                                        "x\n"
                                        "\t# indented comment with more text\n"
                                        "beta\t two words\t\u2028"
                                        "gamma");
    EXPECT_EQ(configLines(text), (QStringList{QStringLiteral("alpha 1"), QStringLiteral("x"),
                                              QStringLiteral("beta\t two words"), QStringLiteral("gamma")}));
}

TEST(ConfigurationLines, EveryFeedEndsALine)
{
    const QString text = QString::fromUtf16(u"a\u0003b\u000Cc\u2029d\uFEFFe\uFFFCf\rg");
    EXPECT_EQ(configLines(text).join(u','), QStringLiteral("a,b,c,d,e,f,g"));
}

TEST(ConfigurationLines, HashInsideALineIsKept)
{
    EXPECT_EQ(configLines(QStringLiteral("color #fff")), QStringList{QStringLiteral("color #fff")});
}

TEST(ConfigurationLines, EmptyAndNullGiveNoLines)
{
    EXPECT_TRUE(configLines(QString()).isEmpty());
    EXPECT_TRUE(configLines(QStringLiteral("")).isEmpty());
    EXPECT_TRUE(configLines(QStringLiteral("\n\r\n  \n#")).isEmpty());
}

struct Value
{
    const char* name;
    const char16_t* line;
    const char16_t* key;
    const char* expected; // "<null>" for no value
};
void PrintTo(const Value& row, std::ostream* out) { test::printRowName(row, out); }

class ConfigValueForKey : public testing::TestWithParam<Value> {};

TEST_P(ConfigValueForKey, Value)
{
    const Value& row = GetParam();
    const QString key = row.key ? QString::fromUtf16(row.key) : QString();
    EXPECT_EQ(utf8(configValueForKey(QString::fromUtf16(row.line), key)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConfigValueForKey,
    testing::Values(Value{"tabThenSpacedValue", u"Port\t 8080  ", u"port", "8080"},
                    Value{"valueWithInnerSpaces", u"name  Jane Doe", u"NAME", "Jane Doe"},
                    Value{"keyRunsOnIntoLetter", u"Portal 1", u"port", "<null>"},
                    Value{"lineIsTheKey", u"port", u"port", "<null>"},
                    Value{"onlyWhiteAfterKey", u"port   ", u"port", "<null>"},
                    Value{"otherKey", u"host example.org", u"port", "<null>"},
                    Value{"emptyKey", u"port 1", u"", "<null>"},
                    Value{"nullKey", u"port 1", nullptr, "<null>"},
                    Value{"keyFoldsAcrossCase", u"STRA\u00DFE 5", u"stra\u00DFe", "5"}),
    [](const testing::TestParamInfo<Value>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
