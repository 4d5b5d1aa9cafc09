#pragma once
// The hidden temporary items copies are made under (copyPath,
// system/file_operations.h): their names, the mark and the lock a copy
// puts on its own one, and the removal of what copies made: a failed copy's
// own temporary, and the temporaries of copies killed part way, each only
// with proof that a copy made it and no running copy holds it.
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
//   "..sorvant-copy-x7Qk2b" (no name before the mark)              => NO
[[nodiscard]] bool isTemporaryName(const QByteArray& name);

// The extended attribute a copy marks its temporary with (in the user
// namespace, the only one a user may set): its value is the item's own
// inode number, which no copy of the item by another program carries.
// Copies never copy it over from a source.
inline constexpr char kCopyTemporaryMark[] = "user.sorvant.copy-temporary";

// The temporary item of one copy. The copy makes it, marks it
// (kCopyTemporaryMark) and then holds an exclusive flock on it until it is
// renamed into place or removed, so that a later copy can prove an item
// under such a name is one a killed copy left. A link can be neither marked
// nor locked; on a file system without locks the item is held unlocked,
// without extended attributes unmarked.
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

    // Makes the folder at path(), owner-only, and holds it. NO with errno;
    // EEXIST (and isMade() NO) when the name is taken, or when what was made
    // is gone or replaced before the copy holds it, or a later copy took it
    // for one a killed copy left: another name is to be tried.
    bool makeFolder();
    // Makes the empty file at path(), owner-only, and holds it: a descriptor
    // open for writing, or -1 with errno as makeFolder.
    int makeFile();
    // The copy has made a link at path().
    void madeLink();
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
    bool hold(int fd);

    QByteArray m_path;
    int m_lock = -1;
    bool m_made = false;
};

// The moments a test may act at, as another program would: a copy has
// just made its temporary and has not opened or held it yet; a cleanup has
// just taken the lock of an item it proved a killed copy's and has not
// looked yet whether the name still leads there.
enum class TemporaryMoment { Made, LockedForRemoval };
using TemporaryHook = void (*)(TemporaryMoment moment, const char* path);
// Puts a stand-in at those moments; nullptr (the default) calls nothing.
void setTemporaryHook(TemporaryHook hook);

// Removes, beside `path`, the temporaries (isTemporaryName) that copies
// killed part way left, each only with proof: a regular file or folder of
// this user that carries the mark with its own inode, on the folder's own
// mount and not the top of another, whose lock no running copy holds; it is
// looked at again under that lock and removed only while the name still
// leads to it. Each item removed is named in the log ("Removed the
// temporary item of a stopped copy <path>"). Where proof cannot be had (a
// file system without extended attributes or locks, or whose locks may not
// reach copies on other machines: only local file systems are trusted),
// items are left and one warning for the folder says so. Links, items
// without the mark and items of other users are left unsaid. The folder is
// read at the first copy into it a process makes, not again: one left by
// a copy killed later, in another process, goes at the next start.
void removeAbandonedTemporariesBeside(const QByteArray& path);

} // namespace sorvant
