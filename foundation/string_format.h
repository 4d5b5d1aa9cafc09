#pragma once
// The printf-style formatter of every message that holds a format, with the
// conversions of Objective-C's string formatting: "%@" describes any value,
// the C conversions follow C's rules for flags, width and precision.
//
// Conversions:
//   %@            any value: a QString as it is, numbers, lists, maps and
//                 dates described (see describeFormatArgument)
//   %d %i         signed integer      %u %o %x %X   unsigned integer
//   %f %F %e %E %g %G %a %A            floating point
//   %c            one character from a number (0..255) or a string's first unit
//   %C            one UTF-16 unit from a number or a string's first unit
//   %s %S         a string (QString as it is, QByteArray read as UTF-8)
//   %%            a percent sign
// Flags "-+ #0'", a width and a precision apply to every conversion; either
// may be "*" (or "*n$") to take it from the arguments. Length modifiers
// hh h l ll q j z t L choose the integer width as on a 64-bit system: none is
// 32 bits, l/ll/q/j/z/t are 64. "%n$" takes argument n (1-based).
//
// The formatter is total: a missing argument prints as "(null)" for %@ %s %S
// and as 0 for numbers; an unknown conversion is copied as it stands.
//   stringWithFormat({}, {})                 => null
//   stringWithFormat("", {})                 => ""
//   formatString("%d found", 3)              => "3 found"
//   formatString("%2$@ %1$@", "a", "b")      => "b a"
//   formatString("%@", QVariant())           => "(null)"
//   formatString("%-4s|%04.1f", "ab", 2.25)  => "ab  |02.2"

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace sorvant {

// Fills `format` with `arguments`.
[[nodiscard]] QString stringWithFormat(const QString& format, const QVariantList& arguments);

// The text "%@" gives for a value:
//   invalid QVariant, null QString, nullptr  => "(null)"
//   QString "a b"                            => "a b"
//   bool true                                => "1"
//   double 0.1                               => "0.1"
//   QByteArray "abcde"                       => "<61626364 65>"
//   QVariantList {"a", 2}                    => "(\n    a,\n    2\n)"
//   QVariantMap {k: "v w"}                   => "{\n    k = \"v w\";\n}"
//   QDateTime 2001-01-01T00:00Z              => "2001-01-01 00:00:00 +0000"
[[nodiscard]] QString describeFormatArgument(const QVariant& value);

namespace detail {

// One argument of formatString as the QVariant stringWithFormat reads.
template <typename T>
QVariant formatArgument(const T& value)
{
    using Plain = std::remove_cv_t<T>;
    if constexpr (std::is_same_v<Plain, QVariant>)
        return value;
    else if constexpr (std::is_same_v<Plain, std::nullptr_t>)
        return QVariant();
    else if constexpr (std::is_array_v<Plain> || std::is_same_v<Plain, const char*> || std::is_same_v<Plain, char*>)
        return QVariant(QString::fromUtf8(value));
    else if constexpr (std::is_same_v<Plain, std::string> || std::is_same_v<Plain, std::string_view>)
        return QVariant(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    else if constexpr (std::is_same_v<Plain, std::u16string> || std::is_same_v<Plain, std::u16string_view>)
        return QVariant(QString::fromUtf16(value.data(), static_cast<qsizetype>(value.size())));
    else if constexpr (std::is_same_v<Plain, char16_t>)
        return QVariant::fromValue(QChar(value));
    else if constexpr (std::is_same_v<Plain, QStringView> || std::is_same_v<Plain, QLatin1String>)
        return QVariant(value.toString());
    else if constexpr (std::is_enum_v<Plain>)
        return QVariant(static_cast<qlonglong>(static_cast<std::underlying_type_t<Plain>>(value)));
    else
        return QVariant::fromValue(value);
}

} // namespace detail

// stringWithFormat with the arguments packed into a QVariantList; C and std
// strings are read as UTF-8, char16_t is one unit, nullptr is nil.
template <typename... Args>
[[nodiscard]] QString formatString(const QString& format, const Args&... args)
{
    return stringWithFormat(format, QVariantList{detail::formatArgument(args)...});
}

} // namespace sorvant
