#include "search/ascii_name_matching.h"

#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sorvant {
namespace {

// Names that hold none of these characters are ruled out on their bytes;
// the list must be exactly ICU's.
TEST(NameFoldingTest, CharactersFoldingToAsciiAreExactlyThoseOfIcu)
{
    const auto holdsAscii = [](const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    };
    for (char32_t code = 0x80; code < 0x20000; ++code) {
        if (code >= 0xD800 && code < 0xE000)
            continue;
        const QString character = QString::fromUcs4(&code, 1);
        const QString composed = unicode::normalizedString(character, unicode::NormalizationForm::NFC);
        const bool expected = holdsAscii(unicode::caseFoldedString(character)) || holdsAscii(composed)
                              || holdsAscii(unicode::caseFoldedString(composed));
        const QByteArray utf8 = character.toUtf8();
        ASSERT_EQ(hasCharacterFoldingToAscii(utf8.constData(), utf8.size()), expected)
            << "U+" << std::hex << std::uint32_t(code);
        // Inside a name, after bytes that are no UTF-8 and a cut sequence.
        const QByteArray name = "ab\xff\xe2\x84" + utf8 + "c";
        ASSERT_EQ(hasCharacterFoldingToAscii(name.constData(), name.size()), expected)
            << "U+" << std::hex << std::uint32_t(code) << " in a name";
    }
}

} // namespace
} // namespace sorvant
