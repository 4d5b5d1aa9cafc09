#pragma once
// Menu item kinds and item pictures: items whose images share a 24-point
// column and follow the light or dark appearance, titled headings that can
// never be enabled, colour swatches and star ratings; titles drawn with a
// font and colour of their own; and the tag of an item (its represented
// object is QAction::data()).
//
// Not here: building and pruning menus (menus.h).

#include "foundation/color.h"
#include "interface/bezier_path.h"
#include "interface/images.h"

#include <QAction>
#include <QFont>
#include <QIcon>
#include <QVariantMap>

#include <optional>

class QMenu;

namespace sorvant {

// --- tags -------------------------------------------------------------------------------

// An item's integer tag; 0 when none was set.
[[nodiscard]] int itemTag(const QAction* item);
void setItemTag(QAction* item, int tag);

// Binds `item` to `selector` (none when empty) for `target` (the responder
// chain when null), sets the tag when not 0 and the key equivalent text
// ("CMD_s"; none when empty).
void setUpItem(QAction* item, const QByteArray& selector, QObject* target, int tag, const QString& keyEquivalent);

// --- titles -------------------------------------------------------------------------------

// Draws the item's title with `attributes`: the font (attribute::kFont, a
// QFont) becomes the item's font, which also sizes its row; the foreground
// colour (attribute::kForegroundColor, a Color or QColor) colours the title
// while the item is enabled and not highlighted, in the menus that hold the
// item (or own it) when this is called and in their copies. Other attributes
// are kept and not drawn. The empty dictionary puts back the plain title;
// a null item does nothing.
//   {kFont: bold 20 pt}                  => a taller row in bold, the menu's colour
//   {kFont: f, kForegroundColor: red}    => the title in f and red
void setTitleAttributes(QAction* item, const QVariantMap& attributes);
// The attributes last set; empty when none.
[[nodiscard]] QVariantMap titleAttributes(const QAction* item);
// setTitleAttributes with the font alone (a colour set before goes).
void setTitleFont(QAction* item, const QFont& font);

// --- pictures -----------------------------------------------------------------------------

// The width every picture of an AppleInterfaceMenuItem is padded to.
inline constexpr double kMenuImageWidth = 24.0;

// `image` centred on a transparent picture 24 points wide and as tall as
// it; the image itself when nil or at least 24 points wide.
//   16 x 16 => 24 x 16, drawn at x = 4     32 x 16 => itself
[[nodiscard]] Image paddedMenuImage(const Image& image);
// The icon that shows `image` at its size in points.
[[nodiscard]] QIcon iconForImage(const Image& image);

// A colour swatch: shape 0 a 20 x 10 rectangle, 1 a rounded rectangle
// (1, 1, 24, 11, radius 6) on 26 x 13, 2 a circle (1, 1, 11, 11) on
// 13 x 13; nil for any other shape.
[[nodiscard]] Image colorImage(const std::optional<Color>& color, int shape);
// `path` filled with the colour (the window background when none) and
// stroked in grey, on a picture of twice the path's origin plus its size;
// nil for an empty path.
[[nodiscard]] Image colorImage(const std::optional<Color>& color, const Path& path);
void setColorImage(QAction* item, const std::optional<Color>& color, int shape);

// Five star places with `rating` filled (clamped to 0..5), 13 points per
// star for control size 0 and 10 for any other.
[[nodiscard]] Image ratingImage(int rating, int controlSize = 0);
// "No star", "One star" or "%d stars" from the "Velmor" table.
[[nodiscard]] QString ratingToolTip(int rating);
// The rating picture, and its text as the tool tip and accessible
// description.
void setRatingImage(QAction* item, int rating);

// --- item classes ---------------------------------------------------------------------------

// An item whose picture is padded to the 24-point column and shown in its
// variant for the current appearance, switching with it.
class AppleInterfaceMenuItem : public QAction
{
public:
    using QAction::QAction;
    void setImage(const Image& image);
    // The stored picture in the current appearance's variant; nil for none.
    [[nodiscard]] Image image() const;

private:
    // The icon of the stored picture in the current appearance.
    void showImage();

    Image m_image;
};

// A titled heading between groups of items: never enabled, whatever
// validation or a caller sets.
class SeparatorMenuItem : public QAction
{
public:
    explicit SeparatorMenuItem(const QString& title, QObject* parent = nullptr);
};

// Adds an AppleInterfaceMenuItem bound to `selector` (sent to `target`, or
// along the responder chain when null), with the tag when not 0 and the
// key equivalent ("CMD_s" style text, none when empty).
QAction* addAppleInterfaceItem(QMenu* menu, const QString& title, const QByteArray& selector,
                               QObject* target = nullptr, int tag = 0, const QString& keyEquivalent = {});

} // namespace sorvant
