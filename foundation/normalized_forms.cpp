#include "foundation/normalized_forms.h"

#include "foundation/ligatures.h"
#include "platform/unicode.h"

#include <algorithm>

namespace sorvant {

namespace {

using unicode::NormalizationForm;

// Runs an in-place edit on a copy of a non-empty string.
template <typename Edit>
QString editedCopy(const QString& string, Edit edit)
{
    if (string.isEmpty())
        return string;
    QString copy = string;
    edit(copy);
    return copy;
}

// The string with every unit replaced by its table entry; the receiver
// itself when no unit changes, so nothing is allocated in the common case.
QString mappedThrough(const QString& string, const CharsTable* table)
{
    const auto* units = QStringView(string).utf16();
    const auto* end = units + string.size();
    const auto* first = std::find_if(units, end, [table](unichar c) { return table[c] != c; });
    if (first == end)
        return string;
    QString mapped = string;
    auto* out = reinterpret_cast<unichar*>(mapped.data());
    for (qsizetype i = first - units; i < mapped.size(); ++i)
        out[i] = table[out[i]];
    return mapped;
}

// Form C, then every unit through the table; always a new string.
QString normalizedAndMapped(const QString& string, const CharsTable* table)
{
    if (string.isNull())
        return string;
    QString normalized = unicode::normalizedString(string, NormalizationForm::NFC);
    auto* units = reinterpret_cast<unichar*>(normalized.data());
    std::transform(units, units + normalized.size(), units, [table](unichar c) { return table[c]; });
    return normalized;
}

} // namespace

QString normalizedString(const QString& string)
{
    return editedCopy(string, [](QString& copy) { normalizeString(copy); });
}

QString normalizedLowercaseString(const QString& string)
{
    return editedCopy(string, [](QString& copy) { normalizeLowercaseString(copy); });
}

QString normalizedUppercaseString(const QString& string)
{
    return editedCopy(string, [](QString& copy) { normalizeUppercaseString(copy); });
}

QString fixedAndNormalizedString(const QString& string, bool replaceSurrogates)
{
    return editedCopy(string, [replaceSurrogates](QString& copy) { fixAndNormalizeString(copy, replaceSurrogates); });
}

QString nonUmlautedString(const QString& string)
{
    return mappedThrough(string, getUmlautsCharsTable());
}

QString lowercaseNonUmlautedString(const QString& string)
{
    return mappedThrough(string, getLowerUmlautsCharsTable());
}

QString uppercaseNonUmlautedString(const QString& string)
{
    return mappedThrough(string, getUpperUmlautsCharsTable());
}

QString nonUmlautedNormalizedString(const QString& string)
{
    return normalizedAndMapped(string, getUmlautsCharsTable());
}

QString lowercaseNonUmlautedNormalizedString(const QString& string)
{
    return normalizedAndMapped(string, getLowerUmlautsCharsTable());
}

QString uppercaseNonUmlautedNormalizedString(const QString& string)
{
    return normalizedAndMapped(string, getUpperUmlautsCharsTable());
}

qsizetype copyNormalizedUnichars(const QString& string, std::unique_ptr<unichar[]>& units)
{
    units.reset();
    if (string.isEmpty())
        return 0;
    const QString normalized = unicode::normalizedString(string, NormalizationForm::NFC);
    units = std::make_unique_for_overwrite<unichar[]>(static_cast<std::size_t>(normalized.size()));
    std::copy_n(QStringView(normalized).utf16(), normalized.size(), units.get());
    return normalized.size();
}

QString optimizedString(const QString& string)
{
    if (string.isEmpty())
        return string;
    return QString(string.constData(), string.size());
}

QString optimizedMutableString(const QString& string)
{
    return optimizedString(string);
}

unichar firstCharacter(QStringView string)
{
    return string.isEmpty() ? unichar(0) : string.front().unicode();
}

unichar lastCharacter(QStringView string)
{
    return string.isEmpty() ? unichar(0) : string.back().unicode();
}

} // namespace sorvant
