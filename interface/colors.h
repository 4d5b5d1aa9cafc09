#pragma once
// The toolkit's colour catalogue and colour arithmetic over foundation's
// Color: the colours the views and cells draw with (information text,
// links, stripes, separators, grids, backgrounds), the GUI's own role
// colours as named catalogue colours, conversion to and from QColor for
// painting, and the one-device-pixel line painter.
//
// Catalogue colours are made anew on each call from the appearance of that
// moment (appearance.h), except the stripe colour, which is computed once.
// The dark-adjusted text colours and image tints are in appearance.h.
//
//   htmlColor(Color::deviceRGB(1, 0.5, 0))             => "#ff8000"
//   invertedColor(Color::calibratedWhite(0.25, 0.5))   => calibrated white 0.75, alpha 0.5
//   invertedColor(Color::pattern(tile))                => null
//   isAlmostWhite(Color::deviceWhite(0.97))            => true

#include "foundation/color.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <QVariant>

class QPainter;
class QWidget;

namespace sorvant {

// --- conversion for painting -------------------------------------------------

// The colour as a QColor (through device RGB; components are clamped and
// quantised here, and only here). Null, patterns and named colours without
// a value give an invalid QColor.
[[nodiscard]] QColor toQColor(const Color& color);
// A QColor as device RGB; an invalid QColor gives null.
[[nodiscard]] Color colorFromQColor(const QColor& color);
// The brush to fill with: solid for colours, the tile for a pattern whose
// image is a QImage or QPixmap.
[[nodiscard]] QBrush toQBrush(const Color& color);

// --- the GUI's role colours ------------------------------------------------------
// Named colours of the catalogue "System", each carrying the current palette's
// value; equal to each other by name, whatever the palette.
[[nodiscard]] Color controlBackgroundColor();
[[nodiscard]] Color controlTextColor();
[[nodiscard]] Color systemTextColor();
[[nodiscard]] Color secondaryLabelColor();
[[nodiscard]] Color headerColor();
// The two row colours of striped tables: the palette's base and alternate base.
[[nodiscard]] QList<Color> controlAlternatingRowBackgroundColors();

// --- catalogue ---------------------------------------------------------------------
[[nodiscard]] Color infoTextColor();        // device white 0.6 dark, 0.4 light
[[nodiscard]] Color contextInfoTextColor(); // 0.6 drawing to screen, 0.4 printing
[[nodiscard]] Color infoLinkColor();        // infoTextColor()
[[nodiscard]] Color infoLabelColor();       // secondaryLabelColor()
// Computed once per process: the second alternating row colour, or
// calibrated RGB (0.929, 0.953, 0.996) when there are not two.
[[nodiscard]] Color stripeColor();
[[nodiscard]] Color headerGridColor();      // calibrated white 0.873
[[nodiscard]] Color viewBackgroundColor();  // controlBackgroundColor()
[[nodiscard]] Color screenSeparatorColor(); // calibrated white 0.175 dark, 0.84 light
[[nodiscard]] Color linkColor();            // blueColor, in both appearances
[[nodiscard]] Color darkLinkColor();        // calibrated RGB (0.5, 0.5, 1.0)
[[nodiscard]] Color screenLinkColor();      // darkLinkColor() dark, linkColor() light
[[nodiscard]] Color autoLinkColor();        // device RGB (0, 0, 0.75)
[[nodiscard]] Color screenAutoLinkColor();  // device RGB (0.5, 0.5, 0.75) dark, autoLinkColor() light

// --- arithmetic --------------------------------------------------------------------

// "#rrggbb" of the device RGB form, each channel trunc(c x 255 + 0.5), alpha
// ignored; the empty string when there is no RGB form.
[[nodiscard]] QString htmlColor(const Color& color);
// 1 - c for every component of device/calibrated RGB, white and CMYK, alpha
// kept; null for any other space.
[[nodiscard]] Color invertedColor(const Color& color);
// A readable text colour on `background`: black when its calibrated white
// level is above 0.5, else white.
[[nodiscard]] Color textColor(const Color& background);
// Red, green and blue in calibrated RGB each >= 0.97 (<= 0.03); NO without
// an RGB form.
[[nodiscard]] bool isAlmostWhite(const Color& color);
[[nodiscard]] bool isAlmostBlack(const Color& color);
// (r + g + b) / 3 in calibrated RGB; 0 without an RGB form.
[[nodiscard]] double grayComponent(const Color& color);
// Exact equality of red, green and blue (and alpha) in calibrated RGB; NO
// when `other` holds no Color, or either has no RGB form.
[[nodiscard]] bool isRGBEqualToColor(const Color& color, const QVariant& other);
[[nodiscard]] bool isRGBAEqualToColor(const Color& color, const QVariant& other);
// `from` moved the fraction `amount` of the way toward `to`, channel by
// channel in RGB, opaque: a shade between a palette's background and its
// text that reads in light and dark palettes alike.
//   mixedColor(black, white, 0.25) => RGB (0.25, 0.25, 0.25)
[[nodiscard]] QColor mixedColor(const QColor& from, const QColor& to, double amount);
// How far apart two opaque colours read, from 1 (the same luminance) to 21
// (black and white): (L1 + 0.05) / (L2 + 0.05) of their relative sRGB
// luminances, the lighter first. Marks and outlines want at least 3.
//   contrastRatio(white, black) => 21     contrastRatio(grey 50, grey 94) => 1.98 (too faint)
[[nodiscard]] double contrastRatio(const QColor& first, const QColor& second);

// --- the pixel line ------------------------------------------------------------------

// Strokes a line one device pixel thick in `color` inside `rect` (in the
// painter's coordinates): horizontal at `position` pixels from the top (from
// the bottom with `flip`), or vertical at `position` pixels from the left
// (from the right with `flip`), with `inset` pixels left out at both ends.
// The scale is the device pixel ratio of `view`, else of the primary screen,
// else 1.
void drawPixelThickLineAtPosition(QPainter& painter, const Color& color, int position, int inset, QRectF rect,
                                  const QWidget* view, bool horizontal, bool flip);

} // namespace sorvant
