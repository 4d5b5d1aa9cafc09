#include "system/bundle.h"

#include "foundation/string_construction.h"
#include "platform/file_system_representation.h"
#include "platform/localized_text.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/unique_fd.h"
#include "system/cloud_folders.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/free_names.h"
#include "system/standard_folders.h"

#include <QCache>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <memory>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

// Stand-ins for a missing Info.plist, so the program always has a name,
// an identifier and a version.
QVariantMap builtInInfo()
{
    return {
        {QStringLiteral("CFBundleName"), QStringLiteral("Sorvant")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.tarrenbeck.Sorvant")},
        {QStringLiteral("CFBundleVersion"), QStringLiteral(SORVANT_VERSION)},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(SORVANT_VERSION)},
    };
}

struct MainBundleState
{
    std::mutex mutex;
    std::optional<Bundle> bundle;
    StringTranslator translator;
    QCache<QString, QString> localized {4096};
};

MainBundleState& state()
{
    static MainBundleState instance;
    return instance;
}

bool pathExists(const QString& path)
{
    struct stat info {};
    return ::lstat(fileSystemRepresentation(path).constData(), &info) == 0;
}

} // namespace

Bundle::Bundle(QString resourcePath, QVariantMap infoDictionary)
    : m_resourcePath(std::move(resourcePath)), m_info(std::move(infoDictionary))
{
}

QString findResourcesFolder()
{
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString bin = QCoreApplication::applicationDirPath();
        candidates << bin + QStringLiteral("/resources") << bin + QStringLiteral("/../share/sorvant");
    }
    // The source tree the program was built from, for runs inside the
    // build tree.
    candidates << QStringLiteral(SORVANT_SOURCE_DIR "/resources");
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    }
    return {};
}

Bundle& Bundle::mainBundle()
{
    MainBundleState& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.bundle) {
        const QString resources = findResourcesFolder();
        QVariantMap info = builtInInfo();
        if (!resources.isNull()) {
            const QVariantMap read = readPropertyListFile(resources + QStringLiteral("/Info.plist")).toMap();
            for (auto it = read.cbegin(); it != read.cend(); ++it)
                info.insert(it.key(), it.value());
        }
        s.bundle.emplace(resources, info);
    }
    return *s.bundle;
}

Bundle& VelmorFoundationBundle() { return Bundle::mainBundle(); }
Bundle& VelmorAppKitBundle() { return Bundle::mainBundle(); }
Bundle& VelmorPDFKitBundle() { return Bundle::mainBundle(); }
Bundle& VelmorWebKitBundle() { return Bundle::mainBundle(); }
Bundle& VelmorStringsBundle() { return VelmorAppKitBundle(); }
Bundle& applicationBundle() { return Bundle::mainBundle(); }
QString applicationIdentifier() { return Bundle::mainBundle().bundleIdentifier(); }

void Bundle::setMainBundle(const Bundle& bundle)
{
    MainBundleState& s = state();
    std::lock_guard lock(s.mutex);
    s.bundle = bundle;
    s.localized.clear();
}

QVariant Bundle::objectForInfoDictionaryKey(const QString& key) const
{
    const QVariant value = m_info.value(key);
    if (value.typeId() != QMetaType::QString)
        return value;
    // InfoPlist is the table that localizes Info.plist entries.
    const QString translated = localizedStringForKey(key, {}, QStringLiteral("InfoPlist"));
    return translated == key ? value : QVariant(translated);
}

QString Bundle::bundleIdentifier() const { return m_info.value(QStringLiteral("CFBundleIdentifier")).toString(); }
QString Bundle::bundleName() const { return m_info.value(QStringLiteral("CFBundleName")).toString(); }
QString Bundle::localizedBundleName() const
{
    return objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
}
QString Bundle::mainNibFile() const { return m_info.value(QStringLiteral("NSMainNibFile")).toString(); }
QString Bundle::getInfoString() const { return m_info.value(QStringLiteral("CFBundleGetInfoString")).toString(); }
QString Bundle::getShortVersionString() const
{
    return m_info.value(QStringLiteral("CFBundleShortVersionString")).toString();
}
QString Bundle::bundleVersion() const { return m_info.value(QStringLiteral("CFBundleVersion")).toString(); }

std::uint32_t Bundle::bundleSignature() const
{
    const QString signature = m_info.value(QStringLiteral("CFBundleSignature")).toString();
    if (signature.size() != 4)
        return 0;
    std::uint32_t code = 0;
    for (const QChar c : signature) {
        if (c.unicode() > 0xFF)
            return 0;
        code = (code << 8) | c.unicode();
    }
    return code;
}

QString Bundle::pathForResource(const QString& name, const QString& type, const QString& folder) const
{
    if (m_resourcePath.isEmpty() || name.isEmpty())
        return {};
    QString path = m_resourcePath;
    if (!folder.isEmpty())
        path = stringByAppendingPathComponent(path, folder);
    path = stringByAppendingPathComponent(path, type.isEmpty() ? name : name + u'.' + type);
    return QFileInfo::exists(path) ? path : QString();
}

QString Bundle::localizedStringForKey(const QString& key, const QString& value, const QString& table) const
{
    if (key.isNull())
        return value.isEmpty() ? QString() : value;
    StringTranslator translator;
    {
        MainBundleState& s = state();
        std::lock_guard lock(s.mutex);
        translator = s.translator;
    }
    if (translator) {
        const QString translated = translator(key, table);
        if (!translated.isNull())
            return translated;
    }
    return value.isEmpty() ? key : value;
}

StringTranslator setStringTranslator(StringTranslator translator)
{
    MainBundleState& s = state();
    std::lock_guard lock(s.mutex);
    s.localized.clear();
    std::swap(s.translator, translator);
    // The lower libraries' texts go through the cache: a size text is asked
    // for every cell drawn.
    setTextLookup(s.translator ? &cachedLocalizedStringForKey : nullptr);
    return translator;
}

QString cachedLocalizedStringForKey(const QString& key)
{
    if (key.isNull())
        return {};
    MainBundleState& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (const QString* cached = s.localized.object(key))
            return *cached;
    }
    const QString translated = Bundle::mainBundle().localizedStringForKey(key, QStringLiteral(""));
    std::lock_guard lock(s.mutex);
    s.localized.insert(key, new QString(translated));
    return translated;
}

QString localizedToolkitString(const QString& english)
{
    return Bundle::mainBundle().localizedStringForKey(english, QStringLiteral(""), QStringLiteral("Bundle"));
}

namespace {

// Takes a shared lock on "<folder>.lock" for this process, first trying an
// exclusive one: YES when no other process held the lock, so the folder's
// contents are leftovers. A lock that cannot be had at all counts as
// free, as before locks were used.
bool lockTemporaryDirectory(const QString& folder, std::shared_ptr<const UniqueFd>* holder)
{
    const QString lockPath = folder + QStringLiteral(".lock");
    if (!createPath(stringByDeletingLastPathComponent(lockPath)))
        return true;
    auto lock = std::make_shared<const UniqueFd>(
        ::open(fileSystemRepresentation(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock->isValid())
        return true;
    const int fd = lock->get();
    *holder = std::move(lock);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Nobody uses the folder: clean it, then share it with later runs.
        // Between the two a third process may take the exclusive lock and
        // clean too, which only removes what is being removed anyway.
        ::flock(fd, LOCK_SH);
        return true;
    }
    ::flock(fd, LOCK_SH);
    return false;
}

} // namespace

QString Bundle::temporaryDirectory()
{
    if (m_temporaryDirectory.isNull()) {
        const QString caches = cachesDirectory();
        if (caches.isEmpty() || bundleName().isEmpty())
            return {};
        m_temporaryDirectory = caches + QStringLiteral("/TemporaryItems/") + bundleName();
        // Leftovers of earlier runs go, so each run starts empty; but not
        // while another process of this name holds the folder's lock.
        if (lockTemporaryDirectory(m_temporaryDirectory, &m_temporaryLock))
            removePath(m_temporaryDirectory);
    }
    if (!createPath(m_temporaryDirectory))
        return {};
    return m_temporaryDirectory;
}

QString Bundle::temporaryDirectoryNamed(const QString& name)
{
    const QString folder = temporaryDirectory();
    if (folder.isNull() || name.isNull())
        return folder;
    const QString path = stringByAppendingPathComponent(folder, name);
    return createPath(path) ? path : QString();
}

bool Bundle::removeTemporaryDirectoryNamed(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QString folder = temporaryDirectory();
    return !folder.isNull() && removePath(stringByAppendingPathComponent(folder, name));
}

QString Bundle::temporaryFileNamed(const QString& name)
{
    const QString folder = temporaryDirectory();
    if (folder.isNull() || name.isEmpty())
        return folder;
    return stringByAppendingPathComponent(folder, name);
}

QString Bundle::nonExistingTemporaryFileNamed(const QString& name)
{
    return nonExistingFilenameAtPath(temporaryFileNamed(name));
}

QString Bundle::uniqueTemporaryDirectory()
{
    return temporaryDirectoryNamed(uniqueString());
}

QString Bundle::logFile() const
{
    const QString logs = logsDirectory();
    return logs.isEmpty() ? QString() : logs + u'/' + bundleIdentifier() + QStringLiteral(".log");
}

QStringList systemPathsToTest()
{
    return {QStringLiteral("/usr/bin/zip"), QStringLiteral("/usr/bin/unzip"), QStringLiteral("/usr/bin/gio"),
            QStringLiteral("/usr/bin/xdg-open"), QStringLiteral("/usr/bin/systemctl")};
}

void testSystemPaths()
{
    logMessage(QStringLiteral("NSHomeDirectory: %1").arg(NSHomeDirectory()));
    logMessage(QStringLiteral("userHomeDirectory: %1").arg(userHomeDirectory()));
    logMessage(QStringLiteral("iCloudFolder: %1").arg(iCloudFolder().isNull() ? QStringLiteral("(null)") : iCloudFolder()));
    for (const QString& path : systemPathsToTest()) {
        if (!pathExists(path))
            logError(QStringLiteral("%1 does not exist.").arg(path));
        else if (isSymbolicLinkAtPath(path))
            logError(QStringLiteral("%1 is symbolic link.").arg(path));
    }
}

} // namespace sorvant
