#include "platform/character_set.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace sorvant {

namespace {

// Opens a set from an ICU pattern. The patterns are constants of this file,
// so a failure is a programming error; an empty set is answered then.
USet* openPattern(const char16_t* pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    USet* set = uset_openPattern(pattern, -1, &status);
    if (U_FAILURE(status)) {
        if (set)
            uset_close(set);
        return uset_openEmpty();
    }
    uset_freeze(set);
    return set;
}

struct CategoryBitmap
{
    std::uint32_t categories;
    unsigned char* bytes;
};

UBool addCategoryRange(const void* context, UChar32 start, UChar32 limit, UCharCategory category)
{
    constexpr UChar32 kPlaneSize = 0x10000;
    if (start >= kPlaneSize)
        return false;
    const auto* bitmap = static_cast<const CategoryBitmap*>(context);
    if ((U_MASK(category) & bitmap->categories) != 0) {
        for (UChar32 c = start; c < std::min(limit, kPlaneSize); ++c)
            bitmap->bytes[c >> 3] |= static_cast<unsigned char>(1u << (c & 7));
    }
    return true;
}

} // namespace

QByteArray bitmapOfGeneralCategories(std::uint32_t categories)
{
    QByteArray bitmap(8192, '\0');
    CategoryBitmap context{categories, reinterpret_cast<unsigned char*>(bitmap.data())};
    u_enumCharTypes(addCategoryRange, &context);
    return bitmap;
}

CharacterSet::CharacterSet() : m_set(uset_openEmpty()) {}

CharacterSet::CharacterSet(USet* set) : m_set(set) {}

CharacterSet::CharacterSet(const CharacterSet& other) : m_set(uset_cloneAsThawed(other.m_set)) {}

CharacterSet& CharacterSet::operator=(const CharacterSet& other)
{
    if (this != &other) {
        USet* copy = uset_cloneAsThawed(other.m_set);
        uset_close(m_set);
        m_set = copy;
    }
    return *this;
}

CharacterSet::CharacterSet(CharacterSet&& other) noexcept : m_set(other.m_set)
{
    other.m_set = uset_openEmpty();
}

CharacterSet& CharacterSet::operator=(CharacterSet&& other) noexcept
{
    std::swap(m_set, other.m_set);
    return *this;
}

CharacterSet::~CharacterSet()
{
    uset_close(m_set);
}

// Each predefined set is built once from its pattern and frozen; callers get
// thawed copies that they may change.
#define SORVANT_PREDEFINED_SET(name, pattern)                  \
    CharacterSet CharacterSet::name()                          \
    {                                                          \
        static const USet* const frozen = openPattern(pattern); \
        return CharacterSet(uset_cloneAsThawed(frozen));       \
    }

SORVANT_PREDEFINED_SET(letterCharacterSet, u"[[:L:][:M:]]")
SORVANT_PREDEFINED_SET(alphanumericCharacterSet, u"[[:L:][:M:][:N:]]")
SORVANT_PREDEFINED_SET(decimalDigitCharacterSet, u"[:Nd:]")
SORVANT_PREDEFINED_SET(lowercaseLetterCharacterSet, u"[:Ll:]")
SORVANT_PREDEFINED_SET(uppercaseLetterCharacterSet, u"[[:Lu:][:Lt:]]")
SORVANT_PREDEFINED_SET(whitespaceCharacterSet, u"[[:Zs:]\\u0009]")
SORVANT_PREDEFINED_SET(whitespaceAndNewlineCharacterSet, u"[[:Z:]\\u0009-\\u000D\\u0085]")
SORVANT_PREDEFINED_SET(newlineCharacterSet, u"[\\u000A-\\u000D\\u0085\\u2028\\u2029]")
SORVANT_PREDEFINED_SET(punctuationCharacterSet, u"[:P:]")
SORVANT_PREDEFINED_SET(symbolCharacterSet, u"[:S:]")
SORVANT_PREDEFINED_SET(controlCharacterSet, u"[[:Cc:][:Cf:]]")
SORVANT_PREDEFINED_SET(illegalCharacterSet, u"[:Cn:]")

#undef SORVANT_PREDEFINED_SET

CharacterSet CharacterSet::characterSetWithCharactersInString(const QString& string)
{
    CharacterSet set;
    set.addCharactersInString(string);
    return set;
}

CharacterSet CharacterSet::characterSetWithRange(char32_t first, char32_t length)
{
    CharacterSet set;
    set.addCharactersInRange(first, length);
    return set;
}

bool CharacterSet::characterIsMember(char32_t c) const
{
    return c <= 0x10FFFF && uset_contains(m_set, static_cast<UChar32>(c));
}

bool CharacterSet::isEmpty() const
{
    return uset_isEmpty(m_set);
}

QByteArray CharacterSet::bitmapRepresentation() const
{
    QByteArray bitmap(8192, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(bitmap.data());
    // Walk the set's ranges rather than testing 65,536 units one by one.
    const int32_t count = uset_getItemCount(m_set);
    for (int32_t item = 0; item < count; ++item) {
        UChar32 start = 0;
        UChar32 end = 0;
        UErrorCode status = U_ZERO_ERROR;
        const int32_t stringLength = uset_getItem(m_set, item, &start, &end, nullptr, 0, &status);
        if (stringLength != 0 || start > 0xFFFF)
            continue;
        end = std::min<UChar32>(end, 0xFFFF);
        for (UChar32 c = start; c <= end; ++c)
            bytes[c >> 3] |= static_cast<unsigned char>(1u << (c & 7));
    }
    return bitmap;
}

CharacterSet CharacterSet::invertedSet() const
{
    CharacterSet inverted(uset_cloneAsThawed(m_set));
    uset_complement(inverted.m_set);
    return inverted;
}

void CharacterSet::addCharactersInString(const QString& string)
{
    const auto units = QStringView(string);
    for (qsizetype i = 0; i < units.size();) {
        UChar32 c = 0;
        U16_NEXT(units.utf16(), i, units.size(), c);
        uset_add(m_set, c);
    }
}

void CharacterSet::removeCharactersInString(const QString& string)
{
    const auto units = QStringView(string);
    for (qsizetype i = 0; i < units.size();) {
        UChar32 c = 0;
        U16_NEXT(units.utf16(), i, units.size(), c);
        uset_remove(m_set, c);
    }
}

void CharacterSet::addCharactersInRange(char32_t first, char32_t length)
{
    if (length == 0 || first > 0x10FFFF)
        return;
    const char32_t last = std::min<char32_t>(first + length - 1, 0x10FFFF);
    uset_addRange(m_set, static_cast<UChar32>(first), static_cast<UChar32>(last));
}

void CharacterSet::removeCharactersInRange(char32_t first, char32_t length)
{
    if (length == 0 || first > 0x10FFFF)
        return;
    const char32_t last = std::min<char32_t>(first + length - 1, 0x10FFFF);
    uset_removeRange(m_set, static_cast<UChar32>(first), static_cast<UChar32>(last));
}

void CharacterSet::formUnionWithCharacterSet(const CharacterSet& other)
{
    uset_addAll(m_set, other.m_set);
}

void CharacterSet::formIntersectionWithCharacterSet(const CharacterSet& other)
{
    uset_retainAll(m_set, other.m_set);
}

} // namespace sorvant
