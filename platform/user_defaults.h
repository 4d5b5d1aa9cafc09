#pragma once
// UserDefaults: the settings store of the application, as three domains of
// typed values searched in this order:
//   1. the argument domain, from "-Key value" pairs on the command line;
//   2. the persistent domain of the application, an XML property list at
//      $XDG_CONFIG_HOME/sorvant/org.tarrenbeck.Sorvant.plist (~/.config when
//      the variable is unset, empty or relative), or a binary one (see
//      below);
//   3. the registration domain, defaults the program registers at launch.
//
// Values keep their type exactly (bool, integer, real, string, date, data,
// array, dictionary; see property_list.h), also between processes; a value
// the file gave that cannot be written back (a binary list's date past the
// year 9999) is left out of the next write with a "WARNING: " naming its
// key, and the other settings are saved. Every
// change to the persistent domain is written to disk atomically, so a crash
// never leaves half a file and another process reads the change after
// `synchronize()`. A write applies this object's changes (the keys it set
// or removed since it last read or wrote the file) to what the file holds
// at that moment, under a lock of the settings (lockPath(), taken with
// flock) that every save holds from its read to its rename, so keys
// another process changed are kept even when both save at once. A lock
// that cannot be taken (the lock file's place holds a folder, the file
// system has no locks, a process that has ended handed it to a child)
// costs no save: it is written without the lock and a "WARNING: " says so
// once. A lock a live process holds for 30 s (a stopped one, say) is
// waited for: the changes stay pending, the writer tries again, a
// "WARNING: " says once that the save waits, and what is still unsaved
// when the object ends is named with "ERROR: ". Just before its rename a
// save checks that the file is still the one it read and merged, and
// merges again when it is not, so it never puts back an older file. Changes
// are written at once on the caller's thread, or, after
// setCoalescedWrites(), by a thread of this object's own once they have
// settled: the keys one user action changes make one write, and the caller
// never waits for the disk.
//
// A value in the file that the reader refuses (text holding a NUL or an
// unpaired surrogate, an integer past 64 bits) is left out with a
// "WARNING: " naming its key, and the other settings are read and kept.
// Reading never changes the file. A file that cannot be parsed is reported
// once with "WARNING: " and reads as empty; the first write renames it aside
// (".damaged" appended, its bytes kept) and never overwrites it. An empty
// file is an empty dictionary; XML in UTF-8 or UTF-16 (with a byte-order
// mark) and binary property lists are read. What is not a regular file, or
// is larger than 64 MB, is not read (a FIFO never blocks) and never written.
//
// A write never makes a file its reader would refuse: a binary file is
// written in binary, which keeps the values it shares shared (XML writes a
// shared value at every reference: 19 references to a 3.9 MB string are
// 74 MB of it), and XML that would be larger than the reader reads is
// written in binary too. When neither form can be read back, the file is
// kept as it was, the reason is logged with "ERROR: " and the changes stay
// unsaved.
//
// Typed readings (boolForKey, integerForKey, stringForKey…) need the value
// readings of foundation/values.h and live in foundation/user_defaults_getters.h.
// All members are safe to call from any thread.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace sorvant {

class UserDefaults
{
public:
    // The application's defaults: the arguments of the running
    // QCoreApplication (none when there is none) and the file at
    // defaultPersistentDomainPath(), both read at the first call.
    static UserDefaults& standardUserDefaults();
    // Makes the application's defaults as new: the path and arguments are
    // read again, registered values and unsaved changes are dropped. For
    // tests, which run many cases in one process.
    static void resetStandardUserDefaults();

    // Defaults kept in the file at `path`, with `arguments` as a program's
    // command line (the first item is the program and is skipped).
    explicit UserDefaults(const QString& path, const QStringList& arguments = {});
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;
    ~UserDefaults();

    // $XDG_CONFIG_HOME/sorvant/org.tarrenbeck.Sorvant.plist, or
    // $HOME/.config/… when XDG_CONFIG_HOME is unset, empty or relative
    // (platform/xdg_folders.h).
    [[nodiscard]] static QString defaultPersistentDomainPath();

    // The argument domain of a command line: each "-Key value" pair gives
    // Key => value; a value holding an XML property list gives its tree, any
    // other value the string itself. The first item (the program) is skipped.
    //   {"prog", "-A", "1", "-B", "x"} => {A: "1", B: "x"}
    //   {"prog", "-A"}                 => {}       (no value)
    //   {"prog", "file", "-A", "1"}    => {A: "1"}
    [[nodiscard]] static QVariantMap argumentDomain(const QStringList& arguments);

    // The lock file that saves of the settings at `path` hold while they
    // read, merge and write: beside the file the path leads to, its name
    // and ".save-lock" (".sorvant.save-lock" when that name would be too
    // long). The first save makes it; none removes it, and these settings
    // never read a file of that name as settings.
    //   "/c/s.plist" => "/c/s.plist.save-lock"   "s.plist" => "s.plist.save-lock"
    //   "" => ""   null => null
    [[nodiscard]] static QString lockPath(const QString& path);

    // --- observers ------------------------------------------------------

    // The value under `key` in the first domain that has one; nil (an
    // invalid QVariant) when none has.
    [[nodiscard]] QVariant objectForKey(const QString& key) const;
    // Every key of every domain with the value objectForKey would answer.
    [[nodiscard]] QVariantMap dictionaryRepresentation() const;
    // The application's own stored values.
    [[nodiscard]] QVariantMap persistentDomain() const;
    [[nodiscard]] QString path() const { return m_path; }

    // --- mutators -------------------------------------------------------

    // Stores `value` in the persistent domain, in the form the file gives
    // back (int becomes qint64, see propertyListValue), and writes the file.
    // Nil removes the key; a value without property-list form (the null
    // marker, a QUrl, text holding a NUL, a date past the year 9999…) is
    // refused with "ERROR: " naming the key and changes nothing.
    void setObject(const QVariant& value, const QString& key);
    // The same: a nil value removes the key.
    void setValue(const QVariant& value, const QString& key) { setObject(value, key); }
    void removeObjectForKey(const QString& key);
    void setBool(bool value, const QString& key) { setObject(QVariant(value), key); }
    void setInteger(qint64 value, const QString& key) { setObject(QVariant::fromValue(value), key); }
    void setFloat(float value, const QString& key) { setObject(QVariant(value), key); }
    void setDouble(double value, const QString& key) { setObject(QVariant(value), key); }
    void setString(const QString& value, const QString& key)
    {
        setObject(value.isNull() ? QVariant() : QVariant(value), key);
    }

    // Adds `defaults` to the registration domain (replacing equal keys).
    void registerDefaults(const QVariantMap& defaults);

    // Writes changes a failed write left pending, or when there are none,
    // reads the file again so that changes made by other processes become
    // visible. Answers false when the file could not be written or read.
    // With coalesced writes it only asks the writer for both and answers
    // true.
    bool synchronize();

    // --- writing ----------------------------------------------------------

    // From now on a change is written by this object's writer thread, at
    // the earliest `settle` after the first unwritten change and `interval`
    // after the previous write; the file work holds no lock the readers
    // wait for. Called again, the new times count at once.
    void setCoalescedWrites(std::chrono::milliseconds settle, std::chrono::milliseconds interval);
    // Writes every pending change now and waits for it (for quitting);
    // false when it could not be written.
    bool flush();
    // How many times this object wrote the file.
    [[nodiscard]] quint64 writeCount() const;

    // --- tests --------------------------------------------------------------

    // How long a save waits for a live holder of the lock before it keeps
    // its changes pending (30 s); zero restores that. Tests shorten it to
    // act a long stop in seconds.
    static void setLockPatience(std::chrono::milliseconds patience);
    // The moments of a save a test may act at, as another saver might: the
    // lock is held and the file read and merged (Merged); the file was just
    // found to be the one merged, and the rename comes next (Renaming).
    enum class SaveMoment { Merged, Renaming };
    using SaveHook = void (*)(SaveMoment moment, const QString& path);
    // Puts a stand-in at those moments; nullptr (the default) calls nothing.
    static void setSaveHook(SaveHook hook);

private:
    enum class FileState { Missing, Read, Damaged, Untouchable };
    using Clock = std::chrono::steady_clock;
    // What identifies one version of the file: a write by anyone (which
    // replaces it or changes its time) gives another. Invalid when the
    // file is not known. `binary` says the form it was read or written in
    // (not part of the identity).
    struct FileVersion
    {
        bool valid = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNanoseconds = 0;
        bool binary = false;
        [[nodiscard]] static FileVersion of(const QString& path);
        // Whether this is a known version and the file at `path` is still it.
        [[nodiscard]] bool isCurrent(const QString& path) const { return valid && of(path).isSameFile(*this); }
        [[nodiscard]] bool isSameFile(const FileVersion& other) const
        {
            return valid == other.valid && device == other.device && inode == other.inode && size == other.size
                   && modifiedNanoseconds == other.modifiedNanoseconds;
        }
    };
    static QStringList applicationArguments();
    // Reads the file and reports a problem with it once.
    FileState readFileLocked(QVariantMap* domain);
    // Reads the file at `path`; `problem` gets what is wrong with it, if
    // anything, and `version` the version read (taken before the read, so
    // that a write meanwhile makes it stale rather than hiding; invalid
    // unless the file was read).
    static FileState readFile(const QString& path, QVariantMap* domain, QString* problem,
                              FileVersion* version = nullptr);
    // readFile without the version.
    // `binary` is set when the file holds a binary list.
    static FileState readFileContents(const QString& path, QVariantMap* domain, QString* problem, bool* binary);
    bool saveLocked();
    // What a write hands back: the file's new contents and their version,
    // and for the caller to report once, what kept the file as it was and
    // why it was written without the lock.
    struct WriteResult
    {
        QVariantMap written;
        FileVersion version;
        QString problem;
        QString unlocked;
        // Why the save waits: a live process holds the lock.
        QString waiting;
    };
    // Applies `changes` to what the file holds now and writes it, under the
    // lock of the settings (lockPath). The file is read only when it is not
    // the version `knownVersion` whose contents, with the changes, are
    // `known` (or when it is missing or damaged, `known` is written).
    // Touches no member, so it runs without m_mutex.
    static bool writeChanges(const QString& path, const QVariantMap& changes, const QVariantMap& known,
                             const FileVersion& knownVersion, WriteResult* result);
    // writeChanges once the lock is held (or cannot be); `target` is the
    // file `path` leads to.
    static bool mergeAndWrite(const QString& path, const QString& target, const QVariantMap& changes,
                              const QVariantMap& known, const FileVersion& knownVersion, WriteResult* result);
    // Says once why saves go without the lock, or wait for it (nothing
    // when both are empty); a save that failed otherwise says neither.
    void reportLockLocked(const WriteResult& result, bool saved);
    // Names the changes still pending as unsaved (at the end, when the
    // lock stayed held).
    void reportUnsavedLocked();
    // The changes wait for the writer (coalesced) or are written now.
    void changedLocked();
    void writerLoop();
    // One pass of the writer: the pending changes written (or, with none,
    // the file read again). Called with `lock` held; releases it meanwhile.
    bool writePendingUnlocked(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    QString m_path;
    QVariantMap m_arguments;
    QVariantMap m_persistent;
    QVariantMap m_registration;
    // The version of the file m_persistent was read from or written as
    // (before the pending changes): an unchanged file is not read again.
    FileVersion m_version;
    // Changes not yet on disk (an invalid value is a removal). Each write
    // applies them to what the file holds at that moment.
    QVariantMap m_pending;
    // The last warning about the file, so that it is given once, not on
    // every read.
    QString m_reported;
    // The last warning about saving without the lock, or waiting for it,
    // given once too.
    QString m_lockReported;
    // Why the last save waited (empty when it did not): the pending
    // changes are tried again, and named at the end if still unsaved.
    QString m_waiting;

    // The writer (coalesced writes only).
    std::thread m_writer;
    std::condition_variable m_wake;
    bool m_coalesced = false;
    bool m_stopping = false;
    bool m_rereadRequested = false;
    bool m_writing = false;
    std::chrono::milliseconds m_settle{0};
    std::chrono::milliseconds m_interval{0};
    std::optional<Clock::time_point> m_firstChange; // of the unwritten ones
    Clock::time_point m_lastWrite{};
    quint64 m_writes = 0;
};

} // namespace sorvant
