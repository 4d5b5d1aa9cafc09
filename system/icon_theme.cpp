#include "system/icon_theme.h"

#include "platform/atomic_file.h"
#include "platform/path_semantics.h"
#include "platform/xdg_folders.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <mutex>

namespace sorvant {

namespace {

struct ThemeSettings
{
    std::mutex mutex;
    QStringList searchPaths;
    QString name;
};

ThemeSettings& settings()
{
    static ThemeSettings instance;
    return instance;
}

struct ThemeDirectory
{
    QString path;     // relative to the theme's folder
    int size = 0;
    int minSize = 0;
    int maxSize = 0;
    int threshold = 2;
    QString type = QStringLiteral("Threshold");
};

struct Theme
{
    QStringList roots;  // the theme's folder in each search path
    QList<ThemeDirectory> directories;
    QStringList inherits;
};

// The groups and keys of an index.theme file (a desktop-entry-style file),
// or of a desktop's settings file of that form (kdeglobals, GTK's
// settings.ini). Only a regular file is read, and only its first megabyte.
QHash<QString, QHash<QString, QString>> readIndex(const QString& path)
{
    QHash<QString, QHash<QString, QString>> groups;
    QByteArray data;
    if (readRegularFile(path, 1024 * 1024, &data) != FileReadStatus::Read)
        return groups;
    QString group;
    for (const QByteArray& bytes : data.split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            groups[group].insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return groups;
}

Theme loadTheme(const QString& name, const QStringList& searchPaths)
{
    Theme theme;
    for (const QString& base : searchPaths) {
        const QString root = base + u'/' + name;
        if (!QFileInfo(root).isDir())
            continue;
        theme.roots.append(root);
        const QString index = root + QStringLiteral("/index.theme");
        if (!theme.directories.isEmpty() || !QFileInfo::exists(index))
            continue;
        const QHash<QString, QHash<QString, QString>> groups = readIndex(index);
        const QHash<QString, QString> main = groups.value(QStringLiteral("Icon Theme"));
        theme.inherits = main.value(QStringLiteral("Inherits")).split(u',', Qt::SkipEmptyParts);
        for (const QString& directory : main.value(QStringLiteral("Directories")).split(u',', Qt::SkipEmptyParts)) {
            const QHash<QString, QString> group = groups.value(directory);
            ThemeDirectory entry;
            entry.path = directory;
            entry.size = group.value(QStringLiteral("Size")).toInt();
            entry.minSize = group.value(QStringLiteral("MinSize"), QString::number(entry.size)).toInt();
            entry.maxSize = group.value(QStringLiteral("MaxSize"), QString::number(entry.size)).toInt();
            entry.threshold = group.value(QStringLiteral("Threshold"), QStringLiteral("2")).toInt();
            entry.type = group.value(QStringLiteral("Type"), QStringLiteral("Threshold"));
            if (entry.size > 0)
                theme.directories.append(entry);
        }
    }
    return theme;
}

// How far a folder's sizes are from the wanted size (0: it fits).
int sizeDistance(const ThemeDirectory& directory, int size)
{
    if (directory.type == QLatin1String("Fixed"))
        return qAbs(directory.size - size);
    if (directory.type == QLatin1String("Scalable")) {
        if (size < directory.minSize)
            return directory.minSize - size;
        return size > directory.maxSize ? size - directory.maxSize : 0;
    }
    if (size < directory.size - directory.threshold)
        return directory.size - directory.threshold - size;
    return size > directory.size + directory.threshold ? size - directory.size - directory.threshold : 0;
}

QString fileIn(const QString& folder, const QString& name)
{
    for (const char* extension : {".png", ".svg", ".xpm"}) {
        const QString path = folder + u'/' + name + QLatin1String(extension);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

// Each theme's index is read once per search path: the themes are kept
// until the search path or the theme changes.
struct ThemeCache
{
    std::mutex mutex;
    QStringList searchPaths;
    QHash<QString, Theme> themes;
};

ThemeCache& themeCache()
{
    static ThemeCache cache;
    return cache;
}

Theme cachedTheme(const QString& name, const QStringList& searchPaths)
{
    ThemeCache& cache = themeCache();
    {
        std::lock_guard lock(cache.mutex);
        if (cache.searchPaths != searchPaths) {
            cache.themes.clear();
            cache.searchPaths = searchPaths;
        }
        const auto found = cache.themes.constFind(name);
        if (found != cache.themes.cend())
            return *found;
    }
    Theme theme = loadTheme(name, searchPaths);
    std::lock_guard lock(cache.mutex);
    if (cache.searchPaths == searchPaths)
        cache.themes.insert(name, theme);
    return theme;
}

QString lookUpInTheme(const Theme& theme, const QString& name, int size)
{
    QString best;
    int bestDistance = INT_MAX;
    for (const ThemeDirectory& directory : theme.directories) {
        const int distance = sizeDistance(directory, size);
        if (distance >= bestDistance)
            continue;
        for (const QString& root : theme.roots) {
            const QString path = fileIn(root + u'/' + directory.path, name);
            if (!path.isNull()) {
                best = path;
                bestDistance = distance;
                break;
            }
        }
        if (bestDistance == 0)
            break;
    }
    return best;
}

} // namespace

QStringList iconThemeSearchPaths()
{
    {
        ThemeSettings& s = settings();
        std::lock_guard lock(s.mutex);
        if (!s.searchPaths.isEmpty())
            return s.searchPaths;
    }
    QStringList paths {xdgBaseFolder(XdgBaseFolder::Data) + QStringLiteral("/icons")};
    for (const QString& dir : xdgSearchFolders(XdgSearchFolders::Data))
        paths.append(dir + QStringLiteral("/icons"));
    paths.append(QStringLiteral("/usr/share/pixmaps"));
    return paths;
}

void setIconThemeSearchPaths(const QStringList& paths)
{
    ThemeSettings& s = settings();
    std::lock_guard lock(s.mutex);
    s.searchPaths = paths;
}

QString iconThemeName()
{
    ThemeSettings& s = settings();
    std::lock_guard lock(s.mutex);
    return s.name.isEmpty() ? QStringLiteral("hicolor") : s.name;
}

void setIconThemeName(const QString& name)
{
    {
        ThemeSettings& s = settings();
        std::lock_guard lock(s.mutex);
        s.name = name;
    }
    // A theme of the same name may have been installed meanwhile.
    ThemeCache& cache = themeCache();
    std::lock_guard lock(cache.mutex);
    cache.themes.clear();
}

// --- the desktop's theme -------------------------------------------------------------

bool isIconThemeInstalled(const QString& name, const QStringList& searchPaths)
{
    if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::any_of(searchPaths.cbegin(), searchPaths.cend(), [&](const QString& base) {
        return QFileInfo(base + u'/' + name + QStringLiteral("/index.theme")).isFile();
    });
}

QString chooseIconTheme(const QStringList& named, const QStringList& searchPaths)
{
    for (const QString& name : named) {
        if (isIconThemeInstalled(name, searchPaths))
            return name;
    }
    for (const char* fallback : {"Adwaita", "breeze"}) {
        if (isIconThemeInstalled(QLatin1String(fallback), searchPaths))
            return QLatin1String(fallback);
    }
    return QStringLiteral("hicolor");
}

QStringList configuredIconThemeNames()
{
    const QString config = xdgBaseFolder(XdgBaseFolder::Config);
    QStringList names;
    const auto add = [&names](const QString& name) {
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    };
    add(readIndex(config + QStringLiteral("/kdeglobals")).value(QStringLiteral("Icons")).value(QStringLiteral("Theme")));
    for (const char* gtk : {"/gtk-4.0/settings.ini", "/gtk-3.0/settings.ini"})
        add(readIndex(config + QLatin1String(gtk)).value(QStringLiteral("Settings")).value(QStringLiteral("gtk-icon-theme-name")));
    return names;
}

QString iconThemeFromSettingText(const QString& text)
{
    QString value = text.trimmed();
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == u'\'' || value.front() == u'"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

namespace {

constexpr char kPortalService[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kPortalSettings[] = "org.freedesktop.portal.Settings";
constexpr char kGnomeInterface[] = "org.gnome.desktop.interface";
constexpr char kIconThemeKey[] = "icon-theme";

// The value of a Settings.Read reply: a variant in a variant (the first
// version of the interface wraps it twice), or a string itself.
QString portalString(QVariant value)
{
    for (int depth = 0; depth < 3 && value.typeId() == qMetaTypeId<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// What the desktop names, filled in as each asker answers; the theme is
// chosen once every one has (an asker that fails answers nothing).
struct DesktopThemeAnswers
{
    QStringList searchPaths;
    DesktopIconThemeSettings settings;
    int pending = 0;
    std::function<void()> changed;

    void answered()
    {
        if (--pending > 0)
            return;
        const QString chosen = chooseIconTheme(rankedIconThemeNames(settings), searchPaths);
        if (chosen == iconThemeName())
            return;
        setIconThemeName(chosen);
        if (changed)
            changed();
    }
};

// Runs the tool and gives `answer` its output when it ends well; the
// answers are told once it ended whichever way. A tool still running after
// ten seconds is stopped.
void askTool(QObject* context, const std::shared_ptr<DesktopThemeAnswers>& answers, const QString& tool,
             const QStringList& arguments, const QProcessEnvironment& environment,
             const std::function<void(const QString&)>& answer)
{
    auto* process = new QProcess(context);
    process->setProcessEnvironment(environment);
    process->setStandardErrorFile(QProcess::nullDevice());
    ++answers->pending;
    QObject::connect(process, &QProcess::finished, context,
                     [answers, process, answer](int status, QProcess::ExitStatus how) {
                         process->deleteLater();
                         if (how == QProcess::NormalExit && status == 0)
                             answer(QString::fromUtf8(process->readAllStandardOutput()));
                         answers->answered();
                     });
    QObject::connect(process, &QProcess::errorOccurred, context, [answers, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        answers->answered();
    });
    QTimer::singleShot(10000, process, [process] { process->kill(); });
    process->start(tool, arguments);
}

// Whether XDG_CURRENT_DESKTOP names the desktop.
bool isSessionOf(const char* desktop)
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':').contains(QLatin1String(desktop), Qt::CaseInsensitive);
}

} // namespace

QStringList rankedIconThemeNames(const DesktopIconThemeSettings& settings)
{
    // GNOME's settings tool prints the default of a key nobody set, and the
    // portal answers the same on GTK desktops: that is no one's choice
    // unless the session is GNOME's.
    const auto userSet = [&settings](const QString& name) {
        return settings.gnomeDesktop || (!settings.gnomeDefault.isEmpty() && name != settings.gnomeDefault);
    };
    // Without GNOME's tool nothing tells a default from a choice: the portal
    // then answers the desktop's own setting (KDE's, or what its backend
    // keeps) and ranks as the user's. In XFCE's session its xsettings come
    // first: there a portal reading GNOME's settings has only their default.
    const bool portalSet = userSet(settings.portal);
    const bool portalUnverified = !portalSet && !settings.gnomeTool;
    QStringList named;
    QStringList defaults;
    if (portalSet)
        named.append(settings.portal);
    else if (!portalUnverified)
        defaults.append(settings.portal);
    (userSet(settings.gnome) ? named : defaults).append(settings.gnome);
    named.append(settings.xfce);
    if (portalUnverified)
        named.append(settings.portal);
    named.append(settings.files);
    if (settings.platform != QLatin1String("hicolor"))
        named.append(settings.platform);
    named.append(defaults);
    named.removeAll(QString());
    named.removeDuplicates();
    return named;
}

void useDesktopIconTheme(const QString& platformTheme, QObject* context, std::function<void()> changed)
{
    auto answers = std::make_shared<DesktopThemeAnswers>();
    answers->searchPaths = iconThemeSearchPaths();
    answers->settings.platform = platformTheme;
    answers->settings.files = configuredIconThemeNames();
    answers->settings.gnomeDesktop = isSessionOf("GNOME");
    setIconThemeName(chooseIconTheme(rankedIconThemeNames(answers->settings), answers->searchPaths));
    answers->changed = std::move(changed);
    if (!context)
        return;

    // Held until every asker has started, so that a quick one does not
    // choose alone.
    answers->pending = 1;
    // The portal and the tools are asked without waiting: the answers come
    // to the context's thread.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage read = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                           QLatin1String(kPortalSettings), QStringLiteral("Read"));
        read.setArguments({QLatin1String(kGnomeInterface), QLatin1String(kIconThemeKey)});
        ++answers->pending;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 2000), context);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [answers](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                answers->settings.portal = portalString(reply.arguments().constFirst());
            answers->answered();
        });
    }
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // GNOME's setting, and its default: the same tool reading no one's
    // settings (its backend in memory) prints the schema's default.
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    answers->settings.gnomeTool = !gsettings.isEmpty();
    if (!gsettings.isEmpty()) {
        const QStringList get {QStringLiteral("get"), QLatin1String(kGnomeInterface), QLatin1String(kIconThemeKey)};
        askTool(context, answers, gsettings, get, environment,
                [answers](const QString& out) { answers->settings.gnome = iconThemeFromSettingText(out); });
        QProcessEnvironment inMemory = environment;
        inMemory.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        askTool(context, answers, gsettings, get, inMemory,
                [answers](const QString& out) { answers->settings.gnomeDefault = iconThemeFromSettingText(out); });
    }
    // XFCE's xsettings in its session, when its settings tool is installed
    // (elsewhere the tool would start XFCE's settings service).
    const QString xfconf = isSessionOf("XFCE") ? QStandardPaths::findExecutable(QStringLiteral("xfconf-query")) : QString();
    if (!xfconf.isEmpty()) {
        askTool(context, answers, xfconf, {QStringLiteral("-c"), QStringLiteral("xsettings"), QStringLiteral("-p"),
                                           QStringLiteral("/Net/IconThemeName")},
                environment, [answers](const QString& out) { answers->settings.xfce = out.trimmed(); });
    }
    answers->answered();
}

QString iconPathForName(const QString& name, int size)
{
    if (name.isEmpty())
        return {};
    if (name.startsWith(u'/'))
        return QFileInfo(name).isFile() ? name : QString();
    const QStringList searchPaths = iconThemeSearchPaths();
    QStringList pending {iconThemeName()};
    QStringList visited;
    // Inherited themes are visited breadth first, each once (a theme that
    // inherits itself cannot loop); hicolor comes last.
    while (!pending.isEmpty()) {
        const QString themeName = pending.takeFirst();
        if (visited.contains(themeName))
            continue;
        visited.append(themeName);
        const Theme theme = cachedTheme(themeName, searchPaths);
        const QString found = lookUpInTheme(theme, name, size);
        if (!found.isNull())
            return found;
        pending.append(theme.inherits);
        if (pending.isEmpty() && !visited.contains(QStringLiteral("hicolor")))
            pending.append(QStringLiteral("hicolor"));
    }
    // Unthemed icons lie directly in the search folders.
    for (const QString& base : searchPaths) {
        const QString found = fileIn(base, name);
        if (!found.isNull())
            return found;
    }
    return {};
}

} // namespace sorvant
