#include "platform/unicode.h"

#include "platform/icu_support.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <vector>

namespace sorvant::unicode {

using detail::icuLength;
using detail::icuUnits;

namespace {

// Runs an ICU "preflight then fill" string transformation. nil stays nil,
// "" stays "", and a failed transformation leaves the text as it was.
template <typename Transform>
QString transformed(const QString& string, Transform transform)
{
    if (string.isEmpty())
        return string.isNull() ? QString() : QString(QLatin1String(""));
    QString result = detail::readIcuString<UErrorCode>(transform);
    return result.isNull() ? string : result;
}

const UNormalizer2* normalizer(NormalizationForm form)
{
    UErrorCode status = U_ZERO_ERROR;
    switch (form) {
    case NormalizationForm::NFC:
        return unorm2_getNFCInstance(&status);
    case NormalizationForm::NFD:
        return unorm2_getNFDInstance(&status);
    case NormalizationForm::NFKC:
        return unorm2_getNFKCInstance(&status);
    case NormalizationForm::NFKD:
        return unorm2_getNFKDInstance(&status);
    }
    return nullptr;
}

} // namespace

QString lowercaseString(const QString& string)
{
    const auto length = icuLength(string);
    return transformed(string, [&](UChar* out, int32_t capacity, UErrorCode* status) {
        return u_strToLower(out, capacity, icuUnits(string), length, "", status);
    });
}

QString uppercaseString(const QString& string)
{
    const auto length = icuLength(string);
    return transformed(string, [&](UChar* out, int32_t capacity, UErrorCode* status) {
        return u_strToUpper(out, capacity, icuUnits(string), length, "", status);
    });
}

QString caseFoldedString(const QString& string)
{
    const auto length = icuLength(string);
    return transformed(string, [&](UChar* out, int32_t capacity, UErrorCode* status) {
        return u_strFoldCase(out, capacity, icuUnits(string), length, U_FOLD_CASE_DEFAULT, status);
    });
}

QString normalizedString(const QString& string, NormalizationForm form)
{
    // ASCII is the same in every form: a search of an ASCII phrase loads no
    // normalization data.
    if (std::all_of(string.cbegin(), string.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return string;
    const UNormalizer2* norm = normalizer(form);
    if (!norm)
        return string;
    const auto length = icuLength(string);
    return transformed(string, [&](UChar* out, int32_t capacity, UErrorCode* status) {
        return unorm2_normalize(norm, icuUnits(string), length, out, capacity, status);
    });
}

bool isNormalized(const QString& string, NormalizationForm form)
{
    const UNormalizer2* norm = normalizer(form);
    if (!norm || string.isEmpty())
        return true;
    UErrorCode status = U_ZERO_ERROR;
    const bool normalized = unorm2_isNormalized(norm, icuUnits(string), icuLength(string), &status);
    return U_SUCCESS(status) && normalized;
}

qsizetype characterBoundary(const QString& string, qsizetype index, bool after)
{
    index = std::clamp<qsizetype>(index, 0, string.size());
    if (index == 0 || index == string.size())
        return index;
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* characters = ubrk_open(UBRK_CHARACTER, "", icuUnits(string), icuLength(string), &status);
    if (U_FAILURE(status))
        return index;
    // Off a boundary, isBoundary leaves the iterator on the next one, so the
    // one before is a step back (preceding() would first move an index
    // inside a surrogate pair to the pair's start).
    qsizetype found = index;
    if (!ubrk_isBoundary(characters, int32_t(index)))
        found = after ? ubrk_current(characters) : ubrk_previous(characters);
    ubrk_close(characters);
    return found == UBRK_DONE ? (after ? string.size() : 0) : found;
}

QString foldDiacritics(const QString& string)
{
    if (string.isEmpty())
        return string;
    const QString decomposed = normalizedString(string, NormalizationForm::NFD);
    QString stripped;
    stripped.reserve(decomposed.size());
    const auto* units = icuUnits(decomposed);
    const auto length = icuLength(decomposed);
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c = 0;
        U16_NEXT(units, i, length, c);
        if (u_charType(c) != U_NON_SPACING_MARK)
            stripped.append(QStringView(decomposed).mid(start, i - start));
    }
    if (stripped.isEmpty())
        return QString(QLatin1String(""));
    return normalizedString(stripped, NormalizationForm::NFC);
}

bool isNonspacingMark(char32_t c)
{
    return u_charType(static_cast<UChar32>(c)) == U_NON_SPACING_MARK;
}

bool hasCanonicalDecomposition(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    UChar buffer[32];
    const int32_t length = unorm2_getRawDecomposition(normalizer(NormalizationForm::NFD),
                                                      static_cast<UChar32>(c), buffer, 32, &status);
    // A mapping longer than the buffer still is one.
    return length > 0 || status == U_BUFFER_OVERFLOW_ERROR;
}

bool isLetter(char32_t c)
{
    const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
    return (mask & (U_GC_L_MASK | U_GC_M_MASK)) != 0;
}

bool isAlphanumeric(char32_t c)
{
    const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
    return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

} // namespace sorvant::unicode
