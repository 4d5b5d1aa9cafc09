#pragma once
// File names made from arbitrary text, and lexical work on path strings:
// containment in a folder, relative paths, standardizing without the disk,
// and path extensions. Nothing here touches the disk.
//
// The name limits: at most 250 UTF-16 units, and at most 249 bytes of
// file-system representation, counted as the UTF-8 bytes of the name as
// given (Linux stores names as written, not decomposed).
//
// Not here: the platform's own path methods (platform/path_semantics.h).

#include <QString>
#include <QStringList>

namespace sorvant {

inline constexpr qsizetype kFilenameMaxUnits = 250;
inline constexpr qsizetype kFilenameMaxBytes = 249;

// --- file names from text (in place) ---------------------------------------------------

// Makes text a valid file name: U+0000 and private-use units become spaces
// and the text is normalized to form C; ".", "/", ":" and "_" are stripped
// from both ends; the name is cut to 250 units; then in strict mode (asked
// for, and the user default "DisableStrictFilenames" not set) '"' becomes
// "'" and each of % & * / : < > ? \ | becomes "-", else only ":" and "/" do.
//   ":Report: a/b?." (strict) => "Report- a-b-"    "..." => ""    "" => ""
void createFilename(QString& string, bool strict);
void createFilename(QString& string);

// Shortens a name until its representation fits in 249 bytes (cut to 250
// units first); a surrogate pair is removed whole. An empty name stays.
void createFileSystemRepresentation(QString& string);

// Shortens a name to leave room for "." and the extension within 249 bytes,
// then appends them unless the name already ends with them. An extension of
// fewer than 1 or more than 17 units (or null) is not appended.
//   ("Report", "pdf") => "Report.pdf"   ("Report.pdf", "pdf") => "Report.pdf"
//   ("", "pdf") => ".pdf"   ("Report", "") => "Report"
void createFileSystemRepresentationAndAppendExtension(QString& string, const QString& extension);

// --- file names from text (new strings) ---------------------------------------------------

// The receiver run through createFilename; an empty receiver is answered as is.
[[nodiscard]] QString stringByCreatingFilename(const QString& string, bool strict);
[[nodiscard]] QString stringByCreatingFilename(const QString& string);
// Null for null; an empty receiver as is; else through createFileSystemRepresentation.
[[nodiscard]] QString stringByCreatingFileSystemRepresentation(const QString& string);
// Null for null; else a copy through createFileSystemRepresentationAndAppendExtension.
[[nodiscard]] QString stringByCreatingFileSystemRepresentationByAppendingExtension(const QString& string,
                                                                                 const QString& extension);

// --- tests ---------------------------------------------------------------------------------

// YES when a unit is U+0000 or private use (U+E000..U+F8FF).
//   "a\uE000" => YES   "abc" => NO   "" => NO   null => NO
[[nodiscard]] bool containsInvalidFilenameCharacters(const QString& string);
// YES when the first unit is "/" or "~".   "~/x" => YES   "x" => NO   "" => NO
[[nodiscard]] bool isPath(const QString& string);
// YES for 1 to 17 letters and digits.   "pdf" => YES   "tar.gz" => NO   "" => NO
[[nodiscard]] bool isValidPathExtension(const QString& string);

// --- extensions ------------------------------------------------------------------------------

// The path extension cut before the first of "?&;=#", when it is valid; else "".
//   "/a/page.html?x=1" => "html"   "/a/b" => ""   "a.x-y" => ""   null => ""
[[nodiscard]] QString validPathExtension(const QString& string);
// The text after the last "." of the last component, lower-cased; null when
// there is none (fewer than 2 units, a "/" first from the end, no ".").
//   "a/B.TXT" => "txt"   ".Profile" => "profile"   "a." => ""   "a.b/c" => null   "a" => null
[[nodiscard]] QString lowercasePathExtension(const QString& string);
// The receiver when the extension is null or already its own (ignoring
// case; both empty counts); else the extension appended.
//   ("a.PDF", "pdf") => "a.PDF"   ("a", "pdf") => "a.pdf"   ("a", "") => "a."
[[nodiscard]] QString stringByAppendingPathExtensionIfNecessary(const QString& string, const QString& extension);
// The receiver when the extension is null or equal to its own; else the
// extension replaced.   ("a.txt", "md") => "a.md"   ("a", "md") => "a.md"
[[nodiscard]] QString stringByReplacingPathExtensionWith(const QString& string, const QString& extension);

// --- components ------------------------------------------------------------------------------

// Without the last component, or only without a trailing "/".
//   "/a/b/" => "/a/b"   "/a/b" => "/a"   "/" => ""   "" => ""
[[nodiscard]] QString stringByDeletingFileComponent(const QString& string);
// The components with "", "." and ".." worked out lexically; ".." removes
// the component before it (never the root "/").
//   "/a/./b/../c/" => ["/", "a", "c"]   "../.." => []   "/.." => ["/"]
[[nodiscard]] QStringList StandardizedPathComponents(const QString& path);
[[nodiscard]] QStringList standardizedPathComponents(const QString& path);
// Those components joined, beginning with "/" for an absolute path; the
// root alone gives "".   "/a//./b/../c/" => "/a/c"   "/" => ""   "../x" => "x"
[[nodiscard]] QString standardizedPath(const QString& path);

// YES when the path is the folder or lies below it (trailing "/" of the
// folder ignored, exact case). An empty or all-"/" folder holds nothing.
//   ("/a/b", "/a") => YES   ("/a", "/a/") => YES   ("/ab", "/a") => NO
//   ("/a", "/") => NO   ("/a", null) => NO
[[nodiscard]] bool pathIsInDirectory(const QString& path, const QString& folder);
[[nodiscard]] bool pathIsInDirectories(const QString& path, const QStringList& folders);

// The path relative to a folder, both standardized first.
//   ("/a/b/c", "/a") => "./b/c"   ("/a/s", "/a/f") => "../s"   ("/a", "/a") => "./"
[[nodiscard]] QString relativePathToDirectory(const QString& path, const QString& folder);

} // namespace sorvant
