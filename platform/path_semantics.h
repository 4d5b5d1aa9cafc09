#pragma once
// The path-string methods of the platform's string class, rebuilt for Linux:
// components, last component, extensions, appending, standardizing, tilde
// expansion and abbreviation, and the resolution of symbolic links.
//
// Everything but the last section is lexical and cannot fail. Paths are
// "/"-separated strings; a null QString (nil) gives null, an empty one gives
// the empty result named in each table. Runs of "/" count as one separator.
//
// Not here: file names made from titles and containment tests (system/
// file_names.h), standard folders (system/standard_folders.h), the bytes a
// path has on disk (platform/file_system_representation.h).

#include <QString>
#include <QStringList>

namespace sorvant {

// --- components ------------------------------------------------------------

// The components of a path; a leading "/" and a trailing "/" are components
// of their own, runs of "/" count once.
//   "/tmp/scratch.tiff" => ["/", "tmp", "scratch.tiff"]
//   "tmp/scratch.tiff"  => ["tmp", "scratch.tiff"]
//   "/tmp/"             => ["/", "tmp", "/"]
//   "/"                 => ["/"]
//   "" or null          => []
[[nodiscard]] QStringList pathComponents(const QString& path);

// Joins components with "/" (a "/" component adds no separator of its own),
// then collapses runs of "/" and drops a trailing "/".
//   ["/", "tmp", "x"] => "/tmp/x"    ["a", "b"] => "a/b"
//   ["/"] => "/"                     [] => ""
[[nodiscard]] QString pathWithComponents(const QStringList& components);

// The last component, trailing "/" ignored.
//   "/tmp/scratch.tiff" => "scratch.tiff"   "/tmp/" => "tmp"
//   "/" => "/"   "scratch" => "scratch"   "" => ""   null => null
[[nodiscard]] QString lastPathComponent(const QString& path);

// The path without its last component, trailing "/" ignored.
//   "/tmp/scratch.tiff" => "/tmp"   "/tmp/lock/" => "/tmp"   "/tmp" => "/"
//   "/" => "/"   "scratch.tiff" => ""   "" => ""   null => null
[[nodiscard]] QString stringByDeletingLastPathComponent(const QString& path);

// Appends a component with one "/" between, collapses runs of "/" and drops
// a trailing "/".
//   ("/tmp", "x") => "/tmp/x"   ("/tmp/", "/x/") => "/tmp/x"   ("/", "x") => "/x"
//   ("", "x") => "x"   ("/tmp", "") => "/tmp"   (null, "x") => null
[[nodiscard]] QString stringByAppendingPathComponent(const QString& path, const QString& component);
// stringByAppendingPathComponent for each component in turn, in one pass
// (appending one by one copies the whole path for each).
//   ("/a", {"b", "", "c/"}) => "/a/b/c"   ("", {"", "b"}) => "b"
//   ("/a/", {}) => "/a/"   (null, {"b"}) => null
[[nodiscard]] QString stringByAppendingPathComponents(const QString& path, const QStringList& components);

// YES when the path begins with "/" or "~".
//   "/tmp" => YES   "~/x" => YES   "tmp" => NO   "" => NO   null => NO
[[nodiscard]] bool isAbsolutePath(const QString& path);

// --- extensions --------------------------------------------------------------

// The text after the last "." of the last component; a "." that begins the
// component does not start an extension.
//   "/tmp/scratch.tiff" => "tiff"   "a.tar.gz" => "gz"   "/tmp/" => ""
//   ".bashrc" => ""   "name." => ""   "" => ""   null => null
[[nodiscard]] QString pathExtension(const QString& path);

// The path without "." and its extension (trailing "/" dropped).
//   "/tmp/scratch.tiff" => "/tmp/scratch"   "/tmp/" => "/tmp"
//   ".bashrc" => ".bashrc"   "/" => "/"   "" => ""   null => null
[[nodiscard]] QString stringByDeletingPathExtension(const QString& path);

// Appends "." and an extension to the last component (trailing "/" dropped).
// Null when the path has no last component to extend or the extension
// holds a "/".
//   ("/tmp/scratch.old", "tiff") => "/tmp/scratch.old.tiff"
//   ("/tmp/", "tiff") => "/tmp.tiff"   ("x", "") => "x."
//   ("/", "tiff") => null   ("", "tiff") => null   ("x", "a/b") => null
[[nodiscard]] QString stringByAppendingPathExtension(const QString& path, const QString& extension);

// --- home folder and tilde -----------------------------------------------------

// The home folder of the process: $HOME when set and not empty, else the
// password database's entry of the real user id, else "/". Not cached, so a
// changed HOME is seen.
[[nodiscard]] QString NSHomeDirectory();

// The home folder of a user name from the password database; null when the
// user is unknown.   "root" => "/root"   "" => null
[[nodiscard]] QString homeDirectoryForUser(const QString& user);

// The folder for temporary files, with a trailing "/": $TMPDIR when set and
// not empty, else "/tmp/".
[[nodiscard]] QString NSTemporaryDirectory();

// Replaces a leading "~" or "~user" with the home folder.
//   "~" => "/home/me"   "~/x" => "/home/me/x"   "~root/x" => "/root/x"
//   "~nosuchuser/x" => unchanged   "/tmp" => unchanged   "" => ""   null => null
[[nodiscard]] QString stringByExpandingTildeInPath(const QString& path);

// Replaces the home folder at the start of a path with "~" (never when the
// home folder is "/").
//   "/home/me" => "~"   "/home/me/x" => "~/x"   "/home/meadow" => unchanged
//   "" => ""   null => null
[[nodiscard]] QString stringByAbbreviatingWithTildeInPath(const QString& path);

// --- standardizing -------------------------------------------------------------

// Expands the tilde, collapses runs of "/", removes "." components and a
// trailing "/", and in absolute paths removes each ".." with the component
// before it (lexically; "/.." is "/"). Relative paths keep their "..".
//   "/a/./b//../c/" => "/a/c"   "~/x" => "/home/me/x"   "a/../b" => "a/../b"
//   "./a" => "a"   "." => "."   "/" => "/"   "" => ""   null => null
[[nodiscard]] QString stringByStandardizingPath(const QString& path);

// --- on the file system ----------------------------------------------------------

// The path with its tilde expanded and every symbolic link along it resolved
// (up to 40 links), "." removed and ".." taken physically (after a link it
// leaves the link's target). A tail that does not exist is kept as written,
// standardized. A relative path is only standardized. A link loop answers
// the standardized path unresolved.
//   "/link-to-usr/bin" => "/usr/bin"   "/tmp/missing/x" => "/tmp/missing/x"
//   "" => ""   null => null
[[nodiscard]] QString stringByResolvingSymlinksInPath(const QString& path);

} // namespace sorvant
