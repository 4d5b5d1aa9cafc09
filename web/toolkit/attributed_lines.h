#pragma once
// Attributed-string helpers for building link and attachment texts,
// counting attachments, splitting a rich text into lines, and drawing it
// centred in a rectangle with QPainter. Missing results ("nil") are empty
// optionals.

#include "foundation/attributed_string.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QVariant>

#include <optional>

class QPainter;

namespace sorvant {

// --- making --------------------------------------------------------------------
// The link's text (the description, else the address) with link colour,
// underline, the link and, when given, the font. Nil for an invalid link.
[[nodiscard]] std::optional<AttributedString> attributedStringWithLink(const QVariant& link,
                                                                       const QString& description,
                                                                       const QVariant& font = QVariant());
// One attachment character holding the file; nil for a null or empty path
// or a file that cannot be read.
[[nodiscard]] std::optional<AttributedString> attributedStringWithAttachmentAtPath(const QString& path);
// One attachment character holding the data; nil without data or name.
[[nodiscard]] std::optional<AttributedString> attributedStringWithAttachmentContents(const QByteArray& contents,
                                                                                     const QString& filename);

// --- observers ---------------------------------------------------------------------
// Attachments that are not e-mail contact cards.
[[nodiscard]] qsizetype numberOfAttachments(const AttributedString& text);
// One attribute at `index` with its longest effective range over the whole text.
[[nodiscard]] QVariant attributeAtIndexLongestEffectiveRange(const AttributedString& text, const QString& name,
                                                             qsizetype index, Range* longestEffectiveRange);
// Whether the characters hold `string` (exact); false for null or empty.
[[nodiscard]] bool containsSubstring(const AttributedString& text, const QString& string);

// --- lines ---------------------------------------------------------------------------
// The lines with their line ends (U+0003, LF, FF, CR, CR LF, U+2028, U+2029,
// U+FEFF; not U+FFFC). An empty text has none.
//   "a\r\nb\n" => "a\r\n", "b\n"    "a\rb" => "a\r", "b"
[[nodiscard]] QList<AttributedString> lines(const AttributedString& text);
// The part before the first line end; the text itself without one; nil for
// an empty text or one that starts with a line end.
[[nodiscard]] std::optional<AttributedString> firstLine(const AttributedString& text);
// The trailing run of line ends; nil when the text does not end with one.
//   "x\n\n" => "\n\n"   "x" => nil
[[nodiscard]] std::optional<AttributedString> feedOfLine(const AttributedString& text);
[[nodiscard]] bool hasFeedOfLine(const AttributedString& text);

// --- drawing -------------------------------------------------------------------------
// Where a text of `textSize` is drawn in `rect`: vertically centred, the
// rect moves down by the rounded half of the spare height and takes the
// text's height rounded up; horizontally centred (only when the text fits
// the width rounded down) the same across. An empty rect gives an empty one.
//   ({0,0,100,50}, 40x10, true, true) => {30, 20, 40, 10}
[[nodiscard]] QRectF centeredDrawingRect(const QRectF& rect, const QSizeF& textSize, bool horizontally,
                                         bool vertically);
// The text's size laid out on one line per paragraph (fonts, colours and
// underline honoured); needs a GUI application.
[[nodiscard]] QSizeF sizeOfAttributedString(const AttributedString& text);
// Draws into `rect` as centeredDrawingRect() places it and answers the
// measured size; nothing is drawn into an empty rect (zero size).
QSizeF drawInRect(const AttributedString& text, QPainter& painter, const QRectF& rect, bool centeredHorizontally,
                  bool centeredVertically);
// drawInRect() with vertical centring only.
QSizeF drawInRect(const AttributedString& text, QPainter& painter, const QRectF& rect, bool centered);

} // namespace sorvant
