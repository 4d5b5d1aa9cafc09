#pragma once
// The kind of a file (its MIME type's comment, "plain text document"), read
// from the shared MIME database's binary caches ("mime/mime.cache")
// directly: its name by the literal, suffix and glob lists, its first
// 16 KiB by the magic rules, by the same rules QMimeDatabase::mimeTypeForFile
// follows, so the answers are the same. The caches of every database folder
// are read, the user's first (XDG_DATA_HOME's, then XDG_DATA_DIRS'), and the
// user's win: a name the user's globs give keeps the system's suffixes and
// globs out, the user's <glob-deleteall/> drops the system's patterns of
// that type, equal magic priorities go to the user's rule, parents are
// merged. QMimeDatabase takes one lock for every lookup in the process and
// costs tens of microseconds a file; this reader takes none and a few.
// Where the caches cannot answer alone (no cache, or a folder with packages
// but no cache) the kind is QMimeDatabase's. A damaged cache (one whose
// offsets or strings run past its end) is left out and never handed to
// QMimeDatabase, which reads caches without bounds.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

namespace sorvant {

// The MIME types of files by the caches of a list of database folders. The
// folders and their caches are looked at again at most once per `recheck`
// (a stat of each cache), and a cache whose file changed (another inode,
// size or time) is read again. Thread-safe; lookups take no lock.
class MimeTypeReader
{
public:
    // `folders`: the database folders ("…/share/mime"), the most important
    // first; none: the data folders', looked up again at each recheck.
    explicit MimeTypeReader(QStringList folders = {}, std::chrono::milliseconds recheck = std::chrono::seconds(1));
    ~MimeTypeReader();
    MimeTypeReader(const MimeTypeReader&) = delete;
    MimeTypeReader& operator=(const MimeTypeReader&) = delete;

    // As mimeTypeNameOfFile() below, by these folders.
    [[nodiscard]] QString typeNameOfFile(const QByteArray& path) const;
    // The comment of `type` by these folders: QMimeDatabase's, asked once a
    // type; while one of the caches is damaged, the untranslated comment of
    // the type's own file in a sound folder, else the type's name.
    [[nodiscard]] QString commentOfType(const QString& type) const;
    // Whether one of the folders' caches is damaged (and so left out).
    [[nodiscard]] bool hasDamagedCache() const;

private:
    friend QString mimeKindOfFile(const QString& path);
    struct State;
    std::unique_ptr<State> m_state;
};

// The MIME type name of the item at `path` (its bytes; a link followed):
// "inode/directory" for a folder, "inode/fifo" and the like for special
// files, else by name and contents. Null when the caches cannot answer.
//   "/usr/bin" => "inode/directory"   "a.txt" (text) => "text/plain"
//   "Makefile" => "text/x-makefile"   an empty file without a known name =>
//   "application/x-zerosize"
[[nodiscard]] QString mimeTypeNameOfFile(const QByteArray& path);

// The comment of the MIME type of the item at `path`, in the language
// QMimeDatabase uses; QMimeDatabase's own answer where the caches cannot
// give one. Thread-safe.
[[nodiscard]] QString mimeKindOfFile(const QString& path);

} // namespace sorvant
