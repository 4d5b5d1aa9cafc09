#pragma once
// Capitalization of words from ICU's full case mappings: the first character
// of every word in title case, the rest in lower case. A word is a run of
// characters between white space and line ends (general category Z*, U+0009
// to U+000D and U+0085); punctuation does not end a word.
//   capitalizedString("hello wORLD")  => "Hello World"
//   capitalizedString("don't-stop")   => "Don't-stop"
//   capitalizedString("ßa")           => "Ssa"
//   capitalizedString("")             => ""      capitalizedString({}) => null

#include <QString>

namespace sorvant::unicode {

[[nodiscard]] QString capitalizedString(const QString& string);

} // namespace sorvant::unicode
