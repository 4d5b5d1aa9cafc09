#pragma once
// In-place edits of a string: case changes, appending and inserting,
// removing classes of units, collapsing runs, trimming, tab expansion and
// compression, and counted replacements. The copying forms (stringBy...)
// apply these to a copy.
//
// Classes are those of chars_table.h and lines.h: spaces (getSpacesBitmap),
// white spaces (getWhiteSpacesBitmap), digits (getDigitsBitmap), the feed
// characters (isFeedCharacter) and the tab.
//
// An edit that changes nothing leaves the string untouched (no copy, a null
// string stays null); a null string is otherwise edited as an empty one.
// Indexes and ranges outside the string make the edit do nothing.

#include "foundation/chars_table.h"
#include "foundation/range.h"
#include "foundation/string_format.h"

#include <QString>
#include <QVariantList>

namespace sorvant {

// --- rich-text hooks -------------------------------------------------------
// Rich text drops its attachments, links or an attribute under these names;
// a plain string has none, so they leave it as it is.
inline void removeAttachments(QString&) {}
inline void removeLinks(QString&) {}
inline void removeAttribute(QString&, const QString& /*attribute*/) {}

// --- case --------------------------------------------------------------------
// Full case mappings without a locale:
//   lowercase("İA") => "i̇a"   uppercase("straße") => "STRASSE"
//   capitalize("hello wORLD") => "Hello World" (words split at white space)
void lowercase(QString& string);
void uppercase(QString& string);
void capitalize(QString& string);

// --- appending, inserting, deleting -----------------------------------------
// Appends `range` of `source`; nothing for an empty range or one outside it.
//   ("x", "abcd", {1,2}) => "xbc"
void appendSubstring(QString& string, const QString& source, Range range);
void appendUnichar(QString& string, unichar c);
// Nothing for a null pointer or a length of 0.
void appendUnichars(QString& string, const unichar* units, qsizetype length);
// Appends `source` without its leading and trailing white space and line
// ends (the platform's white space: Z*, U+0009..U+000D, U+0085).
//   ("x", " a b\n") => "xa b"    ("x", null) => "x"
void appendTrimmedString(QString& string, const QString& source);
// Inserts `c` at `index` (0..length).
void insertCharacter(QString& string, unichar c, qsizetype index);
// Deletes the unit at `index` (0..length-1).
void removeCharacterAtIndex(QString& string, qsizetype index);
// Deletes every occurrence of `target` (unit by unit) and answers how many.
//   ("a--b--", "--") => 2, "ab"     ("ab", "") => 0     ("", "a") => 0
qsizetype deleteString(QString& string, const QString& target);

// --- removing classes of units ----------------------------------------------
//   removeTabs("\t\t") => ""      removeFeeds("a\r\nb") => "ab"
//   removeCharactersOfString("a-b_c", "-_") => "abc"
void removeCharacters(QString& string, unichar c);
void removeCharactersOfString(QString& string, const QString& characters);
void removeFeeds(QString& string);
void removeTabs(QString& string);
void removeSpaces(QString& string);
void removeWhiteSpaces(QString& string);
void removeDigits(QString& string);

// --- collapsing runs -------------------------------------------------------
// Each run of the class becomes one unit; written only when something changes.
//   removeMultipleSpaces("a\tb")           => "a b"
//   removeMultipleWhiteSpaces("a\r\n\t b") => "a b"
//   removeMultipleFeeds("a\r\n\r\nb  c")   => "a\nb  c"
void removeMultipleSpaces(QString& string);
void removeMultipleWhiteSpaces(QString& string);
void removeMultipleFeeds(QString& string);

// --- trimming ----------------------------------------------------------------
// Leading and trailing platform white space (as appendTrimmedString).
void trimWhiteSpaces(QString& string);
//   trimPrefixCharacter("--a-", '-') => "a-"   trimSuffixCharacter("--a-", '-') => "--a"
//   trimCharacter("--", '-') => ""
void trimPrefixCharacter(QString& string, unichar c);
void trimSuffixCharacter(QString& string, unichar c);
void trimCharacter(QString& string, unichar c);
// Deletes the trailing run of feed characters; leading ones stay.
//   "\r\na\r\n" => "\r\na"
void trimFeeds(QString& string);

// --- tabs ----------------------------------------------------------------------
// Replaces every tab by spaces up to the next tab stop every `width` columns;
// a feed character starts column 0. Nothing for a width below 1.
//   ("a\tb", 4) => "a   b"     ("\n\tb", 4) => "\n    b"
void decodeTabs(QString& string, qsizetype width);
// Replaces every run of spaces-set units (tabs included) that reaches a tab
// stop by one tab; blanks that reach no stop stay. Nothing for a width below 1.
//   ("abc d", 4) => "abc\td"   ("ab d", 4) => "ab d"
void encodeTabs(QString& string, qsizetype width);

// --- counted replacements --------------------------------------------------
// Each answers the number of replacements. Case-sensitive replacement
// compares units as they are; ignoring case uses the platform's full case
// folding (so "ß" also replaces "ss").
//   replaceCharacter("a.b.c", '.', '/') => 2, "a/b/c"
//   replaceString("aXbx", "x", "-", false) => 2, "a-b-"
//   replaceString("abab", "b", null) => 2, "aa"     replaceString(s, null, r) => 0
qsizetype replaceCharacter(QString& string, unichar target, unichar replacement);
qsizetype replaceCharacter(QString& string, unichar target, unichar replacement, bool caseSensitive);
qsizetype replaceString(QString& string, const QString& target, const QString& replacement);
qsizetype replaceString(QString& string, const QString& target, const QString& replacement, bool caseSensitive);
// The replacement is `format` filled with `arguments` (stringWithFormat); 0
// when the target or the format is null.
//   ("a#b", "#", "%d", {7}) => 1, "a7b"
qsizetype replaceStringWithFormatArguments(QString& string, const QString& target, const QString& format,
                                           const QVariantList& arguments);
// The same with the arguments passed directly, packed as formatString packs
// them:   replaceStringWithFormat(text, "#", "%d", 7)
template <typename... Args>
qsizetype replaceStringWithFormat(QString& string, const QString& target, const QString& format,
                                  const Args&... arguments)
{
    return replaceStringWithFormatArguments(string, target, format,
                                            QVariantList{detail::formatArgument(arguments)...});
}

} // namespace sorvant
