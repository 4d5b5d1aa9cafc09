#include "platform/character_set.h"

#include <gtest/gtest.h>

#include <unicode/uset.h>

#include <vector>

namespace sorvant {
namespace {

// Each predefined set holds what the header says it holds (written here as
// ICU patterns, over every code point), and its bitmap, made from ICU's
// category ranges without the set, is the set's membership over the plane.
TEST(PredefinedSets, HoldTheirCategoriesAndTheirBitmapsAgree)
{
    struct Case
    {
        PredefinedSet which;
        CharacterSet set;
        const char16_t* pattern;
    };
    const std::vector<Case> cases{
        {PredefinedSet::Letters, CharacterSet::letterCharacterSet(), u"[[:L:][:M:]]"},
        {PredefinedSet::Alphanumerics, CharacterSet::alphanumericCharacterSet(), u"[[:L:][:M:][:N:]]"},
        {PredefinedSet::DecimalDigits, CharacterSet::decimalDigitCharacterSet(), u"[:Nd:]"},
        {PredefinedSet::LowercaseLetters, CharacterSet::lowercaseLetterCharacterSet(), u"[:Ll:]"},
        {PredefinedSet::UppercaseLetters, CharacterSet::uppercaseLetterCharacterSet(), u"[[:Lu:][:Lt:]]"},
        {PredefinedSet::Whitespace, CharacterSet::whitespaceCharacterSet(), u"[[:Zs:]\\u0009]"},
        {PredefinedSet::WhitespaceAndNewline, CharacterSet::whitespaceAndNewlineCharacterSet(),
         u"[[:Z:]\\u0009-\\u000D\\u0085]"},
        {PredefinedSet::Newline, CharacterSet::newlineCharacterSet(), u"[\\u000A-\\u000D\\u0085\\u2028\\u2029]"},
        {PredefinedSet::Punctuation, CharacterSet::punctuationCharacterSet(), u"[:P:]"},
        {PredefinedSet::Symbols, CharacterSet::symbolCharacterSet(), u"[:S:]"},
        {PredefinedSet::Controls, CharacterSet::controlCharacterSet(), u"[[:Cc:][:Cf:]]"},
        {PredefinedSet::Illegal, CharacterSet::illegalCharacterSet(), u"[:Cn:]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.which));
        UErrorCode status = U_ZERO_ERROR;
        USet* expected = uset_openPattern(c.pattern, -1, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        int differences = 0;
        for (UChar32 point = 0; point <= 0x10FFFF; ++point) {
            if (c.set.characterIsMember(char32_t(point)) != bool(uset_contains(expected, point)) && ++differences <= 5)
                ADD_FAILURE() << "U+" << std::hex << point;
        }
        uset_close(expected);
        EXPECT_EQ(differences, 0);
        const QByteArray whole = c.set.bitmapRepresentation();
        EXPECT_EQ(predefinedSetBitmap(c.which), whole);
        // Below an end, the same bits (asked one by one up to U+00FF, from the
        // ranges above); none from the end on.
        for (const char32_t end : {0x80U, 0x100U, 0x3000U}) {
            SCOPED_TRACE(unsigned(end));
            const QByteArray part = predefinedSetBitmap(c.which, end);
            ASSERT_EQ(part.size(), whole.size());
            for (char32_t point = 0; point < 0x10000; ++point) {
                const bool bit = (static_cast<unsigned char>(part[point >> 3]) >> (point & 7)) & 1;
                const bool wholeBit = (static_cast<unsigned char>(whole[point >> 3]) >> (point & 7)) & 1;
                ASSERT_EQ(bit, point < end && wholeBit) << std::hex << unsigned(point);
            }
        }
    }
}

} // namespace
} // namespace sorvant
