#include "foundation/ocr_fixup.h"

#include "tests/foundation/string_case_table.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using test::Identity;
using test::StringCase;

class OCRFixup : public testing::TestWithParam<StringCase> {};

TEST_P(OCRFixup, Repairs)
{
    test::expectCase(GetParam());
}

QString shortCode(const QString& s)
{
    return stringByFixingOCRIssues(s, OCRFixScope::ShortCode);
}
QString wholeText(const QString& s)
{
    return stringByFixingOCRIssues(s, OCRFixScope::WholeText);
}

INSTANTIATE_TEST_SUITE_P(
    ShortCodes, OCRFixup,
    testing::Values(StringCase{"YearWithLetterO", shortCode, u"2O19", u"2019", Identity::NewString},
                    StringCase{"SmallLAndFive", shortCode, u"l5", u"15", Identity::NewString},
                    StringCase{"CapitalIAndS", shortCode, u"IS", u"15", Identity::NewString},
                    StringCase{"UnmappedLettersStay", shortCode, u"oBZ1", u"oBZ1", Identity::NewString},
                    StringCase{"ThreeUnitsGiveReceiver", shortCode, u"2O1", u"2O1", Identity::Receiver},
                    StringCase{"FiveUnitsGiveReceiver", shortCode, u"2O1OS", u"2O1OS", Identity::Receiver},
                    StringCase{"SpacesKeptInCodes", shortCode, u"O O", u"O O", Identity::Receiver},
                    StringCase{"Empty", shortCode, u"", u"", Identity::Receiver},
                    StringCase{"Null", shortCode, nullptr, nullptr, Identity::Either}),
    test::caseName);

INSTANTIATE_TEST_SUITE_P(
    WholeTexts, OCRFixup,
    testing::Values(StringCase{"SpaceAfterComma", wholeText, u"3, 50", u"3,50", Identity::Either},
                    StringCase{"SpaceBeforeFullStop", wholeText, u"3 .50", u"3.50", Identity::Either},
                    StringCase{"SpacesAroundSeparator", wholeText, u"3 , 5 0", u"3,50", Identity::Either},
                    StringCase{"SpaceBetweenPlainDigitsStays", wholeText, u"1 2", u"1 2", Identity::Either},
                    StringCase{"SplitLastDigitAtEnd", wholeText, u"1,5 0", u"1,50", Identity::Either},
                    StringCase{"SplitLastDigitBeforeSpace", wholeText, u"1,5 0 kg", u"1,50 kg", Identity::Either},
                    StringCase{"SplitDigitFollowedByDigitStays", wholeText, u"1,5 00", u"1,5 00",
                               Identity::Either},
                    StringCase{"LetterAfterSplitStays", wholeText, u"1,5 a", u"1,5 a", Identity::Either},
                    StringCase{"CapitalSInsideWords", wholeText, u"Sum IS lOw", u"5um 15 10w", Identity::Either},
                    StringCase{"UnchangedIsStillNew", wholeText, u"12 ab", u"12 ab", Identity::NewString},
                    StringCase{"TrailingSpaceAfterSeparator", wholeText, u"a. ", u"a.", Identity::Either},
                    StringCase{"LoneSpace", wholeText, u" ", u" ", Identity::Either},
                    StringCase{"Empty", wholeText, u"", u"", Identity::Receiver},
                    StringCase{"Null", wholeText, nullptr, nullptr, Identity::Either}),
    test::caseName);

} // namespace
} // namespace sorvant
