#pragma once
// Interface values kept in the user defaults, which hold only property-list
// values: a colour as a dictionary of its colour space and single-precision
// components, a font as a name key and a size key, and the download folder
// as a path with a bookmark beside it.
//
// Colour dictionaries, by the value of "colorSpace" (Color::colorSpaceName):
//   "DeviceRGB", "CalibratedRGB"     => "red", "green", "blue", "alpha"
//   "DeviceWhite", "CalibratedWhite" => "white", "alpha"
//   "DeviceCMYK"                     => "cyan", "magenta", "yellow", "black", "alpha"
//   "Named"                          => "catalog", "color"
// Any other colour (a pattern) is stored as calibrated RGB.
//
// Bookmarks: Linux has no security-scoped bookmarks. The bookmark of a folder
// is the bytes of its path on disk (fileSystemRepresentation); starting access resolves them and checks
// that the folder still exists.

#include "foundation/color.h"

#include <QByteArray>
#include <QFont>
#include <QString>

#include <optional>

namespace sorvant {

class UserDefaults;

// --- colours ---------------------------------------------------------------------

// Stores `color` under `key`; a null colour removes the key.
void setColor(UserDefaults& defaults, const Color& color, const QString& key);
// The colour stored under `key`; `defaultColor` when none is stored, when
// the dictionary has no or an unknown "colorSpace", or for a named colour
// whose catalogue does not know it. A missing component reads as 0.
[[nodiscard]] Color colorForKey(const UserDefaults& defaults, const QString& key, const Color& defaultColor);
// The catalogue colour `colorName` of `catalogName` ("System" holds the GUI's
// role colours by their names); null when the catalogue has no such colour.
[[nodiscard]] Color colorWithCatalogName(const QString& catalogName, const QString& colorName);

// --- fonts -----------------------------------------------------------------------

// The font named under `nameKey` at `size` (a size of 0 or less takes the
// application font's size); nullopt when no name is stored or no such font
// is installed. The system font names ".SFNSText", ".SFNS-Regular" and
// ".AppleSystemUIFont" give the system font, ".SFNSMono-Regular" and
// ".SFNSMono-Bold" the fixed-pitch system font on current systems.
[[nodiscard]] std::optional<QFont> fontWithNameKey(const UserDefaults& defaults, const QString& nameKey, double size);
// The same at the size stored under `sizeKey` (0 when none).
[[nodiscard]] std::optional<QFont> fontWithNameKey(const UserDefaults& defaults, const QString& nameKey,
                                                   const QString& sizeKey);
// Never empty: the stored font at the stored size (else `defaultSize`), else
// `defaultFont`, else the system font of `defaultSize`. A null `sizeKey`
// takes `defaultSize`.
[[nodiscard]] QFont fontWithNameKey(const UserDefaults& defaults, const QString& nameKey, const QString& sizeKey,
                                    double defaultSize, const std::optional<QFont>& defaultFont);
// Stores the font's name and point size; nullopt removes both keys.
void setFont(UserDefaults& defaults, const std::optional<QFont>& font, const QString& nameKey, const QString& sizeKey);
// The name a font is stored under: its family, followed by "-" and its style
// name when that is not the regular style ("DejaVu Sans-Bold").
[[nodiscard]] QString fontName(const QFont& font);

// --- download folder -------------------------------------------------------------

inline const QString kDownloadDirectoryKey = QStringLiteral("DLDirectory");
inline const QString kDownloadDirectoryBookmarkKey = QStringLiteral("DLDirectoryBookmark");

// The stored folder with "~" expanded; the user's Downloads folder when none
// is stored.
[[nodiscard]] QString downloadDirectory(const UserDefaults& defaults);
// Stores `path` with the home folder abbreviated (null removes it), as
// storedStringOfPath keeps it when its bytes are not UTF-8, and a new
// bookmark only when the folder in effect changed.
void setDownloadDirectory(UserDefaults& defaults, const QString& path);

// The bookmark of an existing folder; null when `path` is not one.
[[nodiscard]] QByteArray readWriteBookmarkData(const QString& path);
// The folder a bookmark names when it still exists; null otherwise.
[[nodiscard]] QString startAccessingBookmarkData(const QByteArray& bookmark);

} // namespace sorvant
