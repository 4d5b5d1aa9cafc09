#pragma once
// Text with attributes for the interface, measured and drawn into
// rectangles over QTextLayout: builders of attributed strings with a font, a
// colour, underline, strikethrough and a truncating paragraph style; link
// strings; measuring; drawing with options; and drawing into a rect,
// vertically centred, horizontally aligned, truncated when too wide and
// snapped to the device's pixels.
//
// Attribute values the drawing reads: attribute::kFont a QFont,
// kForegroundColor and kBackgroundColor a Color (or a QColor, or the search
// engine's 0xAARRGGBB quint32 highlight colours), kUnderlineStyle
// and kStrikethroughStyle an int (non-zero draws the line), kParagraphStyle a
// ParagraphStyle. Text without a font is set in the default text font
// (systemFontOfSize(12)).
//
// Truncation replaces the characters that do not fit by "…", which takes
// the attributes of the first character it replaces; everything kept keeps
// its own attributes, so highlighted runs stay on their characters:
//   "abc[def]ghi" truncated in the middle to fit => "ab…[f]ghi" style results
//
// The rect-drawing functions take the device's scale (a screen's or a
// window's backing scale factor); std::nullopt means no pixel snapping.
// Rounding is ties-to-even (std::nearbyint).

#include "foundation/attributed_string.h"
#include "foundation/color.h"
#include "foundation/paragraph_style.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <optional>

class QPainter;

namespace sorvant {

// Options of drawWithRect and boundingRectWithSize.
inline constexpr int kStringDrawingUsesLineFragmentOrigin = 0x01;
inline constexpr int kStringDrawingTruncatesLastVisibleLine = 0x20;
inline constexpr int kDefaultStringDrawingOptions = 0x21;

// --- link settings ----------------------------------------------------------------
[[nodiscard]] bool infoLinkUnderlined(); // YES until set
void setInfoLinkUnderlined(bool underlined);
[[nodiscard]] LineBreakMode infoLinkLineBreakMode(); // always ByTruncatingMiddle

// The paragraph style of every truncating method: the mode, the alignment,
// and no squeezing of letters before truncating.
[[nodiscard]] ParagraphStyle truncatingParagraphStyle(LineBreakMode mode,
                                                      TextAlignment alignment = TextAlignment::Natural);

// --- builders -------------------------------------------------------------------------
// Underline (1 or 0), font and foreground colour; a missing font or null
// colour is left out.
[[nodiscard]] AttributedString asAttributedStringWithFont(const QString& string, const std::optional<QFont>& font,
                                                          const Color& color, bool underlined);
// The same with the truncating paragraph style of `mode` and strikethrough.
[[nodiscard]] AttributedString attributedStringByTruncatingTo(const QString& string, LineBreakMode mode,
                                                              const std::optional<QFont>& font, const Color& color,
                                                              bool underlined, bool stroke = false);
// Small system font, screenLinkColor() (readable in the current
// appearance), underline 1, the link, the background:
// a null background leaves the background out; an invalid link leaves out
// the link and the background.
[[nodiscard]] AttributedString asAttributedLink(const QString& string, const QVariant& link,
                                                const Color& background = Color());
// The string as its own link.
[[nodiscard]] AttributedString asAttributedLinkWithBackgroundColor(const QString& string, const Color& background);

// --- measuring -------------------------------------------------------------------------
// One line's width and height; zero for the empty string or a missing font.
[[nodiscard]] QSizeF sizeWithFont(const QString& string, const std::optional<QFont>& font);
[[nodiscard]] QSizeF sizeWithAttributes(const QString& string, const QVariantMap& attributes);
[[nodiscard]] QSizeF attributedStringSize(const AttributedString& string);
// The rect the text takes laid out within `size` (`options` as above).
[[nodiscard]] QRectF boundingRectWithSize(const AttributedString& string, QSizeF size, int options);
[[nodiscard]] QRectF boundingRectWithSize(const QString& string, QSizeF size, int options,
                                          const std::optional<QFont>& font, LineBreakMode mode);
[[nodiscard]] QRectF boundingRectWithSize(const QString& string, QSizeF size, const std::optional<QFont>& font);
[[nodiscard]] QRectF boundingRectWithSize(const QString& string, QSizeF size, const QVariantMap& attributes);

// --- truncating -------------------------------------------------------------------------
// The string shortened with "…" (head, tail or middle by `mode`) to fit
// `width`; unchanged when it fits or the mode does not truncate.
[[nodiscard]] AttributedString truncatedAttributedString(const AttributedString& string, double width,
                                                         LineBreakMode mode);

// --- drawing -------------------------------------------------------------------------------
// Draws `string` laid out in `rect` with `options`: with
// kStringDrawingUsesLineFragmentOrigin lines wrap inside the rect from its
// top, else one line is drawn; with kStringDrawingTruncatesLastVisibleLine
// the last line that fits ends in "…" when text remains.
void drawWithRect(QPainter& painter, const AttributedString& string, QRectF rect, int options);
// The core with font, colour, mode and alignment; nothing for an empty
// string or a missing font.
void drawWithRect(QPainter& painter, const QString& string, QRectF rect, int options,
                  const std::optional<QFont>& font, const Color& color, LineBreakMode mode,
                  TextAlignment alignment = TextAlignment::Left);
void drawWithRect(QPainter& painter, const QString& string, QRectF rect, const std::optional<QFont>& font,
                  const Color& color = Color());
void drawWithRect(QPainter& painter, const QString& string, QRectF rect, const QVariantMap& attributes);
// Draws an attributed string in `rect` (its paragraph styles wrap or
// truncate it).
void drawInRect(QPainter& painter, const AttributedString& string, QRectF rect);

// The truncating core: draws into `rect`, vertically centred when
// `centered`, aligned when the text fits, truncated with `mode` when it is
// wider than floor(rect width), snapped to pixels with a scale. Answers the
// measured size of the whole string; nothing is drawn and the zero size is
// answered for an empty rect.
//   width 100.4 in a rect 100.9 wide => truncated (100.4 > 100)
//   width 100.4 in a rect 101 wide, right aligned => moved right by rint(0.6) = 1
QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, LineBreakMode mode,
                  TextAlignment alignment, bool centered, const std::optional<QFont>& font, const Color& color,
                  bool underlined, bool stroke, std::optional<double> scale);
// The non-truncating core: the same, never truncated.
QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, TextAlignment alignment, bool centered,
                  const std::optional<QFont>& font, const Color& color, bool underlined, bool stroke,
                  std::optional<double> scale);
// Forwarding forms: centred horizontally means centre alignment, else left;
// no stroke and no snapping.
QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, LineBreakMode mode,
                  bool centeredHorizontally, bool centeredVertically, const std::optional<QFont>& font,
                  const Color& color, bool underlined);
QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, LineBreakMode mode, bool centered,
                  const std::optional<QFont>& font, const Color& color, bool underlined);
QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, bool centeredHorizontally,
                  bool centeredVertically, const std::optional<QFont>& font, const Color& color, bool underlined);
QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, bool centered,
                  const std::optional<QFont>& font, const Color& color, bool underlined);

// The rect the cores draw into, before drawing (exposed for its arithmetic):
// `size` is the measured (w, h), `fits` whether alignment applies.
[[nodiscard]] QRectF placeTextInRect(QRectF rect, QSizeF size, TextAlignment alignment, bool centered, bool fits,
                                     std::optional<double> scale);

} // namespace sorvant
