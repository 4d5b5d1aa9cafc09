#pragma once
// The pasteboard type names shared by the whole system, the reader type lists
// and the map from a pasteboard type to a file extension. Only QString: any
// library may include this without the pasteboard readers and writers
// (pasteboard.h).
//
// Type names are the MIME format names of the clipboard and drag data. The
// system's own private types keep their names as they stand; the general
// types are the formats other Linux applications read ("text/uri-list",
// "text/plain;charset=utf-8", "text/html" ...).
//
//   fileTypeForPboardType("public.jpeg")  => "jpg"
//   fileTypeForPboardType("public.TIFF")  => null (types compare exactly)
//   fileTypeForPboardType(QString())      => null

#include <QString>
#include <QStringList>

namespace sorvant {

// --- the system's own types ---------------------------------------------------

inline const QString TamsettPboardType = QStringLiteral("TamsettPboardType");
// Declared with the others; nothing in this system reads or writes it.
inline const QString TamsettAutoPboardType = QStringLiteral("TamsettAutoPboardType");
// A property list: two arrays of strings, the absolute URLs and their titles.
inline const QString WebURLsWithTitlesPboardType = QStringLiteral("WebURLsWithTitlesPboardType");
// A caller's property list (bookmark data) beside one URL.
inline const QString VelmorBookmarksPboardType = QStringLiteral("VelmorBookmarksPboardType");
// The legacy URL flavour: the absolute URL as plain text.
inline const QString URLFlavorPboardType = QStringLiteral("CorePasteboardFlavorType 0x75726C20");
// The legacy URL-name flavour: the URL's title as plain text.
inline const QString URLNameFlavorPboardType = QStringLiteral("CorePasteboardFlavorType 0x75726C6E");
inline const QString WebArchivePboardType = QStringLiteral("Apple Web Archive pasteboard type");
inline const QString PNGPboardType = QStringLiteral("Apple PNG pasteboard type");

// --- general types (the desktop's MIME formats) -------------------------------

// One URL per line, the desktop's format for links and dragged files.
inline const QString NSURLPboardType = QStringLiteral("text/uri-list");
// A property list: an array of file paths.
inline const QString NSFilenamesPboardType = QStringLiteral("application/x-sorvant-filenames");
// UTF-8 text; a pasteboard offering plain "text/plain" offers this type too.
inline const QString NSPasteboardTypeString = QStringLiteral("text/plain;charset=utf-8");
inline const QString NSPasteboardTypeTabularText = QStringLiteral("text/tab-separated-values");
inline const QString NSPasteboardTypeHTML = QStringLiteral("text/html");
inline const QString NSPasteboardTypeRTF = QStringLiteral("text/rtf");
inline const QString NSPasteboardTypeRTFD = QStringLiteral("application/x-sorvant-rtfd");
inline const QString NSPasteboardTypeTIFF = QStringLiteral("image/tiff");
inline const QString NSPasteboardTypePDF = QStringLiteral("application/pdf");
inline const QString kUTTypeVCard = QStringLiteral("text/vcard");
// Formats written beside the system's own so other applications can paste.
inline const QString kPlainTextMimeType = QStringLiteral("text/plain");
inline const QString kPNGMimeType = QStringLiteral("image/png");
inline const QString kQtImageMimeType = QStringLiteral("application/x-qt-image");

// --- reader type lists (the first offered type of a list is taken) ------------

[[nodiscard]] const QStringList& URLPboardTypes();
[[nodiscard]] const QStringList& URLNamePboardTypes();
[[nodiscard]] const QStringList& URLListPboardTypes();
[[nodiscard]] const QStringList& richTextPboardTypes();
[[nodiscard]] const QStringList& plainTextPboardTypes();

// The file extension for data of `type`, compared exactly (case and length);
// null for an unknown or null type.
//   NSPasteboardTypeTIFF => "tiff"   "public.url" => "url"   "x" => null
[[nodiscard]] QString fileTypeForPboardType(const QString& type);

} // namespace sorvant
