#pragma once
// A short type for every file, folder and URL, and small icons for those
// types, for the results table's file cell and the Open With menu. A type
// is "'fldr'" for a folder that is no package and otherwise the extension
// (Linux files carry no type codes); URLs of other schemes get the
// extension of a location file of that scheme.
//
// Icons come from the MIME type's icon in the freedesktop icon theme
// (system/icon_theme.h), then its generic icon, then the pictures the
// program ships (":/icons/…"), so a machine without a theme still shows
// pictures. Applications show their desktop entry's Icon=. Three caches of
// 128 scaled icons each (by type and size, by path and size for custom
// icons, and by application) may be used from any thread.
//
// QImage has no scales-when-resized flag: `scales` is accepted for the
// callers and changes nothing; every icon is scaled to the size asked.

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

namespace sorvant {

class URL;

inline const QString kFolderType = QStringLiteral("'fldr'");

// --- types -------------------------------------------------------------------

// "'fldr'" for an existing folder that is no package, else the extension.
//   folder => "'fldr'"   "x.textbundle" (a folder) => "textbundle"
//   "/missing/a.txt" => "txt"   "/f" => ""   null => null
[[nodiscard]] QString fileTypeForPath(const QString& path);
// "'fldr'" for a URL naming a site folder (never for a file URL), else the
// extension of its path.
//   "http://h/a/" => "'fldr'"   "http://h/a.html" => "html"
//   "http://h/a?q=1" => ""      file URL of a folder => its extension
[[nodiscard]] QString fileTypeForURL(const URL& url);
// A file URL's fileTypeForPath; otherwise by scheme: http(s) "webloc",
// ftp(s)/sftp "ftploc", mailto "mailloc", news/nntp "newsloc", addressbook
// "vcf", any other "inetloc". Null for a null URL.
[[nodiscard]] QString fileTypeForURLScheme(const URL& url);

// --- icons (null when none) -----------------------------------------------------

// The icon of a type at its natural size, uncached.
[[nodiscard]] QImage safeIconForFileType(const QString& type);
// The icon of a type scaled to `size`, uncached.
[[nodiscard]] QImage iconForFileType(const QString& type, bool scales, QSize size);
// The same from the cache; "jpeg", "jpe" and "jpg" (any case) share one
// entry. With a path, a miss takes the file's own icon for the type.
[[nodiscard]] QImage cachedIconForFileType(const QString& type, bool scales, QSize size);
[[nodiscard]] QImage cachedIconForFileType(const QString& type, const QString& path, bool scales, QSize size);
// The folder icon at 16 x 16.
[[nodiscard]] QImage cachedFolderIcon();

// The icon of the item itself: an application's Icon=, a folder's, a
// file's type icon.
[[nodiscard]] QImage iconForFile(const QString& path, bool scales, QSize size);
[[nodiscard]] QImage cachedIconForFile(const QString& path, bool scales, QSize size);
// iconForFile when the item has a custom icon (system/lock_files.h), else
// null; the cached form remembers "none" too.
[[nodiscard]] QImage customIconForFile(const QString& path, bool scales, QSize size);
[[nodiscard]] QImage cachedCustomIconForFile(const QString& path, bool scales, QSize size);

[[nodiscard]] QImage iconForURL(const URL& url, bool scales, QSize size);
[[nodiscard]] QImage cachedIconForURL(const URL& url, bool scales, QSize size);
[[nodiscard]] QImage iconForURLScheme(const URL& url, bool scales, QSize size);
[[nodiscard]] QImage cachedIconForURLScheme(const URL& url, bool scales, QSize size);
// An application's (desktop file's) icon at 16 x 16, cached by path.
[[nodiscard]] QImage cachedIconForApp(const QString& applicationPath);

// --- icons without waiting (the interface thread) --------------------------------

// The cached icon of a type at `size` when it has been looked up; else null,
// and the look-up runs on the thread pool (once per type and size, however
// often asked), after which typeIconsDidLoad() is told. A null type is null.
[[nodiscard]] QImage readyIconForFileType(const QString& type, QSize size);
// What a type shows until its own icon is ready: the shipped folder picture
// for a folder, else the shipped document picture; read from the program's
// resources, never from the disk. Null for a null type.
//   "'fldr'" => folder   "txt" => document   "" => document   null => null
[[nodiscard]] QImage placeholderIconForFileType(const QString& type, QSize size);

// Tells, on the thread of the first readyIconForFileType call (the
// interface thread), that icons it looked up on the pool are ready.
class TypeIconLoading : public QObject
{
    Q_OBJECT
public:
    [[nodiscard]] static TypeIconLoading& shared();

signals:
    void typeIconsDidLoad();
};

// Empties the three caches (tests, or after the icon theme changed).
void clearIconCaches();

} // namespace sorvant
