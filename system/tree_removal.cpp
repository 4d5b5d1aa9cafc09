#include "system/tree_removal.h"

#include "platform/unique_fd.h"
#include "system/item_lookups.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

int systemUnlinkAt(int folder, const char* name, int flags)
{
    return ::unlinkat(folder, name, flags);
}

UnlinkAt unlinkAtFunction = systemUnlinkAt;

// Folder streams held open at once (each a descriptor and a buffer of up to
// 32 KiB). A walk deeper than this closes the shallowest open folder and
// reopens it through ".." from its child on the way back.
constexpr std::size_t kOpenFolders = 32;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// One folder on the way down.
struct Level {
    QByteArray name;           // in its parent (the whole path at the top)
    DIR* dir = nullptr;        // null while closed for depth
    ItemPlace place;
    qint64 read = 0;           // entries read so far, "." and ".." aside
    // The names of the items left in it (memory grows with the items that
    // fail): a reading of it again passes over them and tries the others.
    QSet<QByteArray> left;
    bool failed = false;       // an item in it is left (or it could not be read), so it stays
    bool removedInPass = false;

    [[nodiscard]] bool isLeft(const char* entry) const
    {
        return left.contains(QByteArray::fromRawData(entry, qsizetype(std::strlen(entry))));
    }
};

class TreeWalk
{
public:
    enum class Mode { Count, Remove };

    TreeWalk(Mode mode, const std::function<bool()>& shouldStop,
             const std::function<void(qint64)>& removed)
        : m_mode(mode), m_shouldStop(shouldStop), m_removed(removed)
    {
    }
    ~TreeWalk()
    {
        for (const Level& level : m_levels) {
            if (level.dir)
                ::closedir(level.dir);
        }
    }
    TreeWalk(const TreeWalk&) = delete;
    TreeWalk& operator=(const TreeWalk&) = delete;

    // Walks the item at `path` to the end or to a stop; false when nothing
    // is there or it cannot be looked at, or is not `expected` (when given):
    // a failure then says why.
    bool walk(const QByteArray& path, const struct stat* expected = nullptr);

    [[nodiscard]] bool stopped() const { return m_stopped; }
    [[nodiscard]] bool failed() const { return m_failure.code != 0; }
    [[nodiscard]] const TreeRemovalFailure& failure() const { return m_failure; }
    // Items counted, or removed by a removal.
    [[nodiscard]] qint64 count() const { return m_count; }

private:
    bool askStop()
    {
        if (!m_stopped && m_shouldStop && m_shouldStop())
            m_stopped = true;
        return m_stopped;
    }
    // The path of `name` in the deepest folder, or of that folder itself.
    QByteArray pathOf(const char* name = nullptr) const
    {
        QByteArray path;
        for (const Level& level : m_levels)
            path += (path.isEmpty() ? QByteArray() : QByteArray("/")) + level.name;
        if (!name)
            return path;
        return path.isEmpty() ? QByteArray(name) : path + '/' + name;
    }
    // The first failure is the one reported; the deepest folder keeps the
    // item named `name` (null: the folder could not be read), so it stays too.
    void fail(const QByteArray& path, int code, const char* name, bool mountPoint = false)
    {
        if (m_failure.code == 0)
            m_failure = TreeRemovalFailure{code ? code : EIO, path, mountPoint};
        if (m_levels.empty())
            return;
        m_levels.back().failed = true;
        if (name)
            m_levels.back().left.insert(QByteArray(name));
    }
    void removedOne()
    {
        ++m_count;
        if (m_removed)
            m_removed(m_count);
    }
    void entry(const dirent& entry);
    bool leaf(int folder, const char* name);
    [[nodiscard]] bool isMountRootAt(int folder, const char* name) const;
    void enter(int folder, const char* name);
    bool leave();
    bool reopenParentOfDeepest();

    Mode m_mode;
    const std::function<bool()>& m_shouldStop;
    const std::function<void(qint64)>& m_removed;
    std::vector<Level> m_levels;
    std::size_t m_firstOpen = 0;   // the levels before this one are closed
    const struct stat* m_expected = nullptr;   // the item the walk may start at
    TreeRemovalFailure m_failure;
    qint64 m_count = 0;
    bool m_stopped = false;
};

bool TreeWalk::walk(const QByteArray& path, const struct stat* expected)
{
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0) {
        if (errno != ENOENT || expected)
            fail(path, errno == ENOENT ? ESTALE : errno, nullptr);
        return false;
    }
    // A folder is checked once opened (enter), anything else here.
    m_expected = expected;
    if (expected && !S_ISDIR(status.st_mode) && (status.st_dev != expected->st_dev || status.st_ino != expected->st_ino)) {
        fail(path, ESTALE, nullptr);
        return false;
    }
    if (S_ISDIR(status.st_mode) || !leaf(AT_FDCWD, path.constData()))
        enter(AT_FDCWD, path.constData());
    while (!m_levels.empty() && !m_stopped) {
        Level& level = m_levels.back();
        if (m_mode == Mode::Count && askStop())
            break;
        errno = 0;
        if (const dirent* next = ::readdir(level.dir)) {
            // A folder read again (reopened, or in another pass) holds what
            // was left in it: only the items not tried yet are tried.
            if (!isDotOrDotDot(next->d_name) && !(level.failed && level.isLeft(next->d_name))) {
                ++level.read;
                entry(*next);
            }
            continue;
        }
        if (errno != 0)
            fail(pathOf(), errno, nullptr);
        if (!leave())
            break;
    }
    return true;
}

void TreeWalk::entry(const dirent& entry)
{
    const int folder = ::dirfd(m_levels.back().dir);
    bool isFolder = entry.d_type == DT_DIR;
    if (entry.d_type == DT_UNKNOWN) {
        struct stat status {};
        if (::fstatat(folder, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (m_mode == Mode::Count)
                ++m_count;
            else if (errno != ENOENT)
                fail(pathOf(entry.d_name), errno, entry.d_name);
            return;
        }
        isFolder = S_ISDIR(status.st_mode);
    }
    if (isFolder || !leaf(folder, entry.d_name))
        enter(folder, entry.d_name);
}

// Counts or removes an item that is not a folder; false when it turns out
// to be a folder after all (it was replaced since it was read).
bool TreeWalk::leaf(int folder, const char* name)
{
    if (m_mode == Mode::Count) {
        ++m_count;
        return true;
    }
    if (askStop())
        return true;
    if (unlinkAtFunction(folder, name, 0) == 0) {
        if (!m_levels.empty())
            m_levels.back().removedInPass = true;
        removedOne();
        return true;
    }
    if (errno == EISDIR)
        return false;
    if (errno == EBUSY && isMountRootAt(folder, name))
        fail(pathOf(name), EBUSY, name, true);   // a file mounted there (a bind mount)
    else if (errno != ENOENT)
        fail(pathOf(name), errno, name);
    return true;
}

// Whether the item `name` in `folder` is the top of a mount: the kernel's
// mount-root attribute where it gives one, else a mount ID other than the
// folder's.
bool TreeWalk::isMountRootAt(int folder, const char* name) const
{
    ItemPlace place;
    if (!placeAt(folder, name, place))
        return false;
    if (place.mountRoot >= 0)
        return place.mountRoot == 1;
    const quint64 outer = m_levels.empty() ? 0 : m_levels.back().place.mount;
    return place.mount != 0 && outer != 0 && place.mount != outer;
}

// Opens a folder in the deepest one (or at a path) and goes down into it.
// The top of another mount is not entered: a removal stays on the mount it
// started on, and leaves (a count counts) the mount point as one item.
void TreeWalk::enter(int folder, const char* name)
{
    UniqueFd fd(::openat(folder, name, kFolderFlags));
    ItemPlace place;
    const bool placed = fd.isValid() && placeAt(fd.get(), "", place);
    const bool mountPoint = placed && !m_levels.empty() && isOtherMount(place, m_levels.back().place);
    if (placed && m_levels.empty() && m_expected
        && (place.device != quint64(m_expected->st_dev) || place.inode != quint64(m_expected->st_ino))) {
        fd.reset();
        fail(pathOf(name), ESTALE, nullptr);
        return;
    }
    DIR* dir = placed && !mountPoint ? ::fdopendir(fd.get()) : nullptr;
    if (!dir) {
        const int code = errno;
        fd.reset();
        if (mountPoint && m_mode == Mode::Remove)
            fail(pathOf(name), EBUSY, name, true);   // what unlinkat would answer for it
        else if (!mountPoint && (code == ENOTDIR || code == ELOOP))
            leaf(folder, name);   // replaced by a file or a link since it was read
        else if (m_mode == Mode::Count)
            ++m_count;            // there, but not entered: counts as itself
        else if (code != ENOENT)
            fail(pathOf(name), code, name);
        return;
    }
    (void)fd.release();   // the stream's now
    if (m_mode == Mode::Count)
        ++m_count;
    if (m_levels.size() - m_firstOpen >= kOpenFolders) {
        ::closedir(m_levels[m_firstOpen].dir);
        m_levels[m_firstOpen].dir = nullptr;
        ++m_firstOpen;
    }
    Level level;
    level.name = QByteArray(name);
    level.dir = dir;
    level.place = place;
    m_levels.push_back(std::move(level));
}

// The deepest folder is read to its end: a removal removes it, and the walk
// goes back up to its parent. False when the walk must end.
bool TreeWalk::leave()
{
    const std::size_t deepest = m_levels.size() - 1;
    if (deepest > 0 && !m_levels[deepest - 1].dir && !reopenParentOfDeepest())
        return false;
    Level& level = m_levels.back();
    if (m_mode == Mode::Remove && !level.failed) {
        if (askStop())
            return false;
        const int parent = deepest > 0 ? ::dirfd(m_levels[deepest - 1].dir) : AT_FDCWD;
        if (unlinkAtFunction(parent, level.name.constData(), AT_REMOVEDIR) == 0) {
            if (deepest > 0)
                m_levels[deepest - 1].removedInPass = true;
            removedOne();
        } else if ((errno == ENOTEMPTY || errno == EEXIST) && level.removedInPass) {
            // A stream read while its folder changes may pass over entries:
            // read it again for as long as a pass removes something.
            ::rewinddir(level.dir);
            level.removedInPass = false;
            level.read = 0;
            return true;
        } else if (errno != ENOENT) {
            fail(pathOf(), errno, nullptr);
        }
    }
    const bool failed = level.failed;
    const QByteArray name = level.name;
    ::closedir(level.dir);
    m_levels.pop_back();
    if (failed && !m_levels.empty()) {
        m_levels.back().failed = true;
        m_levels.back().left.insert(name);
    }
    return true;
}

bool TreeWalk::reopenParentOfDeepest()
{
    const std::size_t child = m_levels.size() - 1;
    Level& parent = m_levels[child - 1];
    UniqueFd fd(::openat(::dirfd(m_levels[child].dir), "..", kFolderFlags));
    struct stat status {};
    const bool same = fd.isValid() && ::fstat(fd.get(), &status) == 0 && quint64(status.st_dev) == parent.place.device
                      && quint64(status.st_ino) == parent.place.inode;
    DIR* dir = same ? ::fdopendir(fd.get()) : nullptr;
    if (!dir) {
        const int code = same ? errno : ESTALE;
        fd.reset();
        // The tree was moved while it was walked: what is above is no
        // longer where the walk left it, and the walk ends here.
        const QByteArray path = pathOf();
        fail(path.left(path.lastIndexOf('/')), code, nullptr);
        return false;
    }
    (void)fd.release();   // the stream's now
    parent.dir = dir;
    --m_firstOpen;
    // The stream starts again at its beginning. A removal finds there only
    // what it has not tried: what it tried is gone or named as left. A
    // count skips what it has read: a folder that does not change reads in
    // the same order.
    if (m_mode == Mode::Count) {
        for (qint64 skipped = 0; skipped < parent.read;) {
            const dirent* entry = ::readdir(dir);
            if (!entry)
                break;
            if (!isDotOrDotDot(entry->d_name))
                ++skipped;
        }
    } else {
        parent.read = 0;
    }
    return true;
}

} // namespace

void setUnlinkAtFunction(UnlinkAt function)
{
    unlinkAtFunction = function ? function : systemUnlinkAt;
}

int unlinkItemAt(int folder, const char* name, int flags)
{
    return unlinkAtFunction(folder, name, flags);
}

TreeRemovalResult removeTree(const QByteArray& path, const RemovalProgress& progress,
                             TreeRemovalFailure& failure, const struct stat* expected)
{
    TreeWalk walk(TreeWalk::Mode::Remove, progress.shouldStop, progress.removed);
    walk.walk(path, expected);
    if (walk.stopped())
        return TreeRemovalResult::Stopped;
    if (walk.failed()) {
        failure = walk.failure();
        return TreeRemovalResult::Failed;
    }
    return TreeRemovalResult::Removed;
}

qint64 countTreeItems(const QByteArray& path, const std::function<bool()>& shouldStop)
{
    const std::function<void(qint64)> noReport;
    TreeWalk walk(TreeWalk::Mode::Count, shouldStop, noReport);
    if (!walk.walk(path) || walk.stopped())
        return -1;
    return walk.count();
}

} // namespace sorvant
