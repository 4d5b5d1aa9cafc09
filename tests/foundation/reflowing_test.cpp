#include "foundation/reflowing.h"

#include "tests/foundation/text_test_support.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::isSameString;
using test::utf8;

struct Reflow
{
    const char* name;
    const char16_t* text;
    const char16_t* expected;
};

class ReformattedMailing : public testing::TestWithParam<Reflow> {};

TEST_P(ReformattedMailing, Result)
{
    EXPECT_EQ(utf8(reformattedMailing(QString::fromUtf16(GetParam().text))),
              utf8(QString::fromUtf16(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReformattedMailing,
    testing::Values(
        Reflow{"singleBreakJoins", u"Hello all,\nand see you soon", u"Hello all, and see you soon"},
        Reflow{"crlfIsOneBreak", u"Hello all,\r\nand see", u"Hello all, and see"},
        Reflow{"twoBreaksStay", u"Hello all,\n\nand see", u"Hello all,\n\nand see"},
        Reflow{"crlfCrlfIsParagraph", u"one\r\n\r\ntwo", u"one\n\ntwo"},
        Reflow{"manyBreaksBecomeTwo", u"one\n\n\n\u2029two", u"one\n\ntwo"},
        Reflow{"quoteKeepsBreak", u"wrote:\n> quoted", u"wrote:\n> quoted"},
        Reflow{"listKeepsBreak", u"items\n- first\n- second", u"items\n- first\n- second"},
        Reflow{"colonBreaksLine", u"Dear Ann:\nthanks", u"Dear Ann:\nthanks"},
        Reflow{"afterWhiteNothing", u"trailing \nnext", u"trailing next"},
        Reflow{"blankRunOneSpace", u"a  \t\u00A0 b", u"a b"},
        Reflow{"singleBreakAtEndDropped", u"end\n", u"end"},
        Reflow{"doubleBreakAtEndKept", u"end\n\n", u"end\n\n"},
        Reflow{"leadingSingleBreakDropped", u"\nstart", u"start"},
        Reflow{"byteOrderMarkBreaks", u"a\uFEFFb", u"a b"}),
    [](const testing::TestParamInfo<Reflow>& row) { return std::string(row.param.name); });

TEST(Reflowing, EmptyAndNullAnswerTheReceiver)
{
    const QString empty = QStringLiteral("");
    EXPECT_TRUE(isSameString(reformattedMailing(empty), empty));
    EXPECT_TRUE(reformattedMailing(QString()).isNull());
}

TEST(Reflowing, LeavesTheReceiverAlone)
{
    const QString text = QStringLiteral("a\nb");
    const QString copy = text;
    EXPECT_EQ(utf8(reformattedMailing(copy)), "a b");
    EXPECT_EQ(copy, text);
}

} // namespace
} // namespace sorvant
