#pragma once
// The base layer of reading Markdown without a parser: the metadata header
// at the top of a text, escaping and unescaping of Markdown's special
// characters, and the "plain" runs of a text (outside inline code and link
// targets) on which the markup enumeration, the rendering helpers and the
// wiki-link scanner build. It renders nothing.
//
// Positions are UTF-16 units. A null QString is nil: conversions answer nil,
// enumerations do nothing. A conversion that changes nothing answers the
// receiver itself (shared, no copy).

#include "foundation/chars_table.h"
#include "foundation/range.h"

#include <QString>

#include <functional>

namespace sorvant {

// --- character classes -------------------------------------------------------
// The 13 characters a backslash escapes: # $ ( ) * . [ \ ] _ ` { }
[[nodiscard]] bool isMarkdownEscapableCharacter(unichar c);

// --- metadata header ---------------------------------------------------------
// The part of `range` after the «key: value» header that may open the text
// (fenced by "---" lines or not). With the whole text as range, the location
// is the header's length.
//   "---\ntitle: A\n---\nBody", whole       => {17, 4}
//   "title: A\nBody", whole                 => {9, 4}
//   "no colon here", whole                  => {0, 13}
//   "url: a://b", whole                     => {10, 0}
//   "title: A\nBody", {0, 5}                => kMissingRange (header ends later)
[[nodiscard]] Range rangeOfMarkdownMetadata(const unichar* characters, qsizetype length, Range range);
// The header's length: 0 when the text has none.
[[nodiscard]] qsizetype lengthOfMarkdownMetadata(const QString& string);

// The text after the header.
//   "title: A\nBody" => "Body"   "Body" => "Body" (itself)   "" => ""   null => null
[[nodiscard]] QString stringByStrippingMarkdownMetadata(const QString& string);
// The header itself.
//   "title: A\nBody" => "title: A\n"   "Body" => null   "" => null   null => null
[[nodiscard]] QString markdownMetadata(const QString& string);

// --- escaping ----------------------------------------------------------------
// Puts a backslash before every escapable character; a "." only where it
// would start an ordered list («1. item» at a line start, before any letter).
//   "1. a_b" => "1\\. a\\_b"   "1.5" => "1.5" (itself)   "" => ""   null => null
[[nodiscard]] QString stringByConvertingCharactersToMarkdown(const QString& string);
// Drops every backslash that stands before an escapable character.
//   "1\\. a\\_b" => "1. a_b"   "a\\\\b" => "a\\b"   "a\\b" => itself   null => null
[[nodiscard]] QString stringByConvertingMarkdownToCharacters(const QString& string);

// --- plain runs --------------------------------------------------------------
// Receives the whole text's units and one plain run; answers true to stop.
using MarkdownRunHandler = std::function<bool(const unichar* characters, qsizetype location, qsizetype length)>;

// Hands over the plain runs of `range` after the metadata header: text
// outside link targets and reference definitions and, with `skipCode`,
// outside code spans. Nothing happens for nil, an empty text, no handler or
// a range that leaves the text.
//   "[x](y) abc", skipCode false => {0,3} "[x]", {6,4} " abc"
//   "x`a`b",      skipCode true  => {0,1}, {4,1}
void enumerateMarkdownInRange(const QString& string, Range range, bool skipCode, const MarkdownRunHandler& handler);

// The plain runs of the whole text that hold an alphanumeric character,
// each followed by one space.
//   "`code` word", true => " word "   "" => "" (itself)   null => null
[[nodiscard]] QString stringByConvertingMarkdownToSearchableText(const QString& string, bool skipCode);

} // namespace sorvant
