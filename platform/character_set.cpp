#include "platform/character_set.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <utility>

namespace sorvant {

namespace {

// A predefined set: the code points of some general categories (ICU's
// U_GC_*_MASK bits) and of up to two ranges.
struct Definition
{
    std::uint32_t categories;
    std::array<std::pair<char32_t, char32_t>, 2> ranges;
};

const Definition& definitionOf(PredefinedSet which)
{
    constexpr std::pair<char32_t, char32_t> kNone{1, 0};
    static const std::array<Definition, 12> definitions{{
        {U_GC_L_MASK | U_GC_M_MASK, {kNone, kNone}},
        {U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK, {kNone, kNone}},
        {U_GC_ND_MASK, {kNone, kNone}},
        {U_GC_LL_MASK, {kNone, kNone}},
        {U_GC_LU_MASK | U_GC_LT_MASK, {kNone, kNone}},
        {U_GC_ZS_MASK, {{{0x0009, 0x0009}, kNone}}},
        {U_GC_Z_MASK, {{{0x0009, 0x000D}, {0x0085, 0x0085}}}},
        {U_GC_ZL_MASK | U_GC_ZP_MASK, {{{0x000A, 0x000D}, {0x0085, 0x0085}}}}, // Zl, Zp: U+2028, U+2029
        {U_GC_P_MASK, {kNone, kNone}},
        {U_GC_S_MASK, {kNone, kNone}},
        {U_GC_CC_MASK | U_GC_CF_MASK, {kNone, kNone}},
        {U_GC_CN_MASK, {kNone, kNone}},
    }};
    return definitions.at(static_cast<size_t>(which));
}

// A predefined set, built once and frozen (the definitions are constants of
// this file, so a failure is a programming error; the set is empty then).
const USet* frozenPredefinedSet(PredefinedSet which)
{
    const Definition& definition = definitionOf(which);
    USet* set = uset_openEmpty();
    UErrorCode status = U_ZERO_ERROR;
    uset_applyIntPropertyValue(set, UCHAR_GENERAL_CATEGORY_MASK, int32_t(definition.categories), &status);
    if (U_FAILURE(status))
        uset_clear(set);
    for (const auto& [first, last] : definition.ranges) {
        if (first <= last)
            uset_addRange(set, UChar32(first), UChar32(last));
    }
    uset_freeze(set);
    return set;
}

struct CategoryBitmap
{
    std::uint32_t categories;
    unsigned char* bytes;
    UChar32 end;
};

void addCharacter(unsigned char* bytes, char32_t c)
{
    bytes[c >> 3] |= static_cast<unsigned char>(1u << (c & 7));
}

UBool addCategoryRange(const void* context, UChar32 start, UChar32 limit, UCharCategory category)
{
    const auto* bitmap = static_cast<const CategoryBitmap*>(context);
    if (start >= bitmap->end)
        return false;
    if ((U_MASK(category) & bitmap->categories) != 0) {
        for (UChar32 c = start; c < std::min(limit, bitmap->end); ++c)
            addCharacter(bitmap->bytes, char32_t(c));
    }
    return true;
}

} // namespace

QByteArray predefinedSetBitmap(PredefinedSet which, char32_t end)
{
    constexpr char32_t kPlaneSize = 0x10000;
    // Below this, asking each character its category is quicker than
    // enumerating the ranges of all of them.
    constexpr char32_t kOneByOne = 0x100;
    end = std::min(end, kPlaneSize);
    const Definition& definition = definitionOf(which);
    QByteArray bitmap(8192, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(bitmap.data());
    if (end <= kOneByOne) {
        for (char32_t c = 0; c < end; ++c) {
            if ((U_MASK(u_charType(UChar32(c))) & definition.categories) != 0)
                addCharacter(bytes, c);
        }
    } else {
        CategoryBitmap context{definition.categories, bytes, UChar32(end)};
        u_enumCharTypes(addCategoryRange, &context);
    }
    for (const auto& [first, last] : definition.ranges) {
        for (char32_t c = first; c <= last && c < end; ++c)
            addCharacter(bytes, c);
    }
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

// Callers get thawed copies of the frozen set, which they may change.
#define SORVANT_PREDEFINED_SET(name, which)                                        \
    CharacterSet CharacterSet::name()                                              \
    {                                                                              \
        static const USet* const frozen = frozenPredefinedSet(PredefinedSet::which); \
        return CharacterSet(uset_cloneAsThawed(frozen));                           \
    }

SORVANT_PREDEFINED_SET(letterCharacterSet, Letters)
SORVANT_PREDEFINED_SET(alphanumericCharacterSet, Alphanumerics)
SORVANT_PREDEFINED_SET(decimalDigitCharacterSet, DecimalDigits)
SORVANT_PREDEFINED_SET(lowercaseLetterCharacterSet, LowercaseLetters)
SORVANT_PREDEFINED_SET(uppercaseLetterCharacterSet, UppercaseLetters)
SORVANT_PREDEFINED_SET(whitespaceCharacterSet, Whitespace)
SORVANT_PREDEFINED_SET(whitespaceAndNewlineCharacterSet, WhitespaceAndNewline)
SORVANT_PREDEFINED_SET(newlineCharacterSet, Newline)
SORVANT_PREDEFINED_SET(punctuationCharacterSet, Punctuation)
SORVANT_PREDEFINED_SET(symbolCharacterSet, Symbols)
SORVANT_PREDEFINED_SET(controlCharacterSet, Controls)
SORVANT_PREDEFINED_SET(illegalCharacterSet, Illegal)

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
