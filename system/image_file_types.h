#pragma once
// Whether a file is an image, a PDF, a PostScript file or a PDF bundle,
// decided from its extension (and an HFS type where one is given), the PDF
// to show for a PDF bundle, and whether a pasteboard offers an image.
// Reading the files themselves (pixel sizes, page counts) is in
// image_file_info.h.
//
// Extensions come without the dot. HFS types are in quoted form ("'PDF '");
// Linux files carry none, so the file variants pass no type. Null and empty
// extensions, types and paths answer false.

#include <QString>
#include <QStringList>

class QMimeData;

namespace sorvant {

// --- type lists ------------------------------------------------------------------

// The extensions Qt's image readers know (as QImageReader names them),
// followed by "jpe", "JPE", "ps", "PS", "eps", "EPS", "ai", "AI". Built once.
[[nodiscard]] const QStringList& ImageFileTypes();
// "'PDF '", "pdf", "PDF", "ps", "PS", "eps", "EPS", "ai", "AI".
[[nodiscard]] QStringList PDFFileTypes();
// "pdfd", "PDFD", "lpdf", "LPDF".
[[nodiscard]] QStringList PDFBundleTypes();

// --- images ----------------------------------------------------------------------

// Whether some entry of ImageFileTypes equals the extension ignoring case,
// or equals a non-empty type exactly.
//   ("PNG", null) => true   ("JPE", null) => true   ("eps", null) => true
//   ("txt", null) => false  (null, "'PDF '") => false   ("", "") => false
[[nodiscard]] bool isImageExtension(const QString& extension, const QString& type);
// isImageExtension of the path's extension.
//   "/a/b.Jpg" => true   "/a/b" => false   "" => false
[[nodiscard]] bool isImageFile(const QString& path);
// "jpg", "jpe", "jp2", "gif", "png" or "jpeg", ignoring case.
//   "GIF" => true   "tiff" => false   null => false
[[nodiscard]] bool isWebImageExtension(const QString& extension);

// --- PostScript and PDF -------------------------------------------------------

// "ps", "eps" or "ai", ignoring case.   "EPS" => true   "pdf" => false
[[nodiscard]] bool isPostScriptExtension(const QString& extension);
[[nodiscard]] bool isPostScriptFile(const QString& path);
// A PDF or a PostScript file (shown converted to PDF): the type "'PDF '",
// the extension "pdf" (any case), or a PostScript extension.
//   ("ai", null) => true   (null, "'PDF '") => true   ("png", null) => false
[[nodiscard]] bool isPDFExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isPDFFile(const QString& path);
// A PDF proper: the extension "pdf" (any case) or the type "'PDF '".
//   ("eps", null) => false   ("Pdf", null) => true
[[nodiscard]] bool isRealPDFExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isRealPDFFile(const QString& path);

// --- PDF bundles -------------------------------------------------------------------

// "pdfd" or "lpdf", ignoring case.
[[nodiscard]] bool isPDFBundleExtension(const QString& extension);
// Whether the path ends in ".pdfd" (a folder holding a PDF and its notes),
// ignoring case.   "/a/x.PDFD" => true   "/a/x.pdf" => false
[[nodiscard]] bool isSkimPDFBundle(const QString& path);
// Whether the path ends in ".lpdf" (a PDF localized per language), ignoring case.
[[nodiscard]] bool isLocalizedPDFBundle(const QString& path);
[[nodiscard]] bool isPDFBundle(const QString& path);

// The PDF to show for an item:
// - any path that is no PDF bundle: the path itself;
// - a ".pdfd" bundle: its "<bundle name>.pdf" when that exists, else its
//   first file (by name) whose extension is "pdf" in any case, else the
//   bundle path;
// - a ".lpdf" bundle: the first PDF (by name) of the localization that best
//   matches the user's languages, looked for in "<lang>.lproj" folders of
//   "Contents/Resources" (or of the bundle itself when it has no
//   "Contents"); null when there is none.
//   "/a/b.txt" => "/a/b.txt"   "/a/x.pdfd" holding "x.pdf" => "/a/x.pdfd/x.pdf"
[[nodiscard]] QString pathToPDF(const QString& path);

// The localization folder name ("de.lproj" without ".lproj") of
// `localizations` that best matches `languages` (BCP 47 or POSIX forms,
// best first): an exact match, then the language alone ("de" for "de-AT"),
// then the language's English name as older bundles spell it ("German"),
// then "en" or "English", then the first by name. Null for an empty list.
//   ({"en", "fr"}, {"fr-CA"}) => "fr"   ({"German", "en"}, {"de"}) => "German"
[[nodiscard]] QString preferredLocalization(const QStringList& localizations, const QStringList& languages);

// --- pasteboards ---------------------------------------------------------------

// Whether pasteboard data probably makes an image. The first type present of
// JPEG 2000, JPEG, PNG, Qt's image, TIFF, PDF, PostScript, icon and URI
// list decides: a URI list only when it holds exactly one file URL whose
// path isImageFile; every other of these types yes. None present, or null
// data: false.
[[nodiscard]] bool canProbablyInitWithPasteboard(const QMimeData* pasteboard);

} // namespace sorvant
