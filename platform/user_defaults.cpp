#include "platform/user_defaults.h"

#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/property_list_binary_writer.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_omissions.h"
#include "platform/property_list_xml.h"
#include "platform/xdg_folders.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <utility>
#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sorvant {

namespace {

const QLatin1String kFolderName("sorvant");
const QLatin1String kFileName("org.tarrenbeck.Sorvant.plist");
const QLatin1String kDamagedSuffix(".damaged");
// A settings file holds a few hundred keys; anything far larger is not one
// and is not read into memory. The writers write no more.
constexpr qint64 kMaximumFileSize = kMaximumPropertyListSize;
// The lock saves hold beside the settings, "<name>.save-lock". Its name
// ends in a dash and letters, never a dot and letters or digits as a
// temporary's does, and it never carries a temporary's mark, so no cleanup
// of left temporaries can take it for one; nor does it end in ".plist", so
// nothing that looks for settings files reads it (and these settings refuse
// a path of that name).
const QLatin1String kLockSuffix(".save-lock");
// How long a save waits for another holder of the lock: a save of a few
// megabytes holds it for about a second, so only a stopped or hung process
// holds it this long. A live holder is then waited for again later (its
// rename would put back the file it read); none, and the save goes on
// without the lock.
constexpr std::chrono::milliseconds kLockPatience{30'000};
std::atomic<qint64> lockPatienceMs{kLockPatience.count()};
// A save whose file another saver replaced between its read and its rename
// (one that saved without the lock) reads and merges again, this often.
constexpr int kMergeAttempts = 4;
// How often a save that timed out looks for the lock's holder, trying the
// lock between looks, before it takes the holder for one that has ended.
constexpr int kHolderLooks = 10;
// Unsaved keys named at the end, at most.
constexpr qsizetype kNamedKeys = 10;

std::atomic<UserDefaults::SaveHook> saveHook{nullptr};

void reach(UserDefaults::SaveMoment moment, const QString& path)
{
    if (const UserDefaults::SaveHook hook = saveHook.load())
        hook(moment, path);
}

std::chrono::milliseconds lockPatience()
{
    return std::chrono::milliseconds(lockPatienceMs.load());
}

// The process holding the flock of the file at `lock`, when /proc/locks
// names one that is alive (stopped counts); 0 otherwise: none, one this
// process's namespace does not see, or one that has ended (a child it
// forked may hold the lock then).
qint64 liveLockHolder(const QString& lock)
{
    struct stat info {};
    if (::stat(fileSystemRepresentation(lock).constData(), &info) != 0)
        return 0;
    QByteArray table;
    if (readRegularFile(QStringLiteral("/proc/locks"), 16 * 1024 * 1024, &table) != FileReadStatus::Read)
        return 0;
    // "1: FLOCK  ADVISORY  WRITE 4242 fd:01:1234567 0 EOF"; a waiter's
    // line has "->" before its type.
    const QByteArray device = QByteArray::number(major(info.st_dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(minor(info.st_dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(quint64(info.st_ino));
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(1) != "FLOCK" || fields.at(5) != device)
            continue;
        bool number = false;
        const qint64 pid = fields.at(4).toLongLong(&number);
        if (number && pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM))
            return pid;
    }
    return 0;
}

bool exists(const QString& path)
{
    struct stat info {};
    return ::lstat(fileSystemRepresentation(path).constData(), &info) == 0;
}

// A free name beside `path` for a damaged file: ".damaged", then
// ".damaged-2", ".damaged-3"…, so an earlier damaged file is kept too.
QString damagedPath(const QString& path)
{
    QString candidate = path + kDamagedSuffix;
    for (int n = 2; exists(candidate) && n < 1000; ++n)
        candidate = path + kDamagedSuffix + QLatin1Char('-') + QString::number(n);
    return candidate;
}

// Renames the damaged file at `target` aside, keeping its bytes, and says
// so with `problem` (what is wrong with it); false, said, when it cannot be.
bool setAside(const QString& target, const QString& problem)
{
    const QString aside = damagedPath(target);
    if (::rename(fileSystemRepresentation(target).constData(), fileSystemRepresentation(aside).constData()) != 0) {
        logError(problem + QStringLiteral(" and cannot be moved aside; changes will not be saved"));
        return false;
    }
    logWarning(problem + QStringLiteral("; they were moved to '%1'").arg(aside));
    return true;
}

// The lock of the settings file `target` (links resolved): its name and
// kLockSuffix, or a short name and the suffix when that would be longer
// than a name may be (settings of such names share a lock, which only
// makes their saves wait for each other).
QString lockPathOf(const QString& target)
{
    if (target.isEmpty())
        return target;
    const QString name = lastPathComponent(target);
    const QString stem = fileSystemRepresentation(name).size() + kLockSuffix.size() > NAME_MAX
                             ? QStringLiteral(".sorvant")
                             : name;
    return stringByAppendingPathComponent(stringByDeletingLastPathComponent(target), stem + kLockSuffix);
}

// Whether `target` (links resolved) is named as a lock of settings.
bool isLockPath(const QString& target)
{
    return target.endsWith(kLockSuffix);
}

// Whether a save may write the settings at `target` (links resolved): a
// regular file within the size read, or nothing yet; not a lock's name.
bool mayBeSettings(const QString& target)
{
    struct stat info {};
    if (::stat(fileSystemRepresentation(target).constData(), &info) != 0)
        return errno == ENOENT && !isLockPath(target);
    return S_ISREG(info.st_mode) && info.st_size <= kMaximumFileSize && !isLockPath(target);
}

// Makes `folder` and its missing parents (0700 for new ones: they hold
// private settings, and the umask applies too).
bool makeFolders(const QString& folder)
{
    const QByteArray bytes = fileSystemRepresentation(folder);
    if (bytes.isEmpty())
        return false;
    for (qsizetype slash = bytes.indexOf('/', 1); ; slash = bytes.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? bytes : bytes.left(slash);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            return true;
    }
}

// Sets each changed key to its value; an invalid value removes the key.
void applyChanges(QVariantMap& domain, const QVariantMap& changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isValid())
            domain.insert(it.key(), it.value());
        else
            domain.remove(it.key());
    }
}

// The settings as the file is written: in binary when the file was (the
// form that keeps what it shares shared) or when XML would be larger than
// the reader reads; empty, with the reason, when neither would be read
// back.
QByteArray encodedSettings(const QVariantMap& settings, bool binary, bool* wroteBinary, QString* error)
{
    if (!binary) {
        QByteArray xml = writeXmlPropertyList(settings, kMaximumFileSize);
        if (!xml.isEmpty())
            return xml;
    }
    *wroteBinary = true;
    return binaryDataFromPropertyList(settings, error);
}

} // namespace

UserDefaults::FileVersion UserDefaults::FileVersion::of(const QString& path)
{
    struct stat info {};
    if (::stat(fileSystemRepresentation(path).constData(), &info) != 0)
        return {};
    return FileVersion{true, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
                       qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(defaultPersistentDomainPath(), applicationArguments());
    return defaults;
}

QStringList UserDefaults::applicationArguments()
{
    return QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList();
}

void UserDefaults::resetStandardUserDefaults()
{
    UserDefaults& defaults = standardUserDefaults();
    std::lock_guard lock(defaults.m_mutex);
    defaults.m_path = defaultPersistentDomainPath();
    defaults.m_arguments = argumentDomain(applicationArguments());
    defaults.m_registration.clear();
    defaults.m_pending.clear();
    defaults.m_reported.clear();
    defaults.m_lockReported.clear();
    defaults.readFileLocked(&defaults.m_persistent);
}

UserDefaults::UserDefaults(const QString& path, const QStringList& arguments)
    : m_path(path), m_arguments(argumentDomain(arguments))
{
    std::lock_guard lock(m_mutex);
    readFileLocked(&m_persistent);
}

UserDefaults::~UserDefaults()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        // Changes kept for a lock another process held get a last try.
        if (!m_coalesced && !m_waiting.isEmpty() && !m_pending.isEmpty() && !saveLocked())
            reportUnsavedLocked();
    }
    m_wake.notify_all();
    // The writer writes what is still pending before it ends.
    if (m_writer.joinable())
        m_writer.join();
}

QString UserDefaults::defaultPersistentDomainPath()
{
    return xdgBaseFolder(XdgBaseFolder::Config) + QLatin1Char('/') + kFolderName + QLatin1Char('/') + kFileName;
}

QVariantMap UserDefaults::argumentDomain(const QStringList& arguments)
{
    QVariantMap domain;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) || i + 1 >= arguments.size())
            continue;
        const QString& text = arguments.at(++i);
        QVariant value;
        if (text.startsWith(QLatin1Char('<')))
            value = propertyListFromData(text.toUtf8());
        domain.insert(argument.mid(1), value.isValid() ? value : QVariant(text));
    }
    return domain;
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    std::lock_guard lock(m_mutex);
    for (const QVariantMap* domain : {&m_arguments, &m_persistent, &m_registration}) {
        const auto it = domain->constFind(key);
        if (it != domain->cend())
            return it.value();
    }
    return {};
}

QVariantMap UserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(m_mutex);
    QVariantMap all = m_registration;
    all.insert(m_persistent);
    all.insert(m_arguments);
    return all;
}

QVariantMap UserDefaults::persistentDomain() const
{
    std::lock_guard lock(m_mutex);
    return m_persistent;
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    // Kept in the form the file gives back, so a value reads the same before
    // and after the program starts again.
    QString error;
    const QVariant stored = key.isNull() ? QVariant() : propertyListValue(value, &error);
    if (!stored.isValid()) {
        logError(QStringLiteral("Cannot store a value of type %1 in the user defaults under '%2': %3")
                     .arg(QLatin1String(value.typeName()), key, error));
        return;
    }
    std::lock_guard lock(m_mutex);
    // Only a value the file would hold the same (in type and bits, all the
    // way down) is no change: [1.0] over [1], or -0.0 over 0.0, is stored.
    const auto it = m_persistent.constFind(key);
    if (m_pending.isEmpty() && it != m_persistent.cend() && isSamePropertyListValue(it.value(), stored))
        return;
    m_persistent.insert(key, stored);
    m_pending.insert(key, stored);
    changedLocked();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    std::lock_guard lock(m_mutex);
    m_persistent.remove(key);
    m_pending.insert(key, QVariant());
    changedLocked();
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    std::lock_guard lock(m_mutex);
    m_registration.insert(defaults);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (m_coalesced) {
        if (m_pending.isEmpty())
            m_rereadRequested = true;
        else if (!m_firstChange)
            m_firstChange = Clock::now();
        m_wake.notify_all();
        return true;
    }
    if (!m_pending.isEmpty())
        return saveLocked();
    // Nobody wrote the file since it was read: there is nothing new in it.
    if (m_version.isCurrent(m_path))
        return true;
    QVariantMap domain;
    switch (readFileLocked(&domain)) {
    case FileState::Read:
    case FileState::Missing:
        m_persistent = domain;
        return true;
    case FileState::Damaged:
    case FileState::Untouchable:
        break;
    }
    return false;
}

// What the file holds now. Reading never changes the file: a damaged one
// is reported once and left in place until a write sets it aside. A file
// that cannot be read (or is no settings file at all: a FIFO, a device, a
// huge file) is untouchable and never written over.
UserDefaults::FileState UserDefaults::readFileLocked(QVariantMap* domain)
{
    QString problem;
    const FileState state = readFile(m_path, domain, &problem, &m_version);
    if (problem.isEmpty())
        m_reported.clear();
    else if (m_reported != problem)
        logWarning(m_reported = problem);
    return state;
}

UserDefaults::FileState UserDefaults::readFile(const QString& path, QVariantMap* domain, QString* problem,
                                               FileVersion* version)
{
    domain->clear();
    const FileVersion before = version ? FileVersion::of(path) : FileVersion();
    bool binary = false;
    const FileState state = readFileContents(path, domain, problem, &binary);
    if (version) {
        *version = state == FileState::Read ? before : FileVersion();
        version->binary = state == FileState::Read && binary;
    }
    return state;
}

UserDefaults::FileState UserDefaults::readFileContents(const QString& path, QVariantMap* domain, QString* problem,
                                                       bool* binary)
{
    // The lock of other settings is empty, and saves would replace it.
    if (isLockPath(stringByResolvingSymlinksInPath(path))) {
        *problem = QStringLiteral("'%1' is the lock of other user defaults and is not read as settings; changes "
                                  "will not be saved")
                       .arg(path);
        return FileState::Untouchable;
    }
    QByteArray data;
    QString error;
    switch (readRegularFile(path, kMaximumFileSize, &data, &error)) {
    case FileReadStatus::Missing:
        return FileState::Missing;
    case FileReadStatus::Read:
        break;
    case FileReadStatus::NotRegular:
    case FileReadStatus::TooLarge:
    case FileReadStatus::Failed:
        *problem = QStringLiteral("Cannot read the user defaults: %1; changes will not be saved").arg(error);
        return FileState::Untouchable;
    }
    // An empty file is what some tools leave when they create the settings.
    if (data.isEmpty())
        return FileState::Read;
    *binary = data.startsWith("bplist");
    // A value the reader refuses (text holding a NUL, an integer past 64
    // bits…) costs its own setting only: the others are read, and the file
    // is not set aside as damaged for it.
    PropertyListOmissions leftOut;
    const QVariant root = propertyListFromDataLeavingOut(data, &leftOut, &error);
    if (root.typeId() == QMetaType::QVariantMap) {
        *domain = root.toMap();
        if (!leftOut.isEmpty())
            *problem = QStringLiteral("The user defaults '%1' hold settings that cannot be read, which are left out: %2")
                           .arg(path, leftOut.summary());
        return FileState::Read;
    }
    *problem = QStringLiteral("The user defaults '%1' are damaged (%2)")
                   .arg(path, root.isValid() ? QStringLiteral("it does not hold a dictionary") : error);
    return FileState::Damaged;
}

// Writes the pending changes over what the file holds now, so that keys
// another process changed since this one read the file are kept.
bool UserDefaults::saveLocked()
{
    WriteResult result;
    const bool saved = writeChanges(m_path, m_pending, m_persistent, m_version, &result);
    reportLockLocked(result, saved);
    if (!saved) {
        if (!result.problem.isEmpty() && m_reported != result.problem)
            logWarning(m_reported = result.problem);
        return false;
    }
    m_reported.clear();
    m_persistent = std::move(result.written);
    m_version = result.version;
    m_pending.clear();
    ++m_writes;
    return true;
}

void UserDefaults::reportLockLocked(const WriteResult& result, bool saved)
{
    m_waiting = result.waiting;
    // A save that failed for another reason (a read-only folder, where no
    // lock can be made either) says that reason only.
    const QString said = saved || !result.waiting.isEmpty() ? result.unlocked + result.waiting : QString();
    if (said.isEmpty() && saved)
        m_lockReported.clear();
    else if (!said.isEmpty() && m_lockReported != said)
        logWarning(m_lockReported = said);
}

void UserDefaults::reportUnsavedLocked()
{
    const QStringList keys = m_pending.keys();
    const QString named = keys.mid(0, kNamedKeys).join(QLatin1String(", "))
                          + (keys.size() > kNamedKeys ? QStringLiteral(" and %1 more").arg(keys.size() - kNamedKeys)
                                                      : QString());
    logError(QStringLiteral("Changes to the user defaults '%1' are not saved: %2; unsaved: %3")
                 .arg(m_path, m_waiting, named));
}

void UserDefaults::setLockPatience(std::chrono::milliseconds patience)
{
    lockPatienceMs.store(patience.count() > 0 ? patience.count() : kLockPatience.count());
}

void UserDefaults::setSaveHook(SaveHook hook)
{
    saveHook.store(hook);
}

QString UserDefaults::lockPath(const QString& path)
{
    return lockPathOf(stringByResolvingSymlinksInPath(path));
}

// The read, merge and write run under the lock of the settings, so that no
// save of another process (or object) replaces the file between this one's
// read and its rename, nor between its rename and the version it takes
// for its own. A lock that cannot be taken does not cost the save: it is
// made as it would be without the lock, and the caller says why once.
bool UserDefaults::writeChanges(const QString& path, const QVariantMap& changes, const QVariantMap& known,
                                const FileVersion& knownVersion, WriteResult* result)
{
    // A settings file that is a link (to a dotfiles folder, say) is written,
    // and locked, where it leads; the link is kept.
    const QString target = stringByResolvingSymlinksInPath(path);
    FileLock lock;
    // A folder that cannot be made fails the save, which says so; so does
    // what is no settings file, and no lock is made beside it.
    if (mayBeSettings(target) && makeFolders(stringByDeletingLastPathComponent(target))) {
        QString reason;
        FileLock::Status status = lock.lock(lockPathOf(target), lockPatience(), &reason);
        // A live holder (stopped, say) would rename the file it read over
        // whatever this save wrote meanwhile: the changes wait for it. None
        // found, the lock may have passed between savers since the last
        // try: it is tried again, and the holder looked for again.
        qint64 holder = 0;
        for (int look = 0; look < kHolderLooks && status == FileLock::Status::TimedOut && holder == 0; ++look) {
            holder = liveLockHolder(lockPathOf(target));
            if (holder == 0)
                status = lock.lock(lockPathOf(target), std::chrono::milliseconds(0), &reason);
        }
        if (holder > 0) {
            result->waiting = QStringLiteral("The user defaults '%1' wait for their lock, which process %2 holds "
                                             "(it may be stopped); the changes are kept and saved once it lets go")
                                  .arg(path)
                                  .arg(holder);
            return false;
        }
        if (status != FileLock::Status::Locked)
            result->unlocked = QStringLiteral("The user defaults '%1' are saved without their lock, so a process "
                                              "saving them at the same time may lose its changes: %2")
                                   .arg(path, reason);
    }
    return mergeAndWrite(path, target, changes, known, knownVersion, result);
}

// A damaged file is renamed aside, keeping its bytes, once what replaces
// it is made; a missing or damaged one is replaced by `known` (this
// object's whole domain) with the changes. An untouchable file is left
// alone and its problem handed back, for the caller to report once. Just
// before the rename the file must still be the version merged: a saver
// that went without the lock may have replaced it, and the merge is made
// again over what it wrote.
bool UserDefaults::mergeAndWrite(const QString& path, const QString& target, const QVariantMap& changes,
                                 const QVariantMap& known, const FileVersion& knownVersion, WriteResult* result)
{
    for (int attempt = 1;; ++attempt) {
        QVariantMap disk;
        QString problem;
        // The file as this object last saw it holds `known` less the
        // changes: a large file is then not read (and parsed) again for
        // every write.
        const bool unchanged = attempt == 1 && knownVersion.isCurrent(path);
        FileVersion read;
        const FileState state = unchanged ? FileState::Read : readFile(path, &disk, &problem, &read);
        if (unchanged) {
            disk = known;
            read = knownVersion;
        }
        const bool binary = state == FileState::Read && read.binary;
        if (state == FileState::Untouchable) {
            result->problem = problem;
            return false;
        }
        // A read-only file is left as it is.
        struct stat info {};
        if (::stat(fileSystemRepresentation(target).constData(), &info) == 0 && (info.st_mode & S_IWUSR) == 0) {
            result->problem =
                QStringLiteral("The user defaults '%1' are read-only; changes will not be saved").arg(target);
            return false;
        }
        if (state != FileState::Read)
            disk = known;
        applyChanges(disk, changes);
        // A value the file gave but that cannot be written back (a binary
        // list's date past the year 9999) is left out, said once, and the
        // rest saved: one value never costs the others. However many places
        // share it, it is said in one line.
        PropertyListOmissions dropped;
        disk = writablePropertyListValue(disk, &dropped).toMap();
        if (!dropped.isEmpty())
            logWarning(
                QStringLiteral("Settings of '%1' that cannot be saved are left out: %2").arg(path, dropped.summary()));
        QString error;
        bool wroteBinary = false;
        const QByteArray bytes = encodedSettings(disk, binary, &wroteBinary, &error);
        if (bytes.isEmpty()) {
            logError(
                QStringLiteral("Cannot save the user defaults '%1': %2; the file is kept as it was").arg(path, error));
            return false;
        }
        reach(SaveMoment::Merged, path);
        if (state == FileState::Damaged && !setAside(target, problem))
            return false;
        // What this save merged into: the version read, or nothing (a
        // missing file, or a damaged one set aside). A saver that went
        // without the lock may have replaced it since; renaming over its
        // file would put back what it replaced.
        const FileVersion merged = state == FileState::Read ? read : FileVersion();
        bool replaced = false;
        const auto mayReplace = [&] {
            replaced = !FileVersion::of(path).isSameFile(merged);
            if (!replaced)
                reach(SaveMoment::Renaming, path);
            return !replaced;
        };
        const bool saved = makeFolders(stringByDeletingLastPathComponent(target))
                           && writeFileAtomically(target, bytes, &error, AtomicWrite::RemovingLeftTemporaries,
                                                  mayReplace);
        if (replaced && attempt < kMergeAttempts)
            continue;
        if (!saved) {
            logError(QStringLiteral("Cannot save the user defaults '%1': %2")
                         .arg(path, error.isEmpty() ? QStringLiteral("its folder cannot be made") : error));
            return false;
        }
        result->written = std::move(disk);
        result->version = FileVersion::of(path);
        result->version.binary = wroteBinary;
        return true;
    }
}

// --- coalesced writes ------------------------------------------------------------

void UserDefaults::setCoalescedWrites(std::chrono::milliseconds settle, std::chrono::milliseconds interval)
{
    std::lock_guard lock(m_mutex);
    m_settle = settle;
    m_interval = interval;
    if (m_coalesced) {
        // A writer waiting on the old times looks at the new ones.
        m_wake.notify_all();
        return;
    }
    m_coalesced = true;
    m_writer = std::thread([this] { writerLoop(); });
}

void UserDefaults::changedLocked()
{
    if (!m_coalesced) {
        saveLocked();
        return;
    }
    if (!m_firstChange)
        m_firstChange = Clock::now();
    m_wake.notify_all();
}

void UserDefaults::writerLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_firstChange || m_rereadRequested; });
        if (m_stopping)
            break;
        if (m_firstChange) {
            const Clock::time_point due = std::max(*m_firstChange + m_settle, m_lastWrite + m_interval);
            if (Clock::now() < due) {
                // Woken early (a flush, the end, a spurious wake-up): look again.
                m_wake.wait_until(lock, due);
                continue;
            }
        }
        (void)writePendingUnlocked(lock);
    }
    if (!m_pending.isEmpty() && !writePendingUnlocked(lock) && !m_waiting.isEmpty())
        reportUnsavedLocked();
}

bool UserDefaults::writePendingUnlocked(std::unique_lock<std::mutex>& lock)
{
    // One pass at a time: a flush waits for the writer's pass under way.
    m_wake.wait(lock, [this] { return !m_writing; });
    // The hand-offs of a pass: what it writes is copied here under m_mutex,
    // and what it wrote comes back under m_mutex below; between them it
    // touches only its own copies (Qt's shared ones, whose counts are
    // atomic and which detach before a write). The file lock it takes meanwhile orders saves on
    // disk between processes and objects; it guards no memory of ours.
    const QVariantMap changes = m_pending;
    const QVariantMap known = m_persistent;
    const QString path = m_path;
    const FileVersion knownVersion = m_version;
    m_firstChange.reset();
    m_rereadRequested = false;
    m_writing = true;
    lock.unlock();
    WriteResult result;
    bool ok = false;
    bool reread = true;
    if (!changes.isEmpty()) {
        ok = writeChanges(path, changes, known, knownVersion, &result);
    } else if (knownVersion.isCurrent(path)) {
        // Nobody wrote the file since it was read: nothing to read again.
        ok = true;
        reread = false;
    } else {
        const FileState state = readFile(path, &result.written, &result.problem, &result.version);
        ok = state == FileState::Read || state == FileState::Missing;
    }
    lock.lock();
    m_writing = false;
    reportLockLocked(result, ok);
    // Changes kept for a lock another process holds are tried again.
    if (!result.waiting.isEmpty() && !m_firstChange)
        m_firstChange = Clock::now();
    if (ok && !reread) {
        m_reported.clear();
    } else if (ok) {
        m_version = result.version;
        // What changed during the write stays pending, over the new contents.
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            const auto now = m_pending.constFind(it.key());
            if (now != m_pending.cend() && isSamePropertyListValue(now.value(), it.value()))
                m_pending.erase(now);
        }
        m_persistent = std::move(result.written);
        applyChanges(m_persistent, m_pending);
        if (!changes.isEmpty()) {
            ++m_writes;
            m_lastWrite = Clock::now();
        }
        if (!m_pending.isEmpty())
            m_firstChange = Clock::now();
        m_reported.clear();
    } else if (!result.problem.isEmpty() && m_reported != result.problem) {
        logWarning(m_reported = result.problem);
    }
    m_wake.notify_all();
    return ok;
}

bool UserDefaults::flush()
{
    std::unique_lock lock(m_mutex);
    if (!m_coalesced)
        return m_pending.isEmpty() || saveLocked();
    // A pass under way waits at most the lock's patience, and so does this
    // one's: a quit never waits on another process for longer.
    if (!m_wake.wait_for(lock, lockPatience() + std::chrono::seconds(5), [this] { return !m_writing; }))
        return false;
    return m_pending.isEmpty() || writePendingUnlocked(lock);
}

quint64 UserDefaults::writeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

} // namespace sorvant
