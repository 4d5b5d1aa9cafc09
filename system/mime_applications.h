#pragma once
// Which applications open which MIME types, by the freedesktop MIME
// applications rules: mimeapps.list files (Default, Added and Removed
// Associations) in $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $XDG_DATA_HOME/
// applications and $XDG_DATA_DIRS/applications, desktop-specific
// "<desktop>-mimeapps.list" before each plain one, the entries' own
// MimeType= lines, and the parent types of the shared MIME database. A type
// a list or an entry names by an alias counts for the type it stands for
// ("text/xml" for "application/xml"). URL schemes are the types
// "x-scheme-handler/<scheme>".
//
// Applications are answered as the paths of their desktop files.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace sorvant {

class URL;

// The mimeapps.list files consulted, most important first, whether or not
// they exist.
[[nodiscard]] QStringList mimeAppsListFiles();

// A summary of what the answers below are read from: each applications
// folder and every entry and folder below it (through symlinked folders,
// each real folder once), each mimeapps.list file and
// the MIME database's caches, by whether each exists and its modification
// time, size, inode and change time. An entry added, removed, renamed or
// edited in place, or a list written, changes it, so equal summaries let a
// caller reuse its answers.
//
// The answers share one index of the lists and the entries' types, read
// once and kept while that summary holds: each answer stats the items it
// was read from (no folder is listed again) and reads the index again only
// when one changed. Thread-safe.
[[nodiscard]] QByteArray applicationAssociationsState();
// How many times this process has read that index (for tests).
[[nodiscard]] quint64 applicationAssociationIndexReads();

// While one lives, the answers below on its thread use the index as it was
// when it was made, without looking at its items again: one look for a
// user's action over many items (Open With's answer for a selection of
// N files). Nests; the outer one is in force again when an inner one ends.
class HeldApplicationAssociations
{
public:
    HeldApplicationAssociations();
    ~HeldApplicationAssociations();
    HeldApplicationAssociations(const HeldApplicationAssociations&) = delete;
    HeldApplicationAssociations& operator=(const HeldApplicationAssociations&) = delete;

private:
    std::shared_ptr<const void> m_previous;
};

// The MIME type of an item: a URL's scheme handler type for other URLs
// ("x-scheme-handler/https"), the shared database's type of a file (by
// name, then contents) for paths and file URLs, "inode/directory" for
// folders. Null for a null URL. The path's bytes are read, so a name that
// is not UTF-8 is typed by its own contents.
[[nodiscard]] QString mimeTypeForPath(const QString& path);
[[nodiscard]] QString mimeTypeForURL(const URL& url);

// The type of a file name by its extension alone ("x.png" => "image/png");
// "application/octet-stream" when unknown.
[[nodiscard]] QString mimeTypeForFileName(const QString& name);

// The type followed by its ancestors in the shared database, without
// duplicates.
//   "text/x-csrc" => {"text/x-csrc", "text/plain", "application/octet-stream"}
[[nodiscard]] QStringList mimeTypeAndAncestors(const QString& type);

// The applications that open `type` (or one of its parents): Added
// Associations first, then the entries that list the type, without those
// a Removed Associations line takes away; the desktop file paths, best
// first, without duplicates. Only applications that can run are listed: an
// entry whose TryExec= program is missing, or of Type=Link, is not.
[[nodiscard]] QStringList applicationsForMimeType(const QString& type);

// The default application of `type`: the first installed Default
// Applications entry for the type or, failing that, its first associated
// application; then the same for each parent type. Null when none.
[[nodiscard]] QString defaultApplicationForMimeType(const QString& type);
// Every application in that order, best first: opening walks it when the
// first cannot run.
[[nodiscard]] QStringList defaultApplicationsForMimeType(const QString& type);
// The same for `type` alone, without the applications that take it only
// through a parent type (an editor of "text/plain" for "text/html"): who
// really shows it. Empty for an empty type.
[[nodiscard]] QStringList defaultApplicationsForMimeTypeOnly(const QString& type);
// The name of the default application of `type` (or of a parent type, in
// defaultApplicationsForMimeType's order, whether set in mimeapps.list or
// found through the entries' MimeType= lines) when it is installed but
// needs a terminal and no terminal emulator is found; null when a default
// that can run comes first, or there is none.
//   "text/plain" => "Vi" (Terminal=true, no terminal emulator)
[[nodiscard]] QString defaultApplicationNeedingTerminal(const QString& type);

} // namespace sorvant
