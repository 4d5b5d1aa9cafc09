#include "system/trash.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/xdg_folders.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/link_resolution.h"

#include <QCache>
#include <QDateTime>
#include <QMutex>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

// A name in files/ gets ".trashinfo" (10 bytes) in info/, and a name may
// not pass 255 bytes: names in files/ stay within 245.
constexpr qsizetype kMaxTrashNameBytes = 255 - 10;
// An extension longer than this is cut with the base rather than kept.
constexpr qsizetype kMaxKeptExtensionBytes = 32;

QByteArray bytes(const QString& path)
{
    return fileSystemRepresentation(path);
}

bool statPath(const QString& path, struct stat* info, bool follow = true)
{
    const QByteArray encoded = bytes(path);
    return (follow ? ::stat(encoded.constData(), info) : ::lstat(encoded.constData(), info)) == 0;
}

// A folder of the home trash or above it: made with mode 0700 when missing.
// Links are followed, so a home or data folder that is a link elsewhere
// (/home on another disk) serves.
bool ensureHomeFolder(const QString& path)
{
    struct stat info {};
    if (statPath(path, &info)) {
        if (S_ISDIR(info.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT)
        return false;
    return ::mkdir(bytes(path).constData(), 0700) == 0 || errno == EEXIST;
}

bool ensureHomeTrash(const QString& trash)
{
    const QStringList parts = trash.split(u'/', Qt::SkipEmptyParts);
    QString current;
    for (const QString& part : parts) {
        current += u'/' + part;
        if (!ensureHomeFolder(current))
            return false;
    }
    return ensureHomeFolder(trash + QStringLiteral("/files")) && ensureHomeFolder(trash + QStringLiteral("/info"));
}

// A folder of a trash on a shared volume: ours alone. It must be a real
// folder (no link), owned by us and closed to others (no group or other
// bits); a missing one is made so. Anything else is refused, so that a
// folder another user made in advance never receives our items.
bool ensurePrivateFolder(const QString& path)
{
    struct stat info {};
    if (!statPath(path, &info, false)) {
        if (errno != ENOENT || (::mkdir(bytes(path).constData(), 0700) != 0 && errno != EEXIST)
            || !statPath(path, &info, false))
            return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        errno = EPERM;
        return false;
    }
    return true;
}

bool ensurePrivateTrash(const QString& trash)
{
    return ensurePrivateFolder(trash) && ensurePrivateFolder(trash + QStringLiteral("/files"))
        && ensurePrivateFolder(trash + QStringLiteral("/info"));
}

// An administrator's "<top>/.Trash": a real folder (not a link) with the
// sticky bit, so that users cannot remove each other's folders in it.
bool isUsableAdminTrash(const QString& path)
{
    struct stat info {};
    return statPath(path, &info, false) && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX);
}

// Cuts bytes from the end, never inside a UTF-8 sequence.
QByteArray cutBytes(const QByteArray& text, qsizetype size)
{
    if (text.size() <= size)
        return text;
    qsizetype end = std::max<qsizetype>(0, size);
    while (end > 0 && (static_cast<unsigned char>(text.at(end)) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

} // namespace

QByteArray trashNameCandidate(const QByteArray& name, qint64 n)
{
    qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0 || name.size() - dot > kMaxKeptExtensionBytes + 1)
        dot = name.size();
    const QByteArray extension = name.mid(dot);
    const QByteArray counter = n > 1 ? "." + QByteArray::number(n) : QByteArray();
    QByteArray base = name.left(dot);
    if (base.size() + counter.size() + extension.size() > kMaxTrashNameBytes)
        base = cutBytes(base, kMaxTrashNameBytes - counter.size() - extension.size());
    return base + counter + extension;
}

namespace {

int systemLstat(const char* path, struct stat* info)
{
    return ::lstat(path, info);
}

int systemOpen(const char* path, int flags, unsigned int mode)
{
    return ::open(path, flags, mode_t(mode));
}

TrashLstat nameLstat = systemLstat;
TrashOpen nameOpen = systemOpen;

// Names of a trash get numbers up to this (16 digits); a search that passes
// it gives up rather than run on.
constexpr qint64 kLargestNumber = 1'000'000'000'000'000;
// Claims one item may lose to other programs taking the same names before
// the item is refused (EEXIST); each costs a few looks.
constexpr int kMostClaims = 64;
// After a claim lost to another program the next try is moved a random
// distance ahead, up to this many numbers per claim lost so far: a program
// taking the same numbers in the same order (another Trash of the same
// name) is soon left behind, and the names stay within a few numbers per
// race of the count of their items.
constexpr qint64 kJumpPerLostClaim = 4;
// Processes racing for one name lose one to three claims per item; past
// this many the bound doubles per claim lost (32, 64, 128 …), so that a run
// of numbers another program holds, even a million long, is passed within
// kMostClaims.
constexpr int kLinearLostClaims = 4;
// The bound stops doubling here (2^40, at claim 40), so kMostClaims jumps
// stay far below kLargestNumber.
constexpr qint64 kLongestJump = qint64(1) << 40;
static_assert(kMostClaims * kLongestJump < kLargestNumber / 2);
// (trash, name) pairs remembered: a Trash of every file of 1,000 names,
// each many times over, still finds each name's next number.
constexpr int kRememberedNames = 4096;

// The numbers this process hands out for one name in one trash. Each
// number is handed to one thread only, so threads of one process never
// claim the same record: a claim is lost only to another program (or to a
// record this process has not seen). `next` starts the next item of the
// name where the last left off, so a Trash of every README.md a search
// found costs one claim per item, not one per item before it. Only a
// place to start: the record's O_EXCL stays the proof that a name is ours.
class NameNumbers
{
public:
    // The number for a new item: the next one, or the name itself when no
    // item is under way and the last record made is gone (an emptied trash,
    // or another at the same path). The look at that record is made with
    // the lock let go, so that no thread waits on another's system call;
    // the numbers start again only if none was handed out meanwhile.
    template <typename RecordExists>
    qint64 first(const RecordExists& recordExists)
    {
        QMutexLocker locker(&m_lock);
        if (m_underWay == 0 && m_lastMade > 0) {
            const qint64 last = m_lastMade;
            const qint64 handed = m_handedOut;
            locker.unlock();
            const bool gone = !recordExists(last);
            locker.relock();
            if (gone && m_handedOut == handed)
                m_next = 1;
        }
        ++m_underWay;
        ++m_handedOut;
        return m_next++;
    }
    // The number to try after a claim was lost: `free` (seen free), unless
    // numbers from there on were handed out, then the next unhanded one;
    // `jump` more ahead.
    qint64 after(qint64 free, qint64 jump)
    {
        const QMutexLocker locker(&m_lock);
        const qint64 n = std::max(free, m_next) + jump;
        m_next = n + 1;
        ++m_handedOut;
        return n;
    }
    // The item's claims are over: `made` is the number it holds, 0 if none.
    void finish(qint64 made)
    {
        const QMutexLocker locker(&m_lock);
        --m_underWay;
        if (made > 0)
            m_lastMade = made;
    }

private:
    QMutex m_lock;
    qint64 m_next = 1;
    qint64 m_lastMade = 0;
    int m_underWay = 0;
    qint64 m_handedOut = 0; // numbers handed out so far, for first()'s look
};

// The numbers of each (trash, name) pair; least recently used pairs go
// first. A thread keeps its pair's numbers while its item is under way.
class RememberedNames
{
public:
    std::shared_ptr<NameNumbers> numbers(const QByteArray& key)
    {
        const QMutexLocker locker(&m_lock);
        if (const auto* numbers = m_numbers.object(key))
            return *numbers;
        auto numbers = std::make_shared<NameNumbers>();
        m_numbers.insert(key, new std::shared_ptr<NameNumbers>(numbers));
        return numbers;
    }

private:
    QMutex m_lock;
    QCache<QByteArray, std::shared_ptr<NameNumbers>> m_numbers{kRememberedNames};
};

RememberedNames& rememberedNames()
{
    static RememberedNames names;
    return names;
}

// The names of one item's name in one trash, by number.
class TrashNames
{
public:
    TrashNames(const QByteArray& trash, const QByteArray& name) : m_trash(trash), m_name(name) {}

    QByteArray candidate(qint64 n) const { return trashNameCandidate(m_name, n); }
    QByteArray itemPath(qint64 n) const { return m_trash + "/files/" + candidate(n); }
    QByteArray recordPath(qint64 n) const { return m_trash + "/info/" + candidate(n) + ".trashinfo"; }
    // "<trash>/<name>": a name holds no '/', so no two pairs share a key.
    QByteArray key() const { return m_trash + '/' + m_name; }

    static bool exists(const QByteArray& path)
    {
        struct stat existing {};
        return nameLstat(path.constData(), &existing) == 0;
    }
    // An item left in files/ without its record keeps its name too. A look
    // that fails for another reason than absence answers NO, so the claim
    // meets the reason and reports it.
    bool isTaken(qint64 n) const { return exists(itemPath(n)) || exists(recordPath(n)); }

    // The first free number at or after `start` at the end of the run of
    // taken numbers that begins there: `start`, then start+1, start+3,
    // start+7 … until one is free, then halving the gap between the last
    // taken and that. k taken numbers cost about 2 log2 k looks, where
    // looking at each in turn cost k. 0 when none is free below
    // kLargestNumber.
    qint64 firstFreeFrom(qint64 start) const
    {
        if (!isTaken(start))
            return start;
        qint64 taken = start;
        qint64 free = 0;
        for (qint64 step = 1; free == 0; step *= 2) {
            if (taken > kLargestNumber - step)
                return 0;
            if (isTaken(taken + step))
                taken += step;
            else
                free = taken + step;
        }
        while (free - taken > 1) {
            const qint64 middle = taken + (free - taken) / 2;
            (isTaken(middle) ? taken : free) = middle;
        }
        return free;
    }

private:
    QByteArray m_trash;
    QByteArray m_name;
};

// How far past the number seen free the next try goes once claim `lost`
// (counted from 0, the blind first claim) is lost: up to
// kJumpPerLostClaim * lost at first, then at least half of a bound that
// doubles per claim lost, so that the numbers passed grow geometrically
// whatever the draws, and the claim that gets past a run held by another
// program ends below about three times the run's length (a run of 10^6 is
// passed by claim 21, at a number below 2.1 million).
qint64 jumpAfterLosing(int lost)
{
    QRandomGenerator* random = QRandomGenerator::global();
    if (lost <= kLinearLostClaims)
        return random->bounded(kJumpPerLostClaim * lost + 1);
    const int doublings = std::min(lost - kLinearLostClaims, 40);
    const qint64 longest = std::min(kJumpPerLostClaim * kLinearLostClaims << doublings, kLongestJump);
    return random->bounded(longest / 2, longest + 1);
}

enum class Claim { Made, Taken, Failed };

// Writes the record of number `n` with O_EXCL, so the name is ours even
// when another program trashes at the same moment.
Claim claimRecord(const TrashNames& names, qint64 n, const QByteArray& contents, int* savedErrno)
{
    if (TrashNames::exists(names.itemPath(n)))
        return Claim::Taken;
    const QByteArray infoPath = names.recordPath(n);
    const int fd = nameOpen(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *savedErrno = errno;
        return errno == EEXIST ? Claim::Taken : Claim::Failed;
    }
    const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        *savedErrno = written ? errno : writeErrno;
        ::unlink(infoPath.constData());
        return Claim::Failed;
    }
    return Claim::Made;
}

// Writes the record under a free name of `name` ("a.txt", then "a.2.txt",
// "a.3.txt" …, each shortened to fit) and answers that name. The first
// claim is made blind at the number handed out (its name is usually free);
// after a loss the next is made at the first number seen free past it, so
// losing that one is losing a race to another program.
QByteArray reserveInfo(const QByteArray& trash, const QByteArray& name, const QByteArray& contents,
                       int* savedErrno)
{
    const TrashNames names(trash, name);
    const std::shared_ptr<NameNumbers> numbers = rememberedNames().numbers(names.key());
    qint64 n = numbers->first([&](qint64 last) { return TrashNames::exists(names.recordPath(last)); });
    qint64 made = 0;
    *savedErrno = EEXIST;
    for (int lost = 0; lost < kMostClaims && n > 0 && n < kLargestNumber; ++lost) {
        const Claim claim = claimRecord(names, n, contents, savedErrno);
        if (claim != Claim::Taken) {
            made = claim == Claim::Made ? n : 0;
            break;
        }
        const qint64 free = names.firstFreeFrom(n + 1);
        n = free > 0 ? numbers->after(free, jumpAfterLosing(lost)) : 0;
    }
    numbers->finish(made);
    return made > 0 ? names.candidate(made) : QByteArray();
}

} // namespace

QString homeTrashPath()
{
    return xdgBaseFolder(XdgBaseFolder::Data) + QStringLiteral("/Trash");
}

QString topDirectoryOfPath(const QString& path)
{
    QString current = stringByStandardizingPath(path);
    struct stat info {};
    if (!statPath(current, &info, false))
        return {};
    const dev_t device = info.st_dev;
    while (current != QLatin1String("/")) {
        const QString parent = stringByDeletingLastPathComponent(current);
        struct stat parentInfo {};
        if (!statPath(parent, &parentInfo) || parentInfo.st_dev != device)
            return current;
        current = parent.isEmpty() ? QStringLiteral("/") : parent;
    }
    return current;
}

QString trashFolderForPath(const QString& path)
{
    struct stat item {};
    if (path.isEmpty() || !statPath(path, &item, false))
        return {};
    // The home trash is made first, so its device is known (and so that
    // nothing ever writes a trash into the current folder).
    const QString home = homeTrashPath();
    if (!ensureHomeTrash(home))
        return {};
    struct stat homeInfo {};
    if (statPath(home, &homeInfo) && homeInfo.st_dev == item.st_dev)
        return home;
    const QString top = topDirectoryOfPath(path);
    if (top.isNull())
        return {};
    const QString uid = QString::number(::getuid());
    const QString prefix = top == QLatin1String("/") ? QString() : top;
    const QString admin = prefix + QStringLiteral("/.Trash");
    if (isUsableAdminTrash(admin) && ensurePrivateTrash(admin + u'/' + uid))
        return admin + u'/' + uid;
    const QString own = prefix + QStringLiteral("/.Trash-") + uid;
    if (ensurePrivateTrash(own))
        return own;
    // No trash of our own on the volume: the home trash is on another
    // device, and items are never copied there, so the item stays.
    if (errno == 0)
        errno = EPERM;
    return {};
}

QByteArray trashInfoContents(const QString& path, const QDateTime& date)
{
    // The path's bytes as stored on disk, so a name that is not UTF-8
    // keeps them.
    const QByteArray escaped = bytes(path).toPercentEncoding("/");
    return "[Trash Info]\nPath=" + escaped + "\nDeletionDate="
        + date.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

bool moveItemToTrash(const QString& path, QString* trashedPath, FileError* error)
{
    clearError(error);
    if (trashedPath)
        trashedPath->clear();
    const QString absolute = physicalItemPath(path);
    if (path.isEmpty() || !isAbsolutePath(absolute) || absolute == QLatin1String("/")) {
        setError(error, EINVAL, path, QStringLiteral("trash"));
        return false;
    }
    struct stat item {};
    if (!statPath(absolute, &item, false)) {
        setError(error, errno, absolute, QStringLiteral("trash"));
        return false;
    }
    // An immutable item stays where it is, as rm leaves it.
    if (!S_ISLNK(item.st_mode) && isFileImmutableAtPath(absolute)) {
        setError(error, EPERM, absolute, QStringLiteral("trash"));
        return false;
    }
    errno = 0;
    const QString trash = trashFolderForPath(absolute);
    if (trash.isNull()) {
        setError(error, errno ? errno : EXDEV, absolute, QStringLiteral("trash"));
        return false;
    }
    // Items of other volumes are recorded relative to the volume's top, so
    // the volume can be mounted elsewhere later.
    QString recorded = absolute;
    if (trash != homeTrashPath()) {
        const QString top = topDirectoryOfPath(absolute);
        recorded = absolute.mid(top == QLatin1String("/") ? 1 : top.size() + 1);
    }
    int savedErrno = 0;
    const QByteArray trashBytes = bytes(trash);
    const QByteArray name = reserveInfo(trashBytes, bytes(lastPathComponent(absolute)),
                                        trashInfoContents(recorded, QDateTime::currentDateTime()), &savedErrno);
    if (name.isNull()) {
        setError(error, savedErrno, absolute, QStringLiteral("trash"));
        return false;
    }
    const QByteArray target = trashBytes + "/files/" + name;
    if (!renameNoReplace(bytes(absolute), target)) {
        savedErrno = errno;
        ::unlink((trashBytes + "/info/" + name + ".trashinfo").constData());
        setError(error, savedErrno, absolute, QStringLiteral("trash"));
        return false;
    }
    if (trashedPath)
        *trashedPath = stringWithFileSystemRepresentation(target);
    return true;
}

void setTrashNameFunctions(TrashLstat lstat, TrashOpen open)
{
    nameLstat = lstat ? lstat : systemLstat;
    nameOpen = open ? open : systemOpen;
}

} // namespace sorvant
