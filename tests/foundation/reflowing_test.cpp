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
void PrintTo(const Reflow& row, std::ostream* out) { test::printRowName(row, out); }

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

struct Paragraphs
{
    const char* name;
    const char16_t* text;
    const char16_t* remove; // nullptr: remove nothing
    const char16_t* expected;
};
void PrintTo(const Paragraphs& row, std::ostream* out) { test::printRowName(row, out); }

class ReformattedRemoving : public testing::TestWithParam<Paragraphs> {};

TEST_P(ReformattedRemoving, Result)
{
    const Paragraphs& row = GetParam();
    const QString remove = row.remove ? QString::fromUtf16(row.remove) : QString();
    EXPECT_EQ(utf8(reformattedStringByRemovingCharactersOfString(QString::fromUtf16(row.text), remove)),
              utf8(QString::fromUtf16(row.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReformattedRemoving,
    testing::Values(
        Paragraphs{"linesJoinedParagraphKept", u"one\ntwo\n\nthree", nullptr, u"one two\n\nthree"},
        Paragraphs{"removedUnits", u"a-b\nc", u"-", u"ab c"},
        Paragraphs{"manyEmptyLinesOneBreak", u"a\n\n\n\nb", nullptr, u"a\n\nb"},
        Paragraphs{"lastEmptyLineOnce", u"one\n\n", nullptr, u"one\n"},
        Paragraphs{"emptyLineKeepsItsOwnFeed", u"a\r\n\r\nb", nullptr, u"a\r\n\r\nb"},
        Paragraphs{"leadingEmptyLinesDropped", u"\n\n  a", nullptr, u"a"},
        Paragraphs{"linesTrimmedSpacesCollapsed", u"  a   b \n\t c", nullptr, u"a b c"},
        Paragraphs{"lineEmptiedByRemovalEndsParagraph", u"a\n**\nb", u"*", u"a\n\nb"}),
    [](const testing::TestParamInfo<Paragraphs>& row) { return std::string(row.param.name); });

TEST(Reflowing, EmptyAndNullAnswerTheReceiver)
{
    const QString empty = QStringLiteral("");
    EXPECT_TRUE(isSameString(reformattedMailing(empty), empty));
    EXPECT_TRUE(reformattedMailing(QString()).isNull());
    EXPECT_TRUE(reformattedStringByRemovingCharactersOfString(QString(), QString()).isNull());
    const QString none = reformattedStringByRemovingCharactersOfString(empty, QString());
    EXPECT_TRUE(none.isEmpty() && !none.isNull());
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
