#include "foundation/separators.h"

#include "platform/character_set.h"

#include <algorithm>
#include <array>

namespace sorvant {

namespace {

using Bitmap = std::array<CharacterSetBitmap, kBitmapSize>;

// The marks that separate words beyond the Unicode classes, in the order the
// set has always been built from; the list ends with U+0000.
constexpr unichar kWordSeparatorMarks[] = {
    0x0020, 0x002C, 0x002E, 0x003B, 0x003A, 0x0027, 0x0022, 0x0021, 0x003F, 0x0028, 0x0029, 0x003D,
    0x002F, 0x005C, 0x002A, 0x002B, 0x002D, 0x005F, 0x0025, 0x2030, 0x0026, 0x007B, 0x007D, 0x005B,
    0x005D, 0x007C, 0x003C, 0x003E, 0x0023, 0x0040, 0x005E, 0x00B4, 0x0060, 0x2018, 0x2019, 0x201A,
    0x201C, 0x201D, 0x00A8, 0x201E, 0x00A7, 0x00AB, 0x00BB, 0x00A9, 0x00AE, 0x2039, 0x203A, 0x00B1,
    0x2014, 0x02C6, 0x2122, 0x00BD, 0x00BC, 0x00B9, 0x00B2, 0x00B3, 0x00B0, 0x00A6, 0x007E, 0xFFFD,
    0x00A4, 0x000C, 0x00A0, 0x000A, 0x000D, 0x2028, 0x2029, 0x0003, 0xFFFC, 0x0009, 0xFEFF, 0x2013,
    0x0000,
};

void copyInto(Bitmap& bits, const CharacterSet& set)
{
    const QByteArray bytes = set.bitmapRepresentation();
    std::copy_n(reinterpret_cast<const CharacterSetBitmap*>(bytes.constData()), kBitmapSize, bits.begin());
}

void addUnitRange(Bitmap& bits, unichar first, unichar last)
{
    for (unsigned c = first; c <= last; ++c)
        bitmapAdd(bits.data(), static_cast<unichar>(c));
}

// Merges the members of `set` among U+0000..U+FFFE (U+FFFF is not looked at).
void merge(Bitmap& bits, const CharacterSet& set)
{
    const QByteArray bytes = set.bitmapRepresentation();
    const auto* other = reinterpret_cast<const CharacterSetBitmap*>(bytes.constData());
    for (int i = 0; i < kBitmapSize - 1; ++i)
        bits[static_cast<size_t>(i)] |= other[i];
    // The last byte holds U+FFF8..U+FFFF: merge all but U+FFFF.
    bits[kBitmapSize - 1] |= static_cast<CharacterSetBitmap>(other[kBitmapSize - 1] & 0x7F);
}

Bitmap* buildWordSeparators()
{
    auto* bits = new Bitmap{};
    copyInto(*bits, CharacterSet::whitespaceAndNewlineCharacterSet());
    for (unichar c : kWordSeparatorMarks)
        bitmapAdd(bits->data(), c);
    addUnitRange(*bits, 0xD800, 0xDFFE);
    addUnitRange(*bits, 0xF400, 0xF8FE);
    merge(*bits, CharacterSet::punctuationCharacterSet());
    merge(*bits, CharacterSet::illegalCharacterSet());
    merge(*bits, CharacterSet::controlCharacterSet());
    merge(*bits, CharacterSet::symbolCharacterSet());
    return bits;
}

Bitmap* buildFromUnits(std::initializer_list<unichar> units)
{
    auto* bits = new Bitmap{};
    for (unichar c : units)
        bitmapAdd(bits->data(), c);
    return bits;
}

} // namespace

void initSeparators()
{
    (void)defaultWordSeparators();
    (void)defaultSentenceSeparators();
    (void)defaultLineSeparators();
}

CharacterSetBitmap* defaultWordSeparators()
{
    static Bitmap* const bits = buildWordSeparators();
    return bits->data();
}

const CharacterSetBitmap* defaultSentenceSeparators()
{
    static const Bitmap* const bits = buildFromUnits({u'!', u'.', u':', u'?'});
    return bits->data();
}

const CharacterSetBitmap* defaultLineSeparators()
{
    static const Bitmap* const bits =
        buildFromUnits({0x000D, 0x000A, 0x000C, 0x2029, 0x2028, 0x0003, 0xFFFC, 0x0085});
    return bits->data();
}

} // namespace sorvant
