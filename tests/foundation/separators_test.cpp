#include "foundation/separators.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct Membership
{
    const char* name;
    unichar unit;
    bool separates;
};
void PrintTo(const Membership& row, std::ostream* out) { test::printRowName(row, out); }

class WordSeparators : public testing::TestWithParam<Membership> {};

TEST_P(WordSeparators, Membership)
{
    EXPECT_EQ(bitmapContains(defaultWordSeparators(), GetParam().unit), GetParam().separates);
}

INSTANTIATE_TEST_SUITE_P(
    Units, WordSeparators,
    testing::Values(Membership{"letter", u'a', false}, Membership{"digit", u'7', false},
                    Membership{"combiningAcute", 0x0301, false}, Membership{"cjkIdeograph", 0x4E2D, false},
                    Membership{"arabicLetter", 0x0628, false}, Membership{"space", u' ', true},
                    Membership{"apostrophe", u'\'', true}, Membership{"hyphen", u'-', true},
                    Membership{"underscore", u'_', true}, Membership{"nul", 0x0000, true},
                    Membership{"superscriptTwo", 0x00B2, true}, Membership{"modifierCircumflex", 0x02C6, true},
                    Membership{"enDash", 0x2013, true}, Membership{"euroSign", 0x20AC, true},
                    Membership{"ideographicFullStop", 0x3002, true}, Membership{"highSurrogate", 0xD800, true},
                    Membership{"lastSurrogateLeftOut", 0xDFFF, false}, Membership{"privateUse", 0xF400, true},
                    Membership{"privateUseEndLeftOut", 0xF8FF, false}, Membership{"nextLine", 0x0085, true},
                    Membership{"byteOrderMark", 0xFEFF, true}, Membership{"unitFFFFLeftOut", 0xFFFF, false}),
    [](const testing::TestParamInfo<Membership>& row) { return std::string(row.param.name); });

TEST(Separators, SentenceAndLineSets)
{
    for (unichar c : {u'!', u'.', u':', u'?'})
        EXPECT_TRUE(bitmapContains(defaultSentenceSeparators(), c)) << int(c);
    EXPECT_FALSE(bitmapContains(defaultSentenceSeparators(), u';'));
    EXPECT_FALSE(bitmapContains(defaultSentenceSeparators(), u'\n'));

    EXPECT_TRUE(bitmapContains(defaultLineSeparators(), 0x0085));
    EXPECT_TRUE(bitmapContains(defaultLineSeparators(), u'\r'));
    EXPECT_FALSE(bitmapContains(defaultLineSeparators(), 0xFEFF));
    EXPECT_FALSE(bitmapContains(defaultLineSeparators(), u' '));
}

} // namespace
} // namespace sorvant
