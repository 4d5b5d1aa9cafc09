#pragma once
// Clean-up of an AttributedString that changes characters while keeping the
// formatting: the text edits of foundation/mutable_string_edits.h applied
// so that attributes follow the characters, removing attachments, links or
// an attribute, case changes per run, collapsing and trimming white space,
// line heights, and reflowing hard-wrapped lines into paragraphs.

#include "foundation/attributed_string.h"
#include "foundation/chars_table.h"
#include "platform/unicode.h"

#include <QString>

#include <functional>

namespace sorvant {

// --- forwarded text edits -------------------------------------------------------------
// Applies a text edit to the characters, in time linear in the text and its
// runs. Characters the edit keeps keep their attributes; where it only
// deletes, the deleted ones go with theirs; otherwise the changed stretch
// between the common start and end takes the attributes of the characters
// it replaces, unit for unit, the units past the last replaced one taking
// its attributes (an insertion those of the character before). The named
// edits below know what they change and replace only that: the unit at an
// index, each occurrence, each tab, each run of blanks, each normalization
// segment.
//   "aa" (a plain, a bold), removeCharacterAtIndex 0 => "a" bold
//   "a\tb" (tab bold), decodeTabs 4                  => "a   b", the spaces bold
//   "\u00e9e" (\u00e9 bold), insertCharacter 'e' at 1  => "\u00e9ee", the new "e" bold
void applyStringEdit(AttributedString& text, const std::function<void(QString&)>& edit);

void appendSubstring(AttributedString& text, const QString& source, Range range);
void appendUnichar(AttributedString& text, unichar c);
void appendUnichars(AttributedString& text, const unichar* units, qsizetype length);
void appendTrimmedString(AttributedString& text, const QString& string);
qsizetype deleteString(AttributedString& text, const QString& target);
void removeCharacterAtIndex(AttributedString& text, qsizetype index);
void removeCharacters(AttributedString& text, unichar c);
void removeCharactersOfString(AttributedString& text, const QString& characters);
void removeFeeds(AttributedString& text);
void removeTabs(AttributedString& text);
void removeSpaces(AttributedString& text);
void removeWhiteSpaces(AttributedString& text);
void trimCharacter(AttributedString& text, unichar c);
void trimPrefixCharacter(AttributedString& text, unichar c);
void trimSuffixCharacter(AttributedString& text, unichar c);
void trimFeeds(AttributedString& text);
void insertCharacter(AttributedString& text, unichar c, qsizetype index);
void decodeTabs(AttributedString& text, qsizetype width);
void encodeTabs(AttributedString& text, qsizetype width);
qsizetype replaceCharacter(AttributedString& text, unichar target, unichar replacement, bool caseSensitive = true);
// Unicode normalization of the characters, form C or the given form (the
// string edit of foundation/ligatures.h), segment by segment: what a
// character becomes takes its attributes; characters that combine take the
// attributes of the first of them; marks put in canonical order keep
// their own.
//   "e\u0301" bold, NFC => "\u00e9" bold    "\u00e9" bold, NFD => "e\u0301" bold
//   "e" plain + "\u0301" bold, NFC => "\u00e9" plain
//   "\u0323" bold + "\u0327" plain, any form => "\u0327" plain + "\u0323" bold
void normalizeString(AttributedString& text);
void normalizeString(AttributedString& text, unicode::NormalizationForm form);

// --- own operations ------------------------------------------------------------------
// Deletes every attachment character that carries an attachment.
void removeAttachments(AttributedString& text);
// Removes link, underline and foreground colour over every link run.
void removeLinks(AttributedString& text);
// One attribute over the whole text; a null name does nothing.
void removeAttribute(AttributedString& text, const QString& name);
// Each run changes case on its own (capitalisation restarts at every run).
//   "hello world" with "wor" bold, capitalize => "Hello WorLd"
void uppercase(AttributedString& text);
void lowercase(AttributedString& text);
void capitalize(AttributedString& text);
void _changeCase(AttributedString& text, int mode);   // 0 upper, 1 lower, 2 capitalised
// Each run of the class becomes one U+0020 (spaces, white spaces) or one LF (feeds).
//   "a\t\tb" => "a b"     "\r\n\r\n" => "\n"     "\r" => "\n"
void removeMultipleSpaces(AttributedString& text);
void removeMultipleWhiteSpaces(AttributedString& text);
void removeMultipleFeeds(AttributedString& text);
// Leading and trailing white space; with `attachments` attachment
// characters count as white space, without they stop the trim.
void trimWhiteSpacesAndAttachments(AttributedString& text, bool attachments);
void trimWhiteSpaces(AttributedString& text);
// Runs of spaces or attachment characters become one U+0020; true when a
// character remains that is neither white space nor an attachment.
bool trimForReformatting(AttributedString& text);

// Hard-wrapped lines joined into paragraphs (see the .cpp for the rules);
// `characters`, when not empty, are deleted first.
[[nodiscard]] AttributedString reformattedAttributedStringByRemovingCharactersOfString(const AttributedString& text,
                                                                                       const QString& characters);

// The paragraph style at index 0 (the default when none) with the height
// changed, over the whole text; nothing for an empty text.
void setMinimumLineHeight(AttributedString& text, double height);
void setMaximumLineHeight(AttributedString& text, double height);

} // namespace sorvant
