#pragma once
// Whole files: reading one without risk from what stands at the path, and
// writing one so that readers see either the old contents or the new ones,
// never half a file (the bytes go to a temporary file in the same folder,
// which is flushed to disk and then renamed over the destination).
//
// Paths reach the kernel byte for byte (file_system_representation.h), so
// a name holding a byte that is not UTF-8 is read and written as it is.

#include <QByteArray>
#include <QString>

#include <functional>

namespace sorvant {

// --- reading -----------------------------------------------------------------

// How readRegularFile ended.
enum class FileReadStatus {
    Read,       // the whole file is in `data`
    Missing,    // nothing at the path (ENOENT)
    NotRegular, // a folder, FIFO, device, socket…; never opened for reading
    TooLarge,   // larger than the limit; not read
    Failed,     // could not be opened or read (permissions, I/O error…)
};

// Reads the regular file at `path`, at most `maximumSize` bytes, into `data`
// (cleared first). The file is opened without blocking (a FIFO never hangs
// the caller) and its type checked on the open descriptor, so a link to a
// device is refused too. `error` (cleared first) gets the reason for every
// status but Read.
//   regular file of 3 bytes         => Read, data = its bytes
//   "/no/such/file"                 => Missing
//   a FIFO, "/dev/zero"             => NotRegular
//   a file above maximumSize        => TooLarge
//   null or "" path                 => Missing
// With `stopped`, it is asked before each step of 256 KB; once it answers
// YES the read ends with Failed, `data` cleared, "The reading was stopped".
[[nodiscard]] FileReadStatus readRegularFile(const QString& path, qint64 maximumSize, QByteArray* data,
                                             QString* error = nullptr, const std::function<bool()>& stopped = {});

// --- writing -----------------------------------------------------------------

// What an atomic write does before it writes.
enum class AtomicWrite {
    Plain,
    // Removes the temporary files that writes of the same path left when
    // they were killed between making their temporary and renaming it. It
    // reads the folder, so it is for files in folders of their own (the
    // settings). A temporary goes only when it is shown to be one
    // (marked_temporary.h): a regular file of this user on the folder's own
    // mount and local file system, marked with its own identity and not
    // locked by a running write, in this process or another; a copy of one
    // carries no such mark. Links are never followed. Each removal is logged
    // as a WARNING naming the file; a file of a temporary's name that cannot
    // be shown to be one (a file system without extended attributes, locks
    // or identities, a user's own file) is left and said once in a process.
    // A running write's temporary is never said to be left.
    RemovingLeftTemporaries,
};

// Writes `data` to `path` atomically. An existing file keeps its permission
// bits; a new one gets 0644 less the umask (the kernel applies the umask, so
// it is never changed). Answers false, and the reason in `error` when given
// (cleared first), when any step fails; the destination is then unchanged and
// no temporary file is left behind. The temporary, "<name>.tmp.XXXXXX", is
// locked and marked before it takes its name and while the write runs
// (marked_temporary.h), so that a later write can tell one a killed write
// left.
// `mayReplace`, when given, is asked just before the rename, the temporary
// written and flushed: NO abandons the write (the temporary removed, the
// destination untouched, `error` says so), as when the destination is no
// longer the version the data was made from.
//   writeFileAtomically("/tmp/a", "x")     => true
//   writeFileAtomically("/no/such/a", "x") => false, error names the path
//   writeFileAtomically({}, "x")           => false
[[nodiscard]] bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr,
                                       AtomicWrite how = AtomicWrite::Plain,
                                       const std::function<bool()>& mayReplace = {});

// Writes `data` over the file at `path` in place (made with 0666 less the
// umask when missing, truncated otherwise). Not atomic: a reader may see
// part of it. Answers false, with the reason in `error` when given.
//   writeFileInPlace("/tmp/a", "x")     => true
//   writeFileInPlace({}, "x")           => false
[[nodiscard]] bool writeFileInPlace(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace sorvant
