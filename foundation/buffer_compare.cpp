#include "foundation/buffer_compare.h"

#include "platform/string_compare.h"

#include <algorithm>
#include <string_view>

namespace sorvant {

namespace {

// An 8-bit operand's byte as the unit it stands for.
constexpr unichar unitOf(char c)
{
    return static_cast<unsigned char>(c);
}
constexpr unichar unitOf(unichar c)
{
    return c;
}

struct Exact
{
    unichar operator()(unichar c) const { return c; }
};

struct Folded
{
    const CharsTable* table;
    unichar operator()(unichar c) const { return table[c]; }
};

template <typename Needle, typename Fold>
const unichar* findWith(const unichar* haystack, std::size_t haystackLength, const Needle* needle,
                        std::size_t needleLength, Fold fold)
{
    // One unsigned test: an empty needle wraps around to the largest value.
    if (needleLength - 1 >= haystackLength)
        return nullptr;
    const unichar first = fold(unitOf(needle[0]));
    const std::size_t lastStart = haystackLength - needleLength;
    for (std::size_t start = 0; start <= lastStart; ++start) {
        if (fold(haystack[start]) != first)
            continue;
        std::size_t i = 1;
        while (i < needleLength && fold(haystack[start + i]) == fold(unitOf(needle[i])))
            ++i;
        if (i == needleLength)
            return haystack + start;
    }
    return nullptr;
}

template <typename First, typename Second, typename Fold>
std::int64_t compareWith(const First* first, std::size_t firstLength, const Second* second, std::size_t secondLength,
                         Fold fold)
{
    const std::size_t n = std::min(firstLength, secondLength);
    for (std::size_t i = 0; i < n; ++i) {
        const unichar a = fold(unitOf(first[i]));
        const unichar b = fold(unitOf(second[i]));
        if (a != b)
            return std::int64_t{a} - std::int64_t{b};
    }
    return static_cast<std::int64_t>(firstLength) - static_cast<std::int64_t>(secondLength);
}

Folded upper()
{
    return Folded{getUpperCharsTable()};
}

// The equality of range:isEqualTo: and its no-case form, through the
// platform's literal compare (code units, after case folding for the
// no-case form).
bool rangeEquals(const QString& string, Range range, const QString& other, unsigned options)
{
    if (other.size() != range.length)
        return false;
    if (range.length == 0)
        return true;
    if (!isRangeInside(range, string.size()))
        return false;
    return compareStrings(QStringView(string).mid(range.location, range.length), other, options | kCompareLiteral)
           == 0;
}

} // namespace

const unichar* findUnichars(const unichar* haystack, std::size_t haystackLength, const unichar* needle,
                            std::size_t needleLength)
{
    if (needleLength - 1 >= haystackLength)
        return nullptr;
    const std::u16string_view text(haystack, haystackLength);
    const std::size_t at = text.find(std::u16string_view(needle, needleLength));
    return at == std::u16string_view::npos ? nullptr : haystack + at;
}

const unichar* findUnicharsNoCase(const unichar* haystack, std::size_t haystackLength, const unichar* needle,
                                  std::size_t needleLength)
{
    return findWith(haystack, haystackLength, needle, needleLength, upper());
}

const unichar* findCharsInUnichars(const unichar* haystack, std::size_t haystackLength, const char* needle,
                                   std::size_t needleLength)
{
    return findWith(haystack, haystackLength, needle, needleLength, Exact{});
}

const unichar* findCharsInUnicharsNoCase(const unichar* haystack, std::size_t haystackLength, const char* needle,
                                         std::size_t needleLength)
{
    return findWith(haystack, haystackLength, needle, needleLength, upper());
}

std::int64_t compareUnichars(const unichar* first, std::size_t firstLength, const unichar* second,
                             std::size_t secondLength)
{
    return compareWith(first, firstLength, second, secondLength, Exact{});
}

std::int64_t compareUnicharsNoCase(const unichar* first, std::size_t firstLength, const unichar* second,
                                   std::size_t secondLength)
{
    return compareWith(first, firstLength, second, secondLength, upper());
}

std::int64_t compareUnicharsWithTable(const unichar* first, std::size_t firstLength, const unichar* second,
                                      std::size_t secondLength, const CharsTable* table)
{
    if (!table)
        return compareWith(first, firstLength, second, secondLength, Exact{});
    return compareWith(first, firstLength, second, secondLength, Folded{table});
}

std::int64_t compareUnicharsWithChars(const unichar* first, std::size_t firstLength, const char* second,
                                      std::size_t secondLength)
{
    return compareWith(first, firstLength, second, secondLength, Exact{});
}

std::int64_t compareUnicharsWithCharsNoCase(const unichar* first, std::size_t firstLength, const char* second,
                                            std::size_t secondLength)
{
    return compareWith(first, firstLength, second, secondLength, upper());
}

std::int64_t compareChars(const char* first, std::size_t firstLength, const char* second, std::size_t secondLength)
{
    return compareWith(first, firstLength, second, secondLength, Exact{});
}

std::int64_t compareCharsNoCase(const char* first, std::size_t firstLength, const char* second,
                                std::size_t secondLength)
{
    return compareWith(first, firstLength, second, secondLength, upper());
}

std::int64_t compareCharacters(const unichar* first, std::size_t firstLength, const unichar* second,
                               std::size_t secondLength)
{
    return compareUnichars(first, firstLength, second, secondLength);
}

std::int64_t caseInsensitiveCompareCharacters(const unichar* first, std::size_t firstLength, const unichar* second,
                                              std::size_t secondLength)
{
    return compareUnicharsNoCase(first, firstLength, second, secondLength);
}

std::int64_t compareCharacters(const unichar* first, std::size_t firstLength, const char* second,
                               std::size_t secondLength)
{
    return compareUnicharsWithChars(first, firstLength, second, secondLength);
}

std::int64_t caseInsensitiveCompareCharacters(const unichar* first, std::size_t firstLength, const char* second,
                                              std::size_t secondLength)
{
    return compareUnicharsWithCharsNoCase(first, firstLength, second, secondLength);
}

const unichar* positionOfCharacters(const char* needle, std::size_t needleLength, const unichar* haystack,
                                    std::size_t haystackLength, bool caseSensitive)
{
    return caseSensitive ? findCharsInUnichars(haystack, haystackLength, needle, needleLength)
                         : findCharsInUnicharsNoCase(haystack, haystackLength, needle, needleLength);
}

bool onlyWhiteCharacters(const unichar* characters, std::size_t length)
{
    const CharacterSetBitmap* white = getWhiteSpacesBitmap();
    return std::all_of(characters, characters + length, [white](unichar c) { return bitmapContains(white, c); });
}

bool rangeIsEqualTo(const QString& string, Range range, const QString& other)
{
    return rangeEquals(string, range, other, 0);
}

bool rangeIsEqualToNoCase(const QString& string, Range range, const QString& other)
{
    return rangeEquals(string, range, other, kCompareCaseInsensitive);
}

bool rangeIsNonUmlautedEqualToNoCase(const QString& string, Range range, const QString& other)
{
    if (other.isNull() || other.size() != range.length)
        return false;
    if (range.length == 0)
        return true;
    if (!isRangeInside(range, string.size()))
        return false;
    const auto* units = reinterpret_cast<const unichar*>(string.constData()) + range.location;
    return compareWith(units, static_cast<std::size_t>(range.length),
                       reinterpret_cast<const unichar*>(other.constData()), static_cast<std::size_t>(other.size()),
                       Folded{getUpperUmlautsCharsTable()})
           == 0;
}

} // namespace sorvant
