#pragma once
// The shared MIME database read by our own bounded reader (mime_cache.h):
// the caches of every database folder, the user's first (XDG_DATA_HOME's,
// then XDG_DATA_DIRS'), merged as the database's rules say: a name the
// user's globs give keeps the system's suffixes and globs out, the user's
// <glob-deleteall/> and <magic-deleteall/> drop the system's patterns and
// rules of that type, equal magic priorities go to the user's rule, parents
// are merged. Types by file name and contents, aliases, ancestors, icon
// names and comments (from the per-type files "<folder>/<media>/<sub>.xml").
//
// Qt's QMimeDatabase reads the same caches mapped and without bounds checks
// (a damaged cache faults it, a FIFO blocks it, a cache rewritten in place
// faults it): it is asked only where no folder has a cache our reader can
// read, and never while a folder holds a cache left out as unusable. A cache
// of a version neither reader knows (1.0, 2.x) is named once and its folder
// read as one without a cache: by its packages, through Qt's database, which
// reads them in that case.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

namespace sorvant {

// The MIME types of files by the caches of a list of database folders. The
// folders and their caches are looked at again at most once per `recheck`
// (a stat of each cache), and a cache whose file changed (another inode,
// size or time) is read again. Thread-safe: a lookup takes a short lock to
// copy the pointer to the snapshot of the caches it then reads.
class MimeTypeReader
{
public:
    // `folders`: the database folders ("…/share/mime"), the most important
    // first; none: the data folders', looked up again at each recheck.
    explicit MimeTypeReader(QStringList folders = {}, std::chrono::milliseconds recheck = std::chrono::seconds(1));
    ~MimeTypeReader();
    MimeTypeReader(const MimeTypeReader&) = delete;
    MimeTypeReader& operator=(const MimeTypeReader&) = delete;

    // Whether the caches answer alone: a cache was read and no folder
    // defines types without one (or with a cache of another version); or a
    // cache is unusable (then the sound ones answer, Qt's database being no
    // option).
    [[nodiscard]] bool answers() const;
    // Whether one of the folders' caches is unusable (and so left out).
    [[nodiscard]] bool hasDamagedCache() const;

    // As mimeTypeNameOfFile() below, by these folders; null unless answers().
    [[nodiscard]] QString typeNameOfFile(const QByteArray& path) const;
    // The type of a file name by its patterns alone; the default type when
    // none matches; null unless answers().
    [[nodiscard]] QString typeNameOfFileName(const QString& name) const;
    // The type an alias stands for, else `type` itself.
    [[nodiscard]] QString canonicalTypeName(const QString& type) const;
    // Whether the folders know `type` (a type file or a cache entry of it).
    [[nodiscard]] bool knowsType(const QString& type) const;
    // The ancestors of `type`, nearest first, without duplicates.
    [[nodiscard]] QStringList ancestorsOfType(const QString& type) const;
    // The icon name of `type`: the caches', else "text-plain" for
    // "text/plain"; its generic icon: the caches', else "text-x-generic".
    [[nodiscard]] QString iconNameOfType(const QString& type) const;
    [[nodiscard]] QString genericIconNameOfType(const QString& type) const;
    // The comment of `type` in the current language: the type's own file
    // in the first folder that has one; the type's name when none does.
    [[nodiscard]] QString commentOfType(const QString& type) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The process's database, by the data folders. Each answers by our reader,
// and by Qt's database only where no folder has a cache our reader reads
// and none holds an unusable one.

// The MIME type name of the item at `path` (its bytes; a link followed):
// "inode/directory" for a folder, "inode/fifo" and the like for special
// files, else by name and contents. Null when the caches cannot answer.
//   "/usr/bin" => "inode/directory"   "a.txt" (text) => "text/plain"
//   "Makefile" => "text/x-makefile"   an empty file without a known name =>
//   "application/x-zerosize"          "" => null
[[nodiscard]] QString mimeTypeNameOfFile(const QByteArray& path);
// The same, never null for a path that is not empty (Qt's answer where the
// caches cannot give one).
[[nodiscard]] QString mimeTypeOfFile(const QString& path);
// The type of a file name by its patterns alone.
//   "x.png" => "image/png"   "x.zzz9" => "application/octet-stream"   "" => "application/octet-stream"
[[nodiscard]] QString mimeTypeOfFileName(const QString& name);
// The type an alias stands for, else the type itself; "" => "".
[[nodiscard]] QString canonicalMimeTypeName(const QString& type);
// Whether the database knows `type`; false for "".
[[nodiscard]] bool isKnownMimeType(const QString& type);
// The ancestors of `type`, nearest first.
//   "text/x-csrc" => {"text/plain", "application/octet-stream"}   "" => {}
[[nodiscard]] QStringList mimeTypeAncestors(const QString& type);
// Whether `type` is `ancestor` or derives from it.
//   ("text/x-csrc", "text/plain") => true   ("", "") => false
[[nodiscard]] bool mimeTypeInherits(const QString& type, const QString& ancestor);
// The icon names of `type`.
//   "text/plain" => "text-plain", generic "text-x-generic"   "" => "", ""
[[nodiscard]] QString mimeTypeIconName(const QString& type);
[[nodiscard]] QString mimeTypeGenericIconName(const QString& type);
// The comment of `type` in the current language ("plain text document").
//   "" => ""
[[nodiscard]] QString mimeTypeComment(const QString& type);

} // namespace sorvant
