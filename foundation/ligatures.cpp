#include "foundation/ligatures.h"

#include "foundation/chars_table.h"

#include <algorithm>

namespace sorvant {

namespace {

// The letters of a ligature, or nullptr for any other unit.
const char16_t* lettersOfLigature(unichar c)
{
    switch (c) {
    case 0xFB00:
        return u"ff";
    case 0xFB01:
        return u"fi";
    case 0xFB02:
        return u"fl";
    case 0xFB03:
        return u"ffi";
    case 0xFB04:
        return u"ffl";
    case 0xFB05:
        return u"ft";
    case 0xFB06:
        return u"st";
    case 0x0132:
        return u"IJ";
    case 0x0133:
        return u"ij";
    default:
        return nullptr;
    }
}

bool isLigature(QChar c)
{
    return lettersOfLigature(c.unicode()) != nullptr;
}

bool isUnfitForName(QChar c, bool replaceSurrogates)
{
    const unichar unit = c.unicode();
    return unit == 0x0000 || (unit >= 0xE000 && unit <= 0xF8FF) || (replaceSurrogates && c.isSurrogate());
}

} // namespace

void convertLigaturesToCharacters(QString& string)
{
    if (std::none_of(string.cbegin(), string.cend(), isLigature))
        return;
    QString result;
    result.reserve(string.size() + 16);
    for (QChar unit : std::as_const(string)) {
        if (const char16_t* letters = lettersOfLigature(unit.unicode()))
            result.append(QString::fromUtf16(letters));
        else
            result.append(unit);
    }
    string = result;
}

void fixAndNormalizeString(QString& string, bool replaceSurrogates)
{
    if (string.isEmpty())
        return;
    const auto unfit = [replaceSurrogates](QChar c) { return isUnfitForName(c, replaceSurrogates); };
    if (std::any_of(string.cbegin(), string.cend(), unfit))
        std::replace_if(string.begin(), string.end(), unfit, QChar(u' '));
    normalizeString(string);
}

void normalizeString(QString& string)
{
    normalizeString(string, unicode::NormalizationForm::NFC);
}

void normalizeString(QString& string, unicode::NormalizationForm form)
{
    if (string.isEmpty() || unicode::isNormalized(string, form))
        return;
    string = unicode::normalizedString(string, form);
}

void normalizeLowercaseString(QString& string)
{
    normalizeString(string);
    string = unicode::lowercaseString(string);
}

void normalizeUppercaseString(QString& string)
{
    normalizeString(string);
    string = unicode::uppercaseString(string);
}

} // namespace sorvant
