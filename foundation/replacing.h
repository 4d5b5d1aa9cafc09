#pragma once
// Copies of a string with one unit or one substring replaced everywhere, the
// letter rotations, and `string`, so that a plain string answers what a rich
// text answers. Copies with units removed are in removing_characters.h.
//
// A null string gives a null string everywhere; "the receiver" means the
// argument itself is returned (shared, no copy) when nothing changes.

#include "foundation/chars_table.h"

#include <QString>

#include <cstddef>

namespace sorvant {

// --- replacing -------------------------------------------------------------

// Every `from` replaced by `to`, case-sensitively, or, with caseSensitive
// false, every unit whose upper CharsTable entry equals that of `from`. The
// receiver when no unit is replaced or `from` equals `to`.
//   ("a-b-c", '-', '+')         => "a+b+c"     ("abc", '-', '+') => the receiver
//   ("Aa", 'a', 'x', false)     => "xx"        ("Aa", 'a', 'x', true) => "Ax"
[[nodiscard]] QString stringByReplacingCharacter(const QString& string, unichar from, unichar to);
[[nodiscard]] QString stringByReplacingCharacter(const QString& string, unichar from, unichar to,
                                                 bool caseSensitive);

// Every occurrence of `target` replaced by `replacement`, literally or, with
// caseSensitive false, under full Unicode case folding (each match replaced
// where it lies in the receiver, whatever its length). The receiver when the
// replacement is null or the receiver does not contain the target: an empty
// or null target, or one longer than the receiver, is contained nowhere.
//   ("a.b.c", ".", "/")              => "a/b/c"
//   ("abc", "x", "y")                => the receiver
//   ("abc", "b", QString())          => the receiver
//   ("Straße 1", "STRASSE", "St.", false) => "St. 1"
[[nodiscard]] QString stringByReplacingString(const QString& string, const QString& target,
                                              const QString& replacement);
[[nodiscard]] QString stringByReplacingString(const QString& string, const QString& target,
                                              const QString& replacement, bool caseSensitive);

// --- rotation --------------------------------------------------------------

// ROT13 of the ASCII letters; every other unit stays. A new string; the
// receiver when empty.
//   "Hello, é!" => "Uryyb, é!"    "" => ""    null => null
[[nodiscard]] QString stringByRotating13(const QString& string);

// Every ASCII letter moved `amount` mod 26 places forward in the alphabet of
// its case. A new string; the receiver when empty or for a multiple of 26.
//   ("Zz", 1) => "Aa"    ("ab", 27) => "bc"    ("ab", 52) => the receiver
[[nodiscard]] QString stringByRotating(const QString& string, std::size_t amount);

// --- rich-text compatibility -------------------------------------------------

// The receiver itself (shared, no copy): the plain text of a plain string.
[[nodiscard]] inline QString string(const QString& text)
{
    return text;
}

} // namespace sorvant
