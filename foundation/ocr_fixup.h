#pragma once
// Repair of numbers read by optical character recognition: letters that
// recognition confuses with digits become those digits (I and l => 1,
// O => 0, S => 5; nothing else, not o, B or Z), and spaces recognition puts
// around decimal separators ("," and ".") are dropped.

#include <QString>

namespace sorvant {

// How much of the text stringByFixingOCRIssues repairs.
enum class OCRFixScope {
    ShortCode,  // only a text of exactly 2 or 4 units, letters mapped, length kept
    WholeText,  // every letter of the map, and spaces at separators dropped
};

// The repaired text: the receiver itself when it is empty or, for a short
// code, when its length is neither 2 nor 4; otherwise a new string, even
// when nothing changed. With the whole text, a space is dropped after a
// separator, before a separator, and between a separator's digit and a
// last digit that ends the text or stands before white space.
//   ("2O19", ShortCode)       => "2019"     ("l5", ShortCode) => "15"
//   ("2O1", ShortCode)        => the receiver
//   ("3 , 5 0", WholeText)    => "3,50"     ("1 2", WholeText) => "1 2"
//   ("1,5 0", WholeText)      => "1,50"     ("1,5 a", WholeText) => "1,5 a"
//   ("SOS", WholeText)        => "505"      ("", either) => ""    null => null
[[nodiscard]] QString stringByFixingOCRIssues(const QString& string, OCRFixScope scope);

} // namespace sorvant
