// Normalization: ASCII comes back as it is without asking ICU, which is
// held to the same answer for every ASCII code unit in every form.

#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <unicode/unorm2.h>

namespace sorvant {
namespace {

using unicode::NormalizationForm;

TEST(Normalization, AsciiIsTheSameInEveryFormAndTheRestIsNormalized)
{
    QString ascii;
    for (char16_t unit = 0; unit < 0x80; ++unit)
        ascii.append(QChar(unit));
    struct Case
    {
        NormalizationForm form;
        const UNormalizer2* (*instance)(UErrorCode*);
        const char16_t* other;
        const char16_t* normalized;
    };
    const Case cases[] = {
        {NormalizationForm::NFC, unorm2_getNFCInstance, u"e\u0301", u"\u00E9"},
        {NormalizationForm::NFD, unorm2_getNFDInstance, u"\u00E9", u"e\u0301"},
        {NormalizationForm::NFKC, unorm2_getNFKCInstance, u"\uFB01", u"fi"},
        {NormalizationForm::NFKD, unorm2_getNFKDInstance, u"\u00AA", u"a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.form));
        UErrorCode status = U_ZERO_ERROR;
        const UNormalizer2* normalizer = c.instance(&status);
        ASSERT_TRUE(U_SUCCESS(status));
        EXPECT_TRUE(unorm2_isNormalized(normalizer, reinterpret_cast<const UChar*>(ascii.utf16()),
                                        int32_t(ascii.size()), &status));
        EXPECT_EQ(unicode::normalizedString(ascii, c.form), ascii);
        EXPECT_EQ(unicode::normalizedString(QString::fromUtf16(c.other), c.form), QString::fromUtf16(c.normalized));
        EXPECT_EQ(unicode::normalizedString(QLatin1String("x") + QString::fromUtf16(c.other), c.form),
                  QLatin1String("x") + QString::fromUtf16(c.normalized));
    }
    EXPECT_TRUE(unicode::normalizedString(QString(), NormalizationForm::NFC).isNull());
    EXPECT_FALSE(unicode::normalizedString(QLatin1String(""), NormalizationForm::NFC).isNull());
}

} // namespace
} // namespace sorvant
