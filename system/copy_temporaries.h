#pragma once
// The hidden temporary items copies are made under (copyPath,
// system/file_operations.h): their names, the lock a copy holds on its own
// one while it works, and the removal of what copies made: a failed copy's
// own temporary, and the temporaries of copies killed part way, which no
// running copy holds.
//
// Not here: the copying itself (system/file_operations.cpp).

#include <QByteArray>

namespace sorvant {

// A hidden name beside `path` for a copy under way, made unique by a
// random suffix; a long name is cut so that the whole stays within
// NAME_MAX (255 bytes), and a final "/" names the same item.
//   "/a/report.pdf" => "/a/.report.pdf.sorvant-copy-x7Qk2b"
//   "/a/folder/"    => "/a/.folder.sorvant-copy-x7Qk2b"
[[nodiscard]] QByteArray temporaryNameBeside(QByteArray path);
// Whether a name (no folder) is one temporaryNameBeside makes.
//   ".report.pdf.sorvant-copy-x7Qk2b" => YES
//   "report.pdf.sorvant-copy-x7Qk2b", ".a.sorvant-copy-x7Qk2", "" => NO
[[nodiscard]] bool isTemporaryName(const QByteArray& name);

// The temporary item of one copy. From the moment the copy makes it until
// it is renamed into place or removed, the copy holds an exclusive flock on
// it (a link cannot be locked; on a file system without locks it is held
// unlocked), so that a later copy tells it from one a killed copy left.
class CopyTemporary
{
public:
    explicit CopyTemporary(QByteArray path) : m_path(std::move(path)) {}
    ~CopyTemporary();   // releases the lock; the item stays where it is
    CopyTemporary(const CopyTemporary&) = delete;
    CopyTemporary& operator=(const CopyTemporary&) = delete;

    [[nodiscard]] const QByteArray& path() const { return m_path; }
    // Whether the copy made the item at path() and it is still the copy's.
    [[nodiscard]] bool isMade() const { return m_made; }

    // The copy has just made the item at path(); `fd` is open on it (-1 for
    // a link) and is taken over. NO, with errno EEXIST, when a later copy
    // holds the item's lock or has removed it already, having taken it for
    // one a killed copy left: the item is no longer this copy's to fill.
    bool hold(int fd);
    // Removes the item when the copy made it (nothing when it did not: an
    // item of that name is someone else's). The copy's own folders that lack
    // the owner's rights (a read-only folder copied) get them back first, so
    // that what is in them can go; what still stays is logged
    // "ERROR: Couldn't remove the temporary item of a failed copy <path>: <error>".
    void remove();

private:
    QByteArray m_path;
    int m_lock = -1;
    bool m_made = false;
};

// Removes, beside `path`, the temporaries (isTemporaryName) that no
// running copy holds: a regular file or a folder of this user whose lock
// can be taken, and which is still the item looked at. They were left by
// copies killed part way. A temporary of a file system without locks, or
// that cannot be opened, is left alone. (A running copy of a build without
// these locks holds none: its temporary would go, and that copy fail.) The folder is read at the first
// copy into it a process makes, not again: one left by a copy killed
// later, in another process, goes at the next start.
void removeAbandonedTemporariesBeside(const QByteArray& path);

} // namespace sorvant
