#include "system/standard_folders.h"

#include "platform/atomic_file.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/xdg_folders.h"


#include <array>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace sorvant {

namespace {

enum class Source { BaseDirectory, UserDirectory };

// user-dirs.dirs holds a dozen short lines.
constexpr qint64 kMaximumUserDirsSize = 1024 * 1024;

// The one table of standard folders. A base directory is an XDG variable
// with its default below home; a user directory is a key of user-dirs.dirs
// with the English name below home as the fall-back.
// A base directory's row names its XDG base folder; a user directory's row
// names its key in user-dirs.dirs and the English fall-back below home.
struct FolderRow {
    StandardFolder folder;
    Source source;
    XdgBaseFolder base;       // for a base directory
    const char* variable;     // XDG_DESKTOP_DIR, for a user directory
    const char* fallback;     // relative to home, for a user directory
};

constexpr std::array<FolderRow, 11> kFolders = {{
    {StandardFolder::Library, Source::BaseDirectory, XdgBaseFolder::Data, nullptr, nullptr},
    {StandardFolder::ApplicationSupport, Source::BaseDirectory, XdgBaseFolder::Data, nullptr, nullptr},
    {StandardFolder::Preferences, Source::BaseDirectory, XdgBaseFolder::Config, nullptr, nullptr},
    {StandardFolder::Caches, Source::BaseDirectory, XdgBaseFolder::Cache, nullptr, nullptr},
    {StandardFolder::Logs, Source::BaseDirectory, XdgBaseFolder::State, nullptr, nullptr},
    {StandardFolder::Desktop, Source::UserDirectory, XdgBaseFolder::Config, "XDG_DESKTOP_DIR", "Desktop"},
    {StandardFolder::Documents, Source::UserDirectory, XdgBaseFolder::Config, "XDG_DOCUMENTS_DIR", "Documents"},
    {StandardFolder::Downloads, Source::UserDirectory, XdgBaseFolder::Config, "XDG_DOWNLOAD_DIR", "Downloads"},
    {StandardFolder::Music, Source::UserDirectory, XdgBaseFolder::Config, "XDG_MUSIC_DIR", "Music"},
    {StandardFolder::Pictures, Source::UserDirectory, XdgBaseFolder::Config, "XDG_PICTURES_DIR", "Pictures"},
    {StandardFolder::Movies, Source::UserDirectory, XdgBaseFolder::Config, "XDG_VIDEOS_DIR", "Movies"},
}};

constexpr std::size_t kFolderCount = kFolders.size();

const FolderRow& rowFor(StandardFolder folder)
{
    for (const FolderRow& row : kFolders) {
        if (row.folder == folder)
            return row;
    }
    return kFolders.front();
}

// The value of a key in user-dirs.dirs: `KEY="$HOME/Name"` or `KEY="/abs"`.
QString userDirsValue(const QString& home, const char* key)
{
    const QString path = stringByAppendingPathComponent(xdgBaseFolder(XdgBaseFolder::Config, home),
                                                        QStringLiteral("user-dirs.dirs"));
    QByteArray contents;
    if (readRegularFile(path, kMaximumUserDirsSize, &contents) != FileReadStatus::Read)
        return {};
    const QByteArray prefix = QByteArray(key) + "=\"";
    for (const QByteArray& raw : contents.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith(prefix) || !line.endsWith('"'))
            continue;
        QString value = stringWithFileSystemRepresentation(line.mid(prefix.size(), line.size() - prefix.size() - 1));
        if (value.startsWith(QLatin1String("$HOME")))
            value = home + value.mid(5);
        // A user folder set to the home folder itself means "none".
        if (!value.startsWith(QLatin1Char('/')) || stringByStandardizingPath(value) == home)
            return {};
        return stringByStandardizingPath(value);
    }
    return {};
}

QString passwordDatabaseHome()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? stringWithFileSystemRepresentation(QByteArray(entry->pw_dir)) : QString();
}

// The process-wide cache: one slot per folder of the process's home and of
// the real home, filled on first use.
struct FolderCache {
    std::mutex lock;
    std::array<QString, kFolderCount> process;
    std::array<QString, kFolderCount> user;
    QString userHome;
};

FolderCache& cache()
{
    static FolderCache instance;
    return instance;
}

QString cachedFolder(StandardFolder folder, bool realHome)
{
    // The home is read before the lock is taken: userHomeDirectory() takes it too.
    const QString home = realHome ? userHomeDirectory() : NSHomeDirectory();
    FolderCache& c = cache();
    const std::lock_guard<std::mutex> guard(c.lock);
    QString& slot = (realHome ? c.user : c.process)[std::size_t(folder)];
    if (slot.isEmpty())
        slot = standardFolderPath(folder, home);
    return slot;
}

QString inFolder(const QString& folder, const QString& component)
{
    return folder.isNull() ? QString() : stringByAppendingPathComponent(folder, component);
}

} // namespace

QString standardFolderPath(StandardFolder folder, const QString& home)
{
    if (home.isEmpty())
        return {};
    const FolderRow& row = rowFor(folder);
    if (row.source == Source::BaseDirectory)
        return xdgBaseFolder(row.base, home);
    const QString path = userDirsValue(home, row.variable);
    return path.isEmpty() ? stringByAppendingPathComponent(home, QString::fromLatin1(row.fallback)) : path;
}

void resetStandardFolders()
{
    FolderCache& c = cache();
    const std::lock_guard<std::mutex> guard(c.lock);
    c.process.fill(QString());
    c.user.fill(QString());
    c.userHome.clear();
}

QString userHomeDirectory()
{
    FolderCache& c = cache();
    {
        const std::lock_guard<std::mutex> guard(c.lock);
        if (!c.userHome.isEmpty())
            return c.userHome;
    }
    QString home = absolutePathVariable("SNAP_REAL_HOME");
    if (home.isEmpty() && qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID"))
        home = passwordDatabaseHome();
    // An unreadable password entry leaves the process's home as the answer.
    if (home.isEmpty())
        home = NSHomeDirectory();
    const std::lock_guard<std::mutex> guard(c.lock);
    c.userHome = home;
    return home;
}

QString userLibraryDirectory() { return cachedFolder(StandardFolder::Library, true); }
QString userDocumentsFolder() { return cachedFolder(StandardFolder::Documents, true); }
QString userDesktopFolder() { return cachedFolder(StandardFolder::Desktop, true); }

QString libraryDirectory() { return cachedFolder(StandardFolder::Library, false); }
QString LibraryDirectory() { return libraryDirectory(); }
QString UserHomeDirectory() { return NSHomeDirectory(); }
QString desktopDirectory() { return cachedFolder(StandardFolder::Desktop, false); }
QString downloadsDirectory() { return cachedFolder(StandardFolder::Downloads, false); }
QString preferencesDirectory() { return cachedFolder(StandardFolder::Preferences, false); }
QString cachesDirectory() { return cachedFolder(StandardFolder::Caches, false); }
QString applicationSupportDirectory() { return cachedFolder(StandardFolder::ApplicationSupport, false); }
QString logsDirectory() { return cachedFolder(StandardFolder::Logs, false); }

QString pathInHomeDirectory(const QString& component) { return inFolder(NSHomeDirectory(), component); }
QString pathInLibraryDirectory(const QString& component) { return inFolder(libraryDirectory(), component); }
QString pathInPreferencesDirectory(const QString& component) { return inFolder(preferencesDirectory(), component); }
QString pathInCachesDirectory(const QString& component) { return inFolder(cachesDirectory(), component); }
QString pathInApplicationSupportDirectory(const QString& component)
{
    return inFolder(applicationSupportDirectory(), component);
}

} // namespace sorvant
