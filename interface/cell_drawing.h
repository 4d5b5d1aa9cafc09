#pragma once
// Drawing shared by the toolkit's table cells, which are item delegates:
// the roles a model answers for them, the text colour of a cell for its
// selection, focus, appearance and output device, the cell background (the
// selection is never drawn on paper), a right-aligned information text, a
// progress bar and the rounded count badge with its size.
//
// A cell is "highlighted" when its option has State_Selected; it is
// "focused" when its view has the focus in the active window. Also the
// attributes a cell's text is drawn with, and its focus ring. Drawing "to
// the screen" is asked of the painter (graphics_context.h), so printing and
// PDF output turn cell text black and show no selection.
//
//   cellTextColor(controlTextColor(), plain cell, light screen) => controlTextColor()
//   cellTextColor(controlTextColor(), plain cell, dark screen)  => calibrated white 0.88
//   cellTextColor(controlTextColor(), any cell, printing)       => black
//   badgeSizeWithCount(0, ...)                                   => 0 x 0

#include "foundation/color.h"
#include "foundation/paragraph_style.h"
#include "system/deletion_questions.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStyleOptionViewItem>
#include <QVariantMap>

#include <optional>

class QPainter;

namespace sorvant {

// Per-row state a model gives the toolkit's cells, besides the display and
// decoration roles.
namespace cell_role {
inline constexpr int kFullPath = Qt::UserRole + 0x100;  // QString: the file of the row
inline constexpr int kFileType = Qt::UserRole + 0x101;  // QString: extension or "'fldr'"
inline constexpr int kHighlighted = Qt::UserRole + 0x102; // AttributedString: the text with highlight runs
inline constexpr int kBadgeCount = Qt::UserRole + 0x103; // unsigned: count badge, 0 for none
} // namespace cell_role

// --- colours ----------------------------------------------------------------------
// Text on a selection in a focused view (the active palette's highlighted
// text) and in an unfocused one (the inactive palette's).
[[nodiscard]] Color alternateSelectedControlTextColor();
[[nodiscard]] Color selectedControlTextColor();

// How a cell's text is coloured.
enum class InteriorTextStyle : int {
    Emphasized = 0, // highlighted in a focused view
    Unfocused = 1,  // highlighted, not focused, no colour given
    Plain = 2,      // no view, not highlighted, not on screen, or a colour given
};

// Whether the view of `option` has the focus in the active window.
[[nodiscard]] bool isCellViewFocused(const QStyleOptionViewItem& option);
[[nodiscard]] InteriorTextStyle interiorTextStyle(const Color& color, const QStyleOptionViewItem& option,
                                                  const QPainter& painter);
// The colour to draw a cell's text in, `color` being the cell's own.
[[nodiscard]] Color cellTextColor(const Color& color, const QStyleOptionViewItem& option, const QPainter& painter);
[[nodiscard]] Color cellInfoColor(const QStyleOptionViewItem& option, const QPainter& painter);
[[nodiscard]] Color cellLinkColor(const QStyleOptionViewItem& option, const QPainter& painter);

// --- text attributes ----------------------------------------------------------------
// What a cell draws its text with: the font (when it has one) under
// attribute::kFont, `color` under attribute::kForegroundColor (when not
// null), and a paragraph style with the line-break mode and alignment that
// does not tighten letters. The writing direction stays with the option.
[[nodiscard]] QVariantMap textAttributes(const std::optional<QFont>& font, const Color& color, LineBreakMode mode,
                                         TextAlignment alignment);
// The same for a cell in a view: its colour is cellTextColor of `color`
// for the view; without a view (option.widget) no colour is given.
//   (bold, controlTextColor(), tail, left), selected in a focused table => the alternate selected text colour
[[nodiscard]] QVariantMap textAttributesInView(const QStyleOptionViewItem& option, const QPainter& painter,
                                               const std::optional<QFont>& font, const Color& color,
                                               LineBreakMode mode, TextAlignment alignment);

// --- focus ring -------------------------------------------------------------------
// YES when the cell shows the focus (its view has the focus and the item is
// the current one) and its item is editable.
[[nodiscard]] bool shouldDrawFocusRing(const QStyleOptionViewItem& option, const QModelIndex& index);
// When it should, the style's focus frame around `rect` grown by 1 point
// on every side; the painter's state is restored afterwards.
void drawFocusRing(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index, QRectF rect);

// --- backgrounds ------------------------------------------------------------------
// The option as drawn on `painter`: without State_Selected when the painter
// does not draw to the screen.
[[nodiscard]] QStyleOptionViewItem optionForDevice(const QStyleOptionViewItem& option, const QPainter& painter);
// The cell's background and selection: the style's item panel, or the
// source-list gradient when the view is a TableView in that style.
void drawCellBackground(QPainter& painter, const QStyleOptionViewItem& option);

// --- text ---------------------------------------------------------------------------
// visibleControlCharacters (system/deletion_questions.h) marks a name's
// control characters, as the table and every question show them.

// --- information text and bars ----------------------------------------------------
// Draws `string` right-aligned at the end of `frame` and answers what is
// left of it; a string that does not fit (left + width + right) is not
// drawn and the frame comes back whole.
QRectF drawInfoWithString(QPainter& painter, const QStyleOptionViewItem& option, const QString& string,
                          const QFont& font, bool centered, QRectF frame, double offsetLeft, double offsetRight);
// (left + width + right, height) of the text; 0 x 0 for a null or empty string.
[[nodiscard]] QSizeF infoSizeWithString(const QString& string, const QFont& font, double offsetLeft,
                                        double offsetRight);
// A bar of max(value, 0.05) x width from the left; nothing unless 0 <= value < 1.
void drawIndicator(QPainter& painter, QRectF rect, double value, bool shaded);

// --- count badges -----------------------------------------------------------------
// The cell's font made bold.
[[nodiscard]] QFont badgeFont(const QFont& font);
// 0 x 0 for count 0; bezeled: (max(20, max(h, w + 10)) + 3, h) of the text in
// the bold font; unbezeled: the information size with offsets 4 and 4.
[[nodiscard]] QSizeF badgeSizeWithCount(unsigned count, bool bezeled, const QFont& font);
// The badge's fill and text colours for a row selected or not.
[[nodiscard]] Color badgeBackgroundColor(bool selected, bool dark);
// Draws the count at the right end of `frame` and answers the rect left for
// text: the frame whole for count 0 or when it is not wider than the badge.
QRectF drawBadgeWithFrame(QPainter& painter, const QStyleOptionViewItem& option, QRectF frame, unsigned count,
                          bool bezeled, const QFont& font);

} // namespace sorvant
