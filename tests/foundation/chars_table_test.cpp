#include "foundation/chars_table.h"
#include "foundation/separation.h"

#include "platform/character_set.h"
#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

struct TableCase
{
    const char* name;
    const CharsTable* (*table)();
    unichar from;
    unichar to;
};
void PrintTo(const TableCase& row, std::ostream* out) { test::printRowName(row, out); }

class CharsTableEntries : public testing::TestWithParam<TableCase> {};

TEST_P(CharsTableEntries, MapsUnit)
{
    const TableCase& row = GetParam();
    EXPECT_EQ(static_cast<int>(row.table()[row.from]), static_cast<int>(row.to));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, CharsTableEntries,
    testing::Values(TableCase{"lowerA", getLowerCharsTable, u'A', u'a'},
                    TableCase{"lowerKeepsLower", getLowerCharsTable, u'a', u'a'},
                    TableCase{"lowerKeepsDigit", getLowerCharsTable, u'1', u'1'},
                    TableCase{"upperA", getUpperCharsTable, u'a', u'A'},
                    TableCase{"umlautsSmallEAcute", getUmlautsCharsTable, 0x00E9, u'e'},
                    TableCase{"umlautsCapitalEAcute", getUmlautsCharsTable, 0x00C9, u'E'},
                    TableCase{"upperUmlautsEAcute", getUpperUmlautsCharsTable, 0x00E9, u'E'},
                    TableCase{"lowerUmlautsCapitalEAcute", getLowerUmlautsCharsTable, 0x00C9, u'e'},
                    // Two-unit results keep the unit itself.
                    TableCase{"upperKeepsSharpS", getUpperCharsTable, 0x00DF, 0x00DF},
                    TableCase{"upperKeepsFiLigature", getUpperCharsTable, 0xFB01, 0xFB01},
                    TableCase{"lowerKeepsDottedCapitalI", getLowerCharsTable, 0x0130, 0x0130},
                    TableCase{"umlautsKeepsSharpS", getUmlautsCharsTable, 0x00DF, 0x00DF},
                    // Other scripts fold through the same rules.
                    TableCase{"upperGreekAlpha", getUpperCharsTable, 0x03B1, 0x0391},
                    TableCase{"umlautsGreekAlphaTonos", getUmlautsCharsTable, 0x03AC, 0x03B1},
                    TableCase{"upperCyrillic", getUpperCharsTable, 0x0434, 0x0414},
                    TableCase{"umlautsCyrillicShortI", getUmlautsCharsTable, 0x0439, 0x0438},
                    TableCase{"lowerLeavesSurrogate", getLowerCharsTable, 0xD800, 0xD800}),
    [](const testing::TestParamInfo<TableCase>& row) { return std::string(row.param.name); });

TEST(CharsTable, EveryTableMapsNonLettersAndFFFFToThemselves)
{
    const CharsTable* tables[] = {getLowerCharsTable(), getUpperCharsTable(), getUmlautsCharsTable(),
                                  getUpperUmlautsCharsTable(), getLowerUmlautsCharsTable()};
    const CharacterSetBitmap* letters = getLettersBitmap();
    for (const CharsTable* table : tables) {
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table[0xFFFF], 0xFFFF);
        for (int c = 0; c < kCharsTableSize; ++c) {
            if (!bitmapContains(letters, static_cast<unichar>(c))) {
                ASSERT_EQ(table[c], c) << "unit " << c;
            }
        }
    }
}

TEST(CharsTable, CompositeTablesComposeCaseAfterUmlauts)
{
    const CharsTable* upper = getUpperCharsTable();
    const CharsTable* lower = getLowerCharsTable();
    const CharsTable* umlauts = getUmlautsCharsTable();
    for (int c = 0; c < kCharsTableSize; ++c) {
        ASSERT_EQ(getUpperUmlautsCharsTable()[c], upper[umlauts[c]]);
        ASSERT_EQ(getLowerUmlautsCharsTable()[c], lower[umlauts[c]]);
    }
}

TEST(CharsTable, ComparisonChoosesTableByLowTwoBits)
{
    EXPECT_EQ(charsTableForComparison(0), nullptr);
    EXPECT_EQ(charsTableForComparison(kComparisonFuzzy), nullptr);
    EXPECT_EQ(charsTableForComparison(1), getUpperCharsTable());
    EXPECT_EQ(charsTableForComparison(2), getUmlautsCharsTable());
    EXPECT_EQ(charsTableForComparison(5), getUpperCharsTable());
    EXPECT_EQ(charsTableForComparison(7), getUpperUmlautsCharsTable());
}

TEST(CharsTable, UnitAccessors)
{
    EXPECT_EQ(lowercaseCharacter(u'Q'), u'q');
    EXPECT_EQ(uppercaseCharacter(u'q'), u'Q');
    EXPECT_EQ(nonUmlautedCharacter(0x00FC), u'u');
    EXPECT_EQ(nonUmlautedAsciiCharacter(0x00E9), u'e');
    EXPECT_EQ(nonUmlautedAsciiCharacter(0x00DF), u' ');
    EXPECT_EQ(nonUmlautedAsciiCharacter(0x03B1), u' ');
    EXPECT_EQ(upperNonUmlautedCharacter(0x00FC), u'U');
    EXPECT_EQ(lowerNonUmlautedCharacter(0x00DC), u'u');
}

// The tables skip units the transforms cannot change; every unit must
// still map as the transform itself says.
TEST(CharsTable, EveryUnitMapsAsItsTransformSays)
{
    const CharsTable* lower = getLowerCharsTable();
    const CharsTable* upper = getUpperCharsTable();
    const CharsTable* umlauts = getUmlautsCharsTable();
    const QByteArray letters = CharacterSet::letterCharacterSet().bitmapRepresentation();
    const auto* letterBits = reinterpret_cast<const CharacterSetBitmap*>(letters.constData());
    int mismatches = 0;
    for (int c = 0; c < kCharsTableSize && mismatches < 5; ++c) {
        const auto unit = static_cast<unichar>(c);
        if (!bitmapContains(letterBits, unit))
            continue;
        const QString folded = unicode::foldDiacritics(QString(QChar(unit)));
        const unichar expected = folded.size() == 1 ? folded.at(0).unicode() : unit;
        if (umlauts[c] != expected) {
            ++mismatches;
            ADD_FAILURE() << "U+" << std::hex << c << " folds to U+" << int(umlauts[c]) << ", not U+" << int(expected);
        }
    }
    EXPECT_EQ(lower[0x0130], 0x0130); // two units in full lowercasing: kept
    EXPECT_EQ(upper[0x00E9], 0x00C9);
    EXPECT_EQ(umlauts[0xAC01], 0xAC01); // a Hangul syllable stays
    EXPECT_EQ(umlauts[0x1E9B], 0x017F); // long s with dot above loses the dot
}

TEST(CharsTable, TablesBuiltConcurrentlyAreIdenticalAndComplete)
{
    std::vector<const CharsTable*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = getLowerUmlautsCharsTable(); });
    for (auto& thread : threads)
        thread.join();
    for (const CharsTable* table : seen) {
        EXPECT_EQ(table, seen.front());
        EXPECT_EQ(table[0x00C9], u'e');
    }
}

TEST(CharacterSetBitmaps, Memberships)
{
    EXPECT_TRUE(bitmapContains(getWhiteSpacesBitmap(), 0x00A0));
    EXPECT_TRUE(bitmapContains(getWhiteSpacesBitmap(), 0xFEFF));
    EXPECT_TRUE(bitmapContains(getWhiteSpacesBitmap(), 0xFFFC));
    EXPECT_TRUE(bitmapContains(getWhiteSpacesBitmap(), 0x000A));
    EXPECT_TRUE(bitmapContains(getWhiteSpacesBitmap(), 0x0085));
    EXPECT_FALSE(bitmapContains(getSpacesBitmap(), 0x000A));
    EXPECT_TRUE(bitmapContains(getSpacesBitmap(), 0x0000));
    EXPECT_TRUE(bitmapContains(getSpacesBitmap(), 0x0009));
    EXPECT_TRUE(bitmapContains(getSpacesBitmap(), 0x3000));
    EXPECT_TRUE(bitmapContains(getLettersBitmap(), 0x0301)); // marks count as letters
    EXPECT_FALSE(bitmapContains(getLettersBitmap(), u'1'));
    EXPECT_TRUE(bitmapContains(getAlphaNumBitmap(), u'1'));
    EXPECT_TRUE(bitmapContains(getAlphaNumBitmap(), 0x00B2)); // superscript two is N*
    EXPECT_FALSE(bitmapContains(getDigitsBitmap(), 0x00B2));
    EXPECT_TRUE(bitmapContains(getDigitsBitmap(), 0x0663));  // Arabic-Indic three
    EXPECT_TRUE(bitmapContains(getUppercaseLettersBitmap(), 0x01C5)); // title case counts
    EXPECT_FALSE(bitmapContains(getLowercaseLettersBitmap(), u'A'));
    for (int c = 0; c < kCharsTableSize; ++c)
        ASSERT_FALSE(bitmapContains(getEmptyBitmap(), static_cast<unichar>(c)));
}

// The ASCII white spaces are the whole bitmap's below U+0080 and nothing
// above, and an ASCII phrase splits as the whole bitmap splits it.
TEST(CharacterSetBitmaps, TheAsciiWhiteSpacesAreTheWholeBitmapsBelow128)
{
    for (int c = 0; c < kCharsTableSize; ++c) {
        const auto unit = static_cast<unichar>(c);
        ASSERT_EQ(bitmapContains(getAsciiWhiteSpacesBitmap(), unit),
                  c < 0x80 && bitmapContains(getWhiteSpacesBitmap(), unit))
            << c;
    }
    // U+0000 and U+0003 are white spaces here; U+001F and U+007F are not.
    constexpr char16_t kPhrase[] = u"\u0000a\tb\u0003c\vd\fe\rf\n g  h\u001Fi\u007F";
    const QString phrase = QString::fromUtf16(kPhrase, qsizetype(std::size(kPhrase)) - 1);
    EXPECT_EQ(componentsUsingWhiteSeparation(phrase), componentsUsingSeparators(phrase, getWhiteSpacesBitmap(), 1));
    EXPECT_EQ(componentsUsingWhiteSeparation(phrase).size(), 8);
}

// Each bitmap is made from ICU's category ranges, not from its character
// set: over the whole plane it holds exactly the set's members and its own
// additions.
TEST(CharacterSetBitmaps, EachHoldsItsCharacterSetAndItsAdditions)
{
    struct BitmapCase
    {
        const char* name;
        const CharacterSetBitmap* bitmap;
        CharacterSet set;
        std::vector<unichar> additions;
    };
    const std::vector<BitmapCase> cases{
        {"spaces", getSpacesBitmap(), CharacterSet::whitespaceCharacterSet(), {0x0000}},
        {"white spaces", getWhiteSpacesBitmap(), CharacterSet::whitespaceAndNewlineCharacterSet(),
         {0x0000, 0x0003, 0xFEFF, 0xFFFC}},
        {"letters", getLettersBitmap(), CharacterSet::letterCharacterSet(), {}},
        {"alphanumerics", getAlphaNumBitmap(), CharacterSet::alphanumericCharacterSet(), {}},
        {"digits", getDigitsBitmap(), CharacterSet::decimalDigitCharacterSet(), {}},
        {"lower case", getLowercaseLettersBitmap(), CharacterSet::lowercaseLetterCharacterSet(), {}},
        {"upper case", getUppercaseLettersBitmap(), CharacterSet::uppercaseLetterCharacterSet(), {}},
    };
    for (const BitmapCase& bitmapCase : cases) {
        SCOPED_TRACE(bitmapCase.name);
        int differences = 0;
        for (int c = 0; c < kCharsTableSize; ++c) {
            const auto unit = static_cast<unichar>(c);
            const bool expected = bitmapCase.set.characterIsMember(unit)
                                  || std::find(bitmapCase.additions.begin(), bitmapCase.additions.end(), unit)
                                         != bitmapCase.additions.end();
            if (bitmapContains(bitmapCase.bitmap, unit) != expected && ++differences <= 5)
                ADD_FAILURE() << "U+" << std::hex << c << (expected ? " missing" : " not a member");
        }
        EXPECT_EQ(differences, 0);
    }
}

TEST(CharacterSetBitmaps, StringListsMembersAscending)
{
    EXPECT_EQ(string(CharacterSet::characterSetWithCharactersInString(QStringLiteral("ba"))), QStringLiteral("ab"));
    const QString empty = string(CharacterSet());
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    // U+FFFF is never listed.
    EXPECT_EQ(string(CharacterSet::characterSetWithRange(0xFFFE, 2)), QString(QChar(0xFFFE)));
}

} // namespace
} // namespace sorvant
