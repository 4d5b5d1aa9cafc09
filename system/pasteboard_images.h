#pragma once
// The image pasteboard data makes. Part of the system's picture library
// (with the icons, movie frames and PDF pages), which links Qt's GUI
// library; the search links none of it.

#include <QImage>

class QMimeData;

namespace sorvant {

// Tried in this order: the one file of a URI list that holds exactly one
// file whose extension is an image's (isImageFile); the icon flavour
// ("image/x-icns") when it decodes; Qt's image; the first "image/..."
// format that decodes. A null image when none gives one, and for null data.
[[nodiscard]] QImage imageWithPasteboardIcon(const QMimeData* pasteboard);

} // namespace sorvant
