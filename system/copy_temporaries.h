#pragma once
// The hidden temporary items copies are made under (copyPath,
// system/file_operations.h): their names, the mark and the lock a copy
// puts on its own one, and the removal of what copies made: a failed copy's
// own temporary, and the temporaries of copies killed part way, each only
// with proof that a copy made it and no running copy holds it.
//
// Not here: the copying itself (system/file_operations.cpp).

#include "platform/marked_temporary.h"

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
//   "..sorvant-copy-x7Qk2b" (no name before the mark)              => NO
[[nodiscard]] bool isTemporaryName(const QByteArray& name);

// The temporary item of one copy (a MarkedTemporary): locked and marked
// with its own identity before a later copy could prove it abandoned, held
// until it is renamed into place or removed. A link can be neither marked
// nor locked.
class CopyTemporary
{
public:
    explicit CopyTemporary(QByteArray path) : m_path(std::move(path)) {}

    [[nodiscard]] const QByteArray& path() const { return m_path; }
    // Whether the copy made the item at path() and it is still the copy's.
    [[nodiscard]] bool isMade() const { return m_linked || (m_item.isMade() && !m_removed); }

    // Makes the folder at path(), owner-only, and holds it. NO with errno;
    // EEXIST (and isMade() NO) when the name is taken, or when what was made
    // is gone or replaced before the copy holds it: another name is to be
    // tried.
    bool makeFolder() { return m_item.makeFolder(m_path, 0700); }
    // Makes the empty file at path(), owner-only, and holds it: a descriptor
    // open for writing, or nothing with errno as makeFolder.
    [[nodiscard]] UniqueFd makeFile() { return m_item.makeFile(m_path, 0600); }
    // The copy has made a link at path().
    void madeLink() { m_linked = true; }
    // The copy now stands in its place: its mark goes (the item keeps
    // the times and permissions it was given) and the lock is released.
    void placed();
    // Removes the item when the copy made it (nothing when it did not: an
    // item of that name is someone else's). The copy's own folders that lack
    // the owner's rights (a read-only folder copied) get them back first, so
    // that what is in them can go; what still stays is logged
    // "ERROR: Couldn't remove the temporary item of a failed copy <path>: <error>".
    void remove();

private:
    QByteArray m_path;
    MarkedTemporary m_item;
    bool m_linked = false;
    bool m_removed = false;
};

// Removes, beside `path`, the temporaries (isTemporaryName) that copies
// killed part way left, each only with proof (TemporaryLook,
// platform/marked_temporary.h): a regular file or folder of this user that
// carries the mark of its own identity (its inode with its birth time or
// generation: no copy or restore of it carries that), on the folder's own
// mount and not the top of another, whose lock no running copy holds; it is
// looked at again under that lock and removed only while the name still
// leads to it. Each item removed is named in the log ("Removed the
// temporary item of a stopped copy <path>"). Where proof cannot be had (a
// file system without extended attributes, identities or locks, or whose
// locks may not reach copies on other machines: only local file systems
// are trusted), items are left and one warning for the folder says so; a
// running copy's temporary is not counted among them. An empty folder
// without the mark, as a folder copy killed before it marked its folder
// leaves, is left and said with a warning naming it. Links, other items
// without the mark and items of other users are left unsaid. The folder is read at
// the first copy into it a process makes, not again: one left by a copy
// killed later, in another process, goes at the next start.
void removeAbandonedTemporariesBeside(const QByteArray& path);

} // namespace sorvant
