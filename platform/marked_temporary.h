#pragma once
// Temporary items that a later process can prove were left by a killed
// writer: the names they take, the mark and the lock their maker holds on
// them, and the look that proves one abandoned. Saves (atomic_file.h) and
// copies (system/copy_temporaries.h) both make theirs here.
//
// A temporary is never seen under its name unlocked and unmarked: a file is
// made unnamed (O_TMPFILE), locked and marked on its descriptor and only
// then linked in. Where a file system refuses unnamed files, and for
// folders, the maker holds a shared lock of the folder from the making to
// the mark; a look speaks of an unmarked item only with that folder lock
// taken exclusively, so never of one whose maker is still in that moment.
//
// The mark ("user.sorvant.temporary") names the item itself: its inode
// number with its birth time and its generation, as far as the file system
// gives them. No copy or restore of the item carries them (a restore may
// get the same inode number back, never the same birth time or generation),
// so a mark carried over proves nothing.
//
// Not here: what a removal removes (the caller's), the writing itself.

#include "platform/unique_fd.h"

#include <QByteArray>
#include <QByteArrayView>

struct statx;

namespace sorvant {

// --- names -------------------------------------------------------------------

// Appends six random letters of [a-zA-Z0-9] to `name`.
//   "a.tmp." => "a.tmp.x7Qk2b"
void appendTemporarySuffix(QByteArray& name);

// The size of what comes before `marker` when `name` is that, `marker` and
// six letters of the suffix's alphabet; -1 otherwise.
//   ("s.plist.tmp.Ab3dE9", ".tmp.") => 7
//   (".tmp.Ab3dE9", ".tmp.")        => 0
//   ("s.plist.tmp.Ab3dE", ".tmp."), ("s.plist.tmp.Ab3d-9", ".tmp."), ("", ".tmp.") => -1
[[nodiscard]] qsizetype temporaryStemSize(QByteArrayView name, QByteArrayView marker);

// --- the mark ----------------------------------------------------------------

// The extended attribute a temporary is marked with (the user namespace, the
// only one a user may set). A copy never carries it over from a source.
inline constexpr char kTemporaryMark[] = "user.sorvant.temporary";

// What the mark of the item open at `fd` holds: "<inode>:<birth time>:<generation>",
// a part the file system does not give left empty. Empty when the item cannot
// be looked at.
//   ext4  => "12:1796781119.370251600:2815385737"
//   tmpfs => "3:1796781119.382251600:"
//   ramfs => "65377::" (no birth time, no generation: proves nothing)
[[nodiscard]] QByteArray temporaryIdentity(int fd);

// --- making ------------------------------------------------------------------

// The moments a test may act at, as another program would: a maker has
// just put its temporary under its name (a folder is not opened yet, a file
// is held and marked); a maker is about to lock its temporary; a look has
// just locked an item it proved abandoned and has not looked again whether
// the name still leads there.
enum class TemporaryMoment { Made, Locking, LockedForRemoval };
using TemporaryHook = void (*)(TemporaryMoment moment, const char* path);
// Puts a stand-in at those moments; nullptr (the default) calls nothing.
void setTemporaryHook(TemporaryHook hook);

// One temporary item, locked (an exclusive flock, which the kernel drops when
// the process dies) and marked from before it can be seen under its name
// until release(). On a file system without locks it is held unlocked,
// without extended attributes unmarked.
class MarkedTemporary
{
public:
    MarkedTemporary() = default;
    ~MarkedTemporary();   // release()
    MarkedTemporary(const MarkedTemporary&) = delete;
    MarkedTemporary& operator=(const MarkedTemporary&) = delete;

    // Makes the regular file `path` with `mode` (less the umask): answers a
    // descriptor open for reading and writing, the caller's, or nothing
    // with errno. EEXIST when the name is taken, or when what was made was
    // gone or replaced before it was held (isMade() NO): another name is to
    // be tried. Links are never followed.
    [[nodiscard]] UniqueFd makeFile(const QByteArray& path, unsigned int mode);
    // Makes the folder `path` with `mode` (less the umask) and holds it. NO
    // with errno as makeFile; a folder made that cannot be opened to hold is
    // isMade() and unheld.
    [[nodiscard]] bool makeFolder(const QByteArray& path, unsigned int mode);

    // Whether the item at the path given is the one made here.
    [[nodiscard]] bool isMade() const { return m_made; }
    // The item stands where it was meant to now: the mark goes (a read-only
    // item lends its owner the write right for that moment), the lock stays
    // until release().
    void unmark();
    // Lets the lock go; the item stays where it is.
    void release();

private:
    bool hold(UniqueFd lock, const QByteArray& path);

    UniqueFd m_lock;
    bool m_made = false;
};

// --- looking -----------------------------------------------------------------

// What a look at an item under a temporary's name found.
enum class TemporaryFinding {
    Proved,       // abandoned: marked with its own identity, locked by no one (held now)
    Gone,         // nothing there, or the name leads elsewhere once locked
    Live,         // its maker (or someone) holds its lock
    Unsettled,    // a maker is between making an item there and marking it
    Link,         // a symbolic link: never followed
    OtherKind,    // not of the kinds looked for (a FIFO, a device…)
    OtherUser,    // another user's
    OtherMount,   // on another mount than the folder, or the top of one
    Unreadable,   // could not be opened or looked at (error())
    Unmarked,     // no mark, or one another item's (a copy's, a restore's)
    NoMarks,      // its file system keeps no user extended attributes
    NoIdentity,   // its file system gives neither birth time nor generation
    NoLocks,      // no locks, or locks that may not reach every maker (not a local file system)
};

// Which items a look may prove.
enum class TemporaryKinds { Files, FilesAndFolders };

// Looks at `name` in the folder open at `folder` (at `folderPath`, for the
// hook) and proves it abandoned or says why not. Every check is made on the
// descriptor opened: a regular file (or folder) of this user, on the
// folder's own mount and not the top of another, on a local file system,
// marked with its own identity, whose lock no one holds. The item is looked at again under that lock: a name
// that leads elsewhere by then, or an item unmarked meanwhile (its maker
// placed it), is Gone. What is not proved but may be said (Unmarked,
// NoMarks, NoIdentity, NoLocks) is Live while locked and Unsettled while a
// maker is making something in the folder, so a running maker's item is
// never said to be left.
class TemporaryLook
{
public:
    TemporaryLook(int folder, const QByteArray& folderPath, const QByteArray& name, TemporaryKinds kinds);
    ~TemporaryLook();
    TemporaryLook(const TemporaryLook&) = delete;
    TemporaryLook& operator=(const TemporaryLook&) = delete;

    [[nodiscard]] TemporaryFinding finding() const { return m_finding; }
    // The item opened (-1 when none): locked while Proved, until destruction,
    // so the caller removes it under the lock.
    [[nodiscard]] int descriptor() const { return m_fd.get(); }
    // The errno of Unreadable.
    [[nodiscard]] int error() const { return m_error; }

private:
    TemporaryFinding look(int folder, const QByteArray& folderPath, const QByteArray& name, TemporaryKinds kinds);
    TemporaryFinding unproved(int folder, const QByteArray& name, const struct statx& opened,
                              TemporaryFinding finding);

    UniqueFd m_fd;
    int m_error = 0;
    TemporaryFinding m_finding = TemporaryFinding::Gone;
};

// Whether flocks on the file system of the item open at `fd` reach every
// process that could work there: a local file system. On network and FUSE
// file systems a lock may stay on the machine that took it (NFS mounted
// "nolock", SMB, sshfs).
[[nodiscard]] bool hasLocksForAllWriters(int fd);

// The file-system type (statfs f_type) of the item open at `fd`; NO when it
// cannot be had. A test puts a stand-in here to act as another file system;
// nullptr restores fstatfs.
using FileSystemTypeOf = bool (*)(int fd, unsigned long* type);
void setFileSystemTypeFunction(FileSystemTypeOf function);

} // namespace sorvant
