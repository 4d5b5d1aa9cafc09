#pragma once
// Derived forms of a string: Unicode-normalized copies, copies without
// diacritics (optionally also lower- or upper-cased) through the CharsTables
// of chars_table.h, compact copies that own their units, and the first and
// last unit. Reflowing of hard-wrapped text is in reflowing.h; the in-place
// normalizing edits these copies run on a copy are in ligatures.h.
//
// Null in, null out, for every function that answers a string.

#include "foundation/chars_table.h"
#include "platform/unicode.h"

#include <QString>
#include <QStringView>

#include <memory>

namespace sorvant {

// --- normalized copies -----------------------------------------------------
// Each answers the receiver itself when it is empty.

// The string in normalization form C:   ("e\u0301") => "é"   ("") => ""
[[nodiscard]] QString normalizedString(const QString& string);
// Form C, then lower-cased (full mapping, no locale):   ("E\u0301") => "é"
[[nodiscard]] QString normalizedLowercaseString(const QString& string);
// Form C, then upper-cased (full mapping, no locale):   ("stra\u00DFe") => "STRASSE"
[[nodiscard]] QString normalizedUppercaseString(const QString& string);
// The string in the given form; the platform's normalization itself, so that
// one function answers whichever namespace the call is made from:
//   ("é", NFD) => "e\u0301"   (null, f) => null
using unicode::normalizedString;
// U+0000 and private-use units (and, when `replaceSurrogates`, surrogate
// units) replaced by spaces, then form C:   ("a\0b", false) => "a b"
[[nodiscard]] QString fixedAndNormalizedString(const QString& string, bool replaceSurrogates);

// --- diacritic-free copies -------------------------------------------------
// Every unit mapped through the umlauts, lowerUmlauts or upperUmlauts table;
// the receiver itself when it is empty or no unit changes. Units are mapped
// one by one, so a combining mark that follows its letter stays:
//   nonUmlautedString("Müller")          => "Muller"
//   nonUmlautedString("Muller")          => the receiver itself
//   uppercaseNonUmlautedString("café")   => "CAFE"
//   lowercaseNonUmlautedString("CAFÉ")   => "cafe"
//   nonUmlautedString("e\u0301")         => "e\u0301"
[[nodiscard]] QString nonUmlautedString(const QString& string);
[[nodiscard]] QString lowercaseNonUmlautedString(const QString& string);
[[nodiscard]] QString uppercaseNonUmlautedString(const QString& string);

// As above, after normalizing to form C, so that decomposed letters lose
// their marks too; always a new string:
//   nonUmlautedNormalizedString("e\u0301")        => "e"
//   uppercaseNonUmlautedNormalizedString("u\u0308ber") => "UBER"
//   nonUmlautedNormalizedString("")               => ""
[[nodiscard]] QString nonUmlautedNormalizedString(const QString& string);
[[nodiscard]] QString lowercaseNonUmlautedNormalizedString(const QString& string);
[[nodiscard]] QString uppercaseNonUmlautedNormalizedString(const QString& string);

// The units of the string in form C, in a new buffer the caller owns;
// answers their number (0, with no buffer, for a null or empty string).
//   ("e\u0301", units) => 1, units = {U+00E9}
[[nodiscard]] qsizetype copyNormalizedUnichars(const QString& string, std::unique_ptr<unichar[]>& units);

// --- compact copies --------------------------------------------------------

// A copy that owns a fresh buffer of the string's units, so that a string
// over borrowed data (QString::fromRawData) stops depending on it; the
// receiver itself when it is empty.
[[nodiscard]] QString optimizedString(const QString& string);
// The same, meant to be edited: Qt strings are values, so it is the same
// fresh copy (a copy of the receiver when it is empty).
[[nodiscard]] QString optimizedMutableString(const QString& string);

// --- units -----------------------------------------------------------------

// The first or last UTF-16 unit:   ("abc") => 'a' / 'c'   ("") => 0
[[nodiscard]] unichar firstCharacter(QStringView string);
[[nodiscard]] unichar lastCharacter(QStringView string);

} // namespace sorvant
