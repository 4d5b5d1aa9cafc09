#pragma once
// Zip archives through the command-line tools, and a folder of dated archives
// kept down to a maximum number.
//
// Every operation answers YES when the tool ran and exited with 0. A tool
// that fails is reported with "ERROR: " and its exit status, and an archive
// that the failed run created is removed, so no partial archive is left.
//
//   compressFileAtPath("/d/Notes", "/t/n.zip", true)   => zip -r -q -y -nw in "/d",
//                                                        entries "Notes/..."
//   compressFileAtPath("/d/Notes", "/t/n.zip", false)  => entries "a.txt" ...
//   archiveDirectoryContentsAtPath("/backups", "Index", 3)
//       => "Index 2026-12-06 22-15-04", the oldest "Index <date>[.ext]" beyond 3 removed

#include <QString>
#include <QStringList>

namespace sorvant {

// Archives the item at `path` into the zip file `archivePath`: with
// `keepParent` the item's name is the archive's root, without it a folder's
// contents are. NO when either path is missing or the item does not exist.
bool compressFileAtPath(const QString& path, const QString& archivePath, bool keepParent);
bool compressFileAtPath(const QString& path, const QString& archivePath);

// Extracts the zip file `archivePath` into the folder `destination`
// ("unzip -q -o"). The compression option is nil or "-k" (zip); any other
// option has no tool here and answers NO. Only a regular file (a link
// followed) is extracted: anything else answers NO at once, with an
// "ERROR: " line, and unzip reads the very file that was checked.
bool decompressFileAtPath(const QString& archivePath, const QString& destination, const QString& compression);
bool decompressFileAtPath(const QString& archivePath, const QString& destination);

// "unzip -q -d destination archive", for regular files alone as above.
bool unzipFileAtPath(const QString& archivePath, const QString& destination);

// "zip -r -q -y -nw archive -- names..." run inside `folder`: each name is
// the item of that name, never an option or a pattern. Without `append` an
// existing archive is removed first (NO when that fails).
bool compressFiles(const QStringList& names, const QString& folder, const QString& archivePath, bool append);
bool compressFiles(const QStringList& names, const QString& folder, const QString& archivePath);

// The order of rotation, newest first: the second path's modification date
// compared with the first's (-1, 0, 1; a missing date is the oldest).
[[nodiscard]] int compareModificationDates(const QString& first, const QString& second);

// YES when `name` is one this rotation made for `prefix`: the prefix (exact
// case), " YYYY-MM-DD HH-MM-SS", and nothing more than an extension.
//   ("Index 2026-12-06 22-15-04.zip", "Index") => YES
//   ("Indexer project", "Index") => NO   ("index 2026-12-06 22-15-04", "Index") => NO
[[nodiscard]] bool isRotatedArchiveName(const QString& name, const QString& prefix);

// The name for a new archive in `folder`: `prefix` and the current time as
// " %Y-%m-%d %H-%M-%S". The folder's existing archives of that prefix
// (isRotatedArchiveName; nothing else is touched) are kept newest first, by
// modification date, down to `maxNumberOfArchives`. Nil for a nil or empty
// prefix.
[[nodiscard]] QString archiveDirectoryContentsAtPath(const QString& folder, const QString& prefix,
                                                     int maxNumberOfArchives);


} // namespace sorvant
