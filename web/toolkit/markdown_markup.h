#pragma once
// Markup in a Markdown text, found line by line in one pass: metadata lines,
// headers, block quotes, code, math, link targets, emphasis, superscript,
// subscript and the CriticMarkup edits (insertion, deletion, highlight). On
// top of the walk: whether markup of a kind touches a range, and the edit
// that toggles a markup around a selection (an editor's Bold, Italic or
// Highlight). Positions are UTF-16 units; reported ranges of whole lines
// include the line's end.

#include "foundation/range.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace sorvant {

// The CriticMarkup edit of a report; kCriticMarkupNone for plain markup.
enum CriticMarkupType : int {
    kCriticMarkupNone = -1,
    kCriticMarkupHighlight = 0,   // {==x==}, ==x==, ^^x^^
    kCriticMarkupDeletion = 1,    // {--x--}, ~~x~~
    kCriticMarkupInsertion = 2,   // {++x++}
};

// The kind of Markdown markup, a bit set.
using MarkdownStyle = unsigned;
inline constexpr MarkdownStyle kMarkdownEmphasis = 1;
inline constexpr MarkdownStyle kMarkdownStrong = 2;
inline constexpr MarkdownStyle kMarkdownSuperscript = 4;
inline constexpr MarkdownStyle kMarkdownSubscript = 8;
inline constexpr MarkdownStyle kMarkdownLinkTarget = 16;
inline constexpr MarkdownStyle kMarkdownMetadata = 256;
inline constexpr MarkdownStyle kMarkdownATXHeader = 512;
inline constexpr MarkdownStyle kMarkdownSetextHeader = 1024;
inline constexpr MarkdownStyle kMarkdownBlockQuote = 2048;
inline constexpr MarkdownStyle kMarkdownCode = 4096;
inline constexpr MarkdownStyle kMarkdownMath = 8192;

// One report: the text, the markup's range, its 0-based line, the header
// line of the section it lies in (null before the first header), its
// CriticMarkup type, its style and a level (header level, else 0). Answers
// true to stop.
using CriticMarkupHandler = std::function<bool(const QString& text, Range range, qsizetype lineIndex,
                                               const QString& headerLine, CriticMarkupType type,
                                               MarkdownStyle style, int level)>;

// --- enumeration -------------------------------------------------------------
// Reports every markup of `string` in text order. With `mathJAX` a run of
// "$" opens and closes math as a run of backticks does code.
//   "*a* b"      => {1,1} style 1          "x^2 y"   => {2,1} style 4
//   "{++new++}"  => {0,9} insertion        "<a:b.c>" => {1,5} style 16
void enumerateCriticMarkupUsingHandler(const QString& string, const CriticMarkupHandler& handler, bool mathJAX);

// Whether markup of `type` (kCriticMarkupNone for any) and `style` (0 for
// any) touches `range` in the paragraph around it. `effectiveRange`, when
// given, becomes the union of the touching markup (emphasis, superscript
// and subscript widened over their markers), kMissingRange when none.
//   "a *b* c", none, 1, {3,0} => true, {2,3}
[[nodiscard]] bool containsCriticMarkupType(const QString& string, CriticMarkupType type, MarkdownStyle style,
                                            Range range, Range* effectiveRange);

// Toggles a markup around `range`: the text to put over `*replacementRange`
// (null when nothing changes or the arguments are unusable, "" when all of
// it goes) and the range to select afterwards. The first prefix and suffix
// are used for adding; for emphasis and strong the marker becomes "*", "**"
// or "***".
//   "*x*", {"*","_"}, {"*","_"}, none, 2, {1,1} => "***x***" over {0,3}
//   "ab", {"{=="}, {"==}"}, highlight, 0, {1,0} => "{====}" over {1,0}, select {4,0}
//   "****__", {"**","__"}, {"**","__"}, none, 2, {1,5} => "" over {0,6}, select {0,0}
[[nodiscard]] QString stringByTogglingMarkupWithPrefixes(const QString& string, const QStringList& prefixes,
                                                         const QStringList& suffixes, CriticMarkupType type,
                                                         MarkdownStyle style, Range range, Range* replacementRange,
                                                         Range* selectedRange);

// --- lines -------------------------------------------------------------------
// The header level a line gives the line above it when it underlines it.
//   "===" => 2   "- - -" => 3   "-" => 0   "    ---" => 0   "\t==" => 0   "==x" => 0
[[nodiscard]] int levelOfMarkdownLine(QStringView line);
// Where a line's text begins after leading spaces and a list marker.
//   "  * item" => 4   "- [x] done" => 6   "12. a" => 4   "1.5 a" => 0   "  text" => 2   "   " => 3
[[nodiscard]] qsizetype indendationOfMarkdownLine(QStringView line);

} // namespace sorvant
