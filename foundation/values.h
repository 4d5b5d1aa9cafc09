#pragma once
// The value layer over QVariant: how a value of any kind reads as a Boolean,
// an integer of a given C type or a floating-point number.
//
// A QVariant stands for an object of the system: an invalid QVariant is nil
// (missing), `nullValue()` is the null marker (present, but standing for
// nothing), and a number keeps the exact C type it was made with (int, uint,
// qint64, quint64, float, double, bool…).
//
// These readings replace QVariant's own conversions everywhere, which read
// differently: QVariant("no").toBool() is true, QString("42abc").toInt() is 0.
//   strings  skip leading white space, take an optional sign and decimal
//            digits and ignore the rest; out-of-range values saturate
//   numbers  convert as C converts between the types; a floating-point value
//            read as an integer is truncated toward zero and saturates
//   nil      answers 0 (NO, 0.0)
//   other    (lists, maps, data, dates, the null marker; strings asked for an
//            unsigned reading) log "-[<type> <selector>]: Unrecognized
//            selector." and answer 0
//
// String readings:
//   intValue("42abc") => 42      intValue("  -7")  => -7
//   intValue("x1")    => 0       intValue("9999999999") => INT_MAX
//   doubleValue("1.5e3kg") => 1500    doubleValue({}) => 0
//   boolValue("yes") => YES      boolValue("no") => NO    boolValue("2") => YES

#include <QString>
#include <QVariant>

namespace sorvant {

// --- kinds of values -----------------------------------------------------

// The null marker: a present value that stands for nothing.
//   isNullValue(nullValue()) => true; nullValue().isValid() => true
[[nodiscard]] QVariant nullValue();
// YES for the null marker; NO for nil and every other value.
[[nodiscard]] bool isNullValue(const QVariant& value);
// YES for a bool or any integral or floating-point C type.
[[nodiscard]] bool isNumberValue(const QVariant& value);
// YES for a string (a null QString stored in a QVariant counts as one).
[[nodiscard]] bool isStringValue(const QVariant& value);

// --- string readings -----------------------------------------------------

// The one string-to-Boolean rule of the code base: YES when integerValue is
// not 0, or when the whole string is "on", "yes" or "true" ignoring case.
//   "YES", "True", "on", "1", "42", " 7x" => YES
//   "", {}, "0", "no", "off", "y", "yes ", ".yes", "truer" => NO
[[nodiscard]] bool boolValue(const QString& string);
// Saturating to the 32-bit range: "2147483648" => 2147483647.
[[nodiscard]] int intValue(const QString& string);
// NSInteger (64-bit); saturating: "-99999999999999999999" => INT64_MIN.
[[nodiscard]] qint64 integerValue(const QString& string);
[[nodiscard]] qint64 longLongValue(const QString& string);
// Decimal text with an optional fraction and exponent ("-.5e-2" => -0.005);
// "inf", "nan" and hexadecimal read 0; overflow gives ±HUGE_VAL.
[[nodiscard]] double doubleValue(const QString& string);
[[nodiscard]] float floatValue(const QString& string);

// --- value readings ------------------------------------------------------

[[nodiscard]] bool boolValue(const QVariant& value);
[[nodiscard]] int intValue(const QVariant& value);
[[nodiscard]] qint64 integerValue(const QVariant& value);
[[nodiscard]] qint64 longLongValue(const QVariant& value);
[[nodiscard]] unsigned int unsignedIntValue(const QVariant& value);
[[nodiscard]] quint64 unsignedIntegerValue(const QVariant& value);
[[nodiscard]] quint64 unsignedLongValue(const QVariant& value);
[[nodiscard]] quint64 unsignedLongLongValue(const QVariant& value);
[[nodiscard]] float floatValue(const QVariant& value);
[[nodiscard]] double doubleValue(const QVariant& value);

// The text of a string or a number; a null string for nil and for any other
// value (which logs, as above).
//   stringValue(QString("a")) => "a"    stringValue(42)   => "42"
//   stringValue(true)         => "1"    stringValue(0.1)  => "0.1"
//   stringValue(QVariant())   => {}
[[nodiscard]] QString stringValue(const QVariant& value);

} // namespace sorvant
