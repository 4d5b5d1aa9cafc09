#include "system/standard_folders.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"

#include <QFile>

#include <array>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace sorvant {

namespace {

enum class Source { BaseDirectory, UserDirectory };

// The one table of standard folders. A base directory is an XDG variable
// with its default below home; a user directory is a key of user-dirs.dirs
// with the English name below home as the fall-back.
struct FolderRow {
    StandardFolder folder;
    Source source;
    const char* variable;     // XDG_DATA_HOME or XDG_DESKTOP_DIR
    const char* fallback;     // relative to home
};

constexpr std::array<FolderRow, 11> kFolders = {{
    {StandardFolder::Library, Source::BaseDirectory, "XDG_DATA_HOME", ".local/share"},
    {StandardFolder::ApplicationSupport, Source::BaseDirectory, "XDG_DATA_HOME", ".local/share"},
    {StandardFolder::Preferences, Source::BaseDirectory, "XDG_CONFIG_HOME", ".config"},
    {StandardFolder::Caches, Source::BaseDirectory, "XDG_CACHE_HOME", ".cache"},
    {StandardFolder::Logs, Source::BaseDirectory, "XDG_STATE_HOME", ".local/state"},
    {StandardFolder::Desktop, Source::UserDirectory, "XDG_DESKTOP_DIR", "Desktop"},
    {StandardFolder::Documents, Source::UserDirectory, "XDG_DOCUMENTS_DIR", "Documents"},
    {StandardFolder::Downloads, Source::UserDirectory, "XDG_DOWNLOAD_DIR", "Downloads"},
    {StandardFolder::Music, Source::UserDirectory, "XDG_MUSIC_DIR", "Music"},
    {StandardFolder::Pictures, Source::UserDirectory, "XDG_PICTURES_DIR", "Pictures"},
    {StandardFolder::Movies, Source::UserDirectory, "XDG_VIDEOS_DIR", "Movies"},
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

// An XDG variable counts only when it holds an absolute path.
QString absoluteVariable(const char* name)
{
    const QString value = stringWithFileSystemRepresentation(qgetenv(name));
    return value.startsWith(QLatin1Char('/')) ? stringByStandardizingPath(value) : QString();
}

QString configHome(const QString& home)
{
    const QString configured = absoluteVariable("XDG_CONFIG_HOME");
    return configured.isEmpty() ? stringByAppendingPathComponent(home, QStringLiteral(".config")) : configured;
}

// The value of a key in user-dirs.dirs: `KEY="$HOME/Name"` or `KEY="/abs"`.
QString userDirsValue(const QString& home, const char* key)
{
    QFile file(stringByAppendingPathComponent(configHome(home), QStringLiteral("user-dirs.dirs")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = QByteArray(key) + "=\"";
    for (const QByteArray& raw : file.readAll().split('\n')) {
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
    QString path = row.source == Source::BaseDirectory ? absoluteVariable(row.variable) : userDirsValue(home, row.variable);
    if (path.isEmpty())
        path = stringByAppendingPathComponent(home, QString::fromLatin1(row.fallback));
    return path;
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
    QString home = absoluteVariable("SNAP_REAL_HOME");
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
