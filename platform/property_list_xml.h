#pragma once
// The XML form of property lists, read and written here in time linear in
// the text (the reader is not recursive; references cost what they span).
// Values are those of property_list.h; the bounds of
// property_list_bounds.h are checked by the caller before reading.
//
// The reader takes what writers of property lists produce, and the slack
// the format has always been read with:
//   - the <plist> element may be missing, and anything after the first
//     value is not read (an unclosed </plist>, trailing text);
//   - the five named references and character references, CDATA sections
//     and comments inside text; a DOCTYPE, comments and processing
//     instructions between elements; attributes are ignored;
//   - text is kept as written: line ends, control characters (other than
//     NUL) and a leading U+FEFF stay, since the writer writes them so (only
//     a byte-order mark before the document is not text);
//   - a <key> outside a dictionary is a string, a dictionary's last key
//     without a value is dropped, a repeated key keeps its last value;
//   - <integer> is decimal or "0x" hexadecimal after optional blanks and a
//     sign, up to the first other character (none: 0), saturating;
//     <real> likewise with "nan", "inf", "+infinity", "-infinity"; <data>
//     is base64 with blanks, empty when it does not decode; <true> and
//     <false> ignore their text.
// What fails: an unknown element, text or a value out of place in a
// container, a misnamed or missing end tag, an element or processing
// instruction inside text, a reference that is not one of those above or
// names no character (NUL, a surrogate, past U+10FFFF), a date that is not
// "YYYY-MM-DDTHH:MM:SS" (anything after the seconds is ignored: the value
// is whole seconds in UTC; the year may have up to seven digits and a
// sign, year 0 being the year before 1, so that a date outside the years
// 1 to 9999 reads as it does in a binary list), and no value at all.

#include "platform/property_list_bounds.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class QDateTime;

namespace sorvant {

class PropertyListOmissions;

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
inline constexpr qint64 kPropertyListReferenceDate = 978307200;

// The second, counted from 1970 in UTC, that the XML form of `date` holds:
// the fraction dropped toward the reference date. Nothing when the date is
// invalid or that second lies outside the years 1 to 9999, the range of the
// four-digit year the form has and its reader reads.
//   2100-01-01T00:00:00.9Z => 4102444800     1900-01-01T00:00:00.5Z => -2208988799
//   10000-01-01T00:00:00Z  => nothing        QDateTime()            => nothing
[[nodiscard]] std::optional<qint64> xmlDateSeconds(const QDateTime& date);

// The value of the XML property list `utf8`; invalid, with the reason in
// `error` (cleared first), when it is not one. With `leftOut`, a
// dictionary entry whose key or text holds a reference to NUL or to a
// surrogate (an array holding one is refused whole) is left out instead,
// counted and named there (property_list_omissions.h); such a root still
// fails. Texts and keys are cut as the thread's PropertyListTextCut asks
// (property_list_text.h).
//   readXmlPropertyList("<plist><integer>7</integer></plist>") => qint64 7
//   readXmlPropertyList("<string>a&#10;&amp;</string>")        => "a\n&"
//   readXmlPropertyList("") / ("<plist></plist>")              => invalid
//   ("<dict><key>a</key><true/><key>b</key><string>&#0;</string></dict>", leftOut)
//       => {a: true}, leftOut {"'b': The text holds a NUL character"}
[[nodiscard]] QVariant readXmlPropertyList(const QByteArray& utf8, QString* error = nullptr,
                                           PropertyListOmissions* leftOut = nullptr);

// The XML property list of `value`, which must already be in the form
// propertyListValue() answers (maps, lists, QString, qint64, quint64,
// double, bool, QDateTime, QByteArray): one element per line, indented by
// tabs, base64 data in lines of at most 76 columns, dates as
// xmlDateSeconds() gives them (so before 2001 the second after). Empty
// when the text would be larger than `limit` bytes: a value shared by many
// references is written at each, so the writer counts as it goes, and
// stops, taking time and memory within the limit.
//   writeXmlPropertyList(qint64(7)) => "<?xml …?>\n<!DOCTYPE …>\n<plist version=\"1.0\">\n<integer>7</integer>\n</plist>\n"
//   writeXmlPropertyList(4,000 references to one 1 MB string)  => ""
[[nodiscard]] QByteArray writeXmlPropertyList(const QVariant& value, qint64 limit = kMaximumPropertyListSize);

} // namespace sorvant
