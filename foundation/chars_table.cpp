#include "foundation/chars_table.h"

#include "platform/character_set.h"
#include "platform/unicode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace sorvant {

namespace {

using Table = std::array<unichar, kCharsTableSize>;
using Bitmap = std::array<CharacterSetBitmap, kBitmapSize>;

// Builds a case or diacritic table: only members of `source` for which
// `mayChange` holds change, and only when `transform` gives exactly one unit.
template <typename Transform, typename MayChange>
const Table* buildTable(const CharacterSet& source, Transform transform, MayChange mayChange)
{
    auto* table = new Table; // never freed: lives as long as the process
    const QByteArray members = source.bitmapRepresentation();
    const auto* memberBits = reinterpret_cast<const CharacterSetBitmap*>(members.constData());
    for (int c = 0; c < kCharsTableSize; ++c) {
        const auto unit = static_cast<unichar>(c);
        (*table)[c] = unit;
        if (!bitmapContains(memberBits, unit) || !mayChange(unit))
            continue;
        const QString folded = transform(QString(QChar(unit)));
        if (folded.size() == 1)
            (*table)[c] = folded.at(0).unicode();
    }
    return table;
}

constexpr bool anyUnit(unichar) { return true; }

// Folding diacritics decomposes, drops non-spacing marks and composes again.
// A unit without a canonical decomposition comes back as it is (or empty,
// for a mark, which leaves the table's entry alone), and so does a Hangul
// syllable, whose jamo are letters that compose back into it: only the
// rest (a few thousand units of the 48,000 letters) needs the folding.
bool mayFoldDiacritics(unichar unit)
{
    constexpr unichar kFirstHangulSyllable = 0xAC00;
    constexpr unichar kLastHangulSyllable = 0xD7A3;
    if (unit >= kFirstHangulSyllable && unit <= kLastHangulSyllable)
        return false;
    return unicode::hasCanonicalDecomposition(unit);
}

const Table* buildComposite(const Table& caseTable, const Table& umlauts)
{
    auto* table = new Table;
    for (int c = 0; c < kCharsTableSize; ++c)
        (*table)[c] = caseTable[umlauts[c]];
    return table;
}

const Table& lowerTable()
{
    static const Table* const table =
        buildTable(CharacterSet::uppercaseLetterCharacterSet(), unicode::lowercaseString, anyUnit);
    return *table;
}

const Table& upperTable()
{
    static const Table* const table =
        buildTable(CharacterSet::lowercaseLetterCharacterSet(), unicode::uppercaseString, anyUnit);
    return *table;
}

const Table& umlautsTable()
{
    static const Table* const table =
        buildTable(CharacterSet::letterCharacterSet(), unicode::foldDiacritics, mayFoldDiacritics);
    return *table;
}

// A class bitmap: the predefined set's units (made without building the
// set) and `extra`.
// `end`: the set below it alone (the extras too).
const Bitmap* buildBitmap(PredefinedSet set, std::initializer_list<unichar> extra, char32_t end = 0x10000)
{
    auto* bits = new Bitmap{};
    const QByteArray bytes = predefinedSetBitmap(set, end);
    // Never more than the bytes given: a short or empty array leaves the
    // rest of the bitmap empty.
    const auto given = std::min(size_t(bytes.size()), sizeof(Bitmap));
    std::memcpy(bits->data(), bytes.constData(), given);
    for (unichar c : extra) {
        if (c < end)
            bitmapAdd(bits->data(), c);
    }
    return bits;
}

// The extras of the white spaces.
constexpr std::initializer_list<unichar> kWhiteSpaceExtras{0x0000, 0x0003, 0xFEFF, 0xFFFC};

} // namespace

const CharsTable* getLowerCharsTable()
{
    return lowerTable().data();
}

const CharsTable* getUpperCharsTable()
{
    return upperTable().data();
}

const CharsTable* getUmlautsCharsTable()
{
    return umlautsTable().data();
}

const CharsTable* getUpperUmlautsCharsTable()
{
    static const Table* const table = buildComposite(upperTable(), umlautsTable());
    return table->data();
}

const CharsTable* getLowerUmlautsCharsTable()
{
    static const Table* const table = buildComposite(lowerTable(), umlautsTable());
    return table->data();
}

const CharsTable* charsTableForComparison(unsigned comparison)
{
    switch (comparison & 3u) {
    case 1:
        return getUpperCharsTable();
    case 2:
        return getUmlautsCharsTable();
    case 3:
        return getUpperUmlautsCharsTable();
    default:
        return nullptr;
    }
}

unichar lowercaseCharacter(unichar c)
{
    return getLowerCharsTable()[c];
}

unichar uppercaseCharacter(unichar c)
{
    return getUpperCharsTable()[c];
}

unichar nonUmlautedCharacter(unichar c)
{
    return getUmlautsCharsTable()[c];
}

unichar nonUmlautedAsciiCharacter(unichar c)
{
    const unichar folded = getUmlautsCharsTable()[c];
    return folded < 128 ? folded : u' ';
}

unichar upperNonUmlautedCharacter(unichar c)
{
    return getUpperUmlautsCharsTable()[c];
}

unichar lowerNonUmlautedCharacter(unichar c)
{
    return getLowerUmlautsCharsTable()[c];
}

const CharacterSetBitmap* getSpacesBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::Whitespace, {0x0000});
    return bits->data();
}

const CharacterSetBitmap* getWhiteSpacesBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::WhitespaceAndNewline, kWhiteSpaceExtras);
    return bits->data();
}

const CharacterSetBitmap* getAsciiWhiteSpacesBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::WhitespaceAndNewline, kWhiteSpaceExtras, 0x80);
    return bits->data();
}

const CharacterSetBitmap* getLettersBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::Letters, {});
    return bits->data();
}

const CharacterSetBitmap* getAlphaNumBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::Alphanumerics, {});
    return bits->data();
}

const CharacterSetBitmap* getDigitsBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::DecimalDigits, {});
    return bits->data();
}

const CharacterSetBitmap* getLowercaseLettersBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::LowercaseLetters, {});
    return bits->data();
}

const CharacterSetBitmap* getUppercaseLettersBitmap()
{
    static const Bitmap* const bits = buildBitmap(PredefinedSet::UppercaseLetters, {});
    return bits->data();
}

const CharacterSetBitmap* getEmptyBitmap()
{
    static const Bitmap* const bits = new Bitmap{};
    return bits->data();
}

QByteArray bitmap(const CharacterSet& set)
{
    return set.bitmapRepresentation();
}

QString string(const CharacterSet& set)
{
    const QByteArray bytes = set.bitmapRepresentation();
    const auto* bits = reinterpret_cast<const CharacterSetBitmap*>(bytes.constData());
    QString members(QLatin1String(""));
    for (int c = 0; c < 0xFFFF; ++c) {
        if (bitmapContains(bits, static_cast<unichar>(c)))
            members.append(QChar(static_cast<unichar>(c)));
    }
    return members;
}

} // namespace sorvant
