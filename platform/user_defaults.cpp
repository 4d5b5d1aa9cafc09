#include "platform/user_defaults.h"

#include "platform/atomic_file.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/xdg_folders.h"

#include <QCoreApplication>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

const QLatin1String kFolderName("sorvant");
const QLatin1String kFileName("org.tarrenbeck.Sorvant.plist");
const QLatin1String kDamagedSuffix(".damaged");
// A settings file holds a few hundred keys; anything far larger is not one
// and is not read into memory.
constexpr qint64 kMaximumFileSize = 64 * 1024 * 1024;

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

} // namespace

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
    defaults.readFileLocked(&defaults.m_persistent);
}

UserDefaults::UserDefaults(const QString& path, const QStringList& arguments)
    : m_path(path), m_arguments(argumentDomain(arguments))
{
    std::lock_guard lock(m_mutex);
    readFileLocked(&m_persistent);
}

UserDefaults::~UserDefaults() = default;

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
    const auto it = m_persistent.constFind(key);
    if (m_pending.isEmpty() && it != m_persistent.cend() && it.value() == stored
        && it.value().typeId() == stored.typeId())
        return;
    m_persistent.insert(key, stored);
    m_pending.insert(key, stored);
    saveLocked();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    std::lock_guard lock(m_mutex);
    m_persistent.remove(key);
    m_pending.insert(key, QVariant());
    saveLocked();
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    std::lock_guard lock(m_mutex);
    m_registration.insert(defaults);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (!m_pending.isEmpty())
        return saveLocked();
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
    const FileState state = readFileLocked(domain, &problem);
    if (problem.isEmpty())
        m_reported.clear();
    else if (m_reported != problem)
        logWarning(m_reported = problem);
    return state;
}

UserDefaults::FileState UserDefaults::readFileLocked(QVariantMap* domain, QString* problem)
{
    domain->clear();
    QByteArray data;
    QString error;
    switch (readRegularFile(m_path, kMaximumFileSize, &data, &error)) {
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
    const QVariant root = propertyListFromData(data, &error);
    if (root.typeId() == QMetaType::QVariantMap) {
        *domain = root.toMap();
        return FileState::Read;
    }
    *problem = QStringLiteral("The user defaults '%1' are damaged (%2)")
                   .arg(m_path, root.isValid() ? QStringLiteral("it does not hold a dictionary") : error);
    return FileState::Damaged;
}

// Writes the pending changes over what the file holds now, so that keys
// another process changed since this one read the file are kept. A damaged
// file is renamed aside first, keeping its bytes.
bool UserDefaults::saveLocked()
{
    QVariantMap disk;
    QString problem;
    const FileState state = readFileLocked(&disk, &problem);
    if (state == FileState::Untouchable) {
        if (m_reported != problem)
            logWarning(m_reported = problem);
        return false;
    }
    // A settings file that is a link (to a dotfiles folder, say) is written
    // where it leads, the link kept; a read-only one is left as it is.
    const QString target = stringByResolvingSymlinksInPath(m_path);
    struct stat info {};
    if (::stat(fileSystemRepresentation(target).constData(), &info) == 0 && (info.st_mode & S_IWUSR) == 0) {
        const QString readOnly = QStringLiteral("The user defaults '%1' are read-only; changes will not be saved")
                                     .arg(target);
        if (m_reported != readOnly)
            logWarning(m_reported = readOnly);
        return false;
    }
    if (state == FileState::Damaged) {
        const QString aside = damagedPath(target);
        if (::rename(fileSystemRepresentation(target).constData(), fileSystemRepresentation(aside).constData()) != 0) {
            logError(problem + QStringLiteral(" and cannot be moved aside; changes will not be saved"));
            return false;
        }
        logWarning(problem + QStringLiteral("; they were moved to '%1'").arg(aside));
    }
    m_reported.clear();
    if (state == FileState::Read) {
        for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
            if (it.value().isValid())
                disk.insert(it.key(), it.value());
            else
                disk.remove(it.key());
        }
        m_persistent = disk;
    }
    QString error;
    const bool saved = makeFolders(stringByDeletingLastPathComponent(target))
                       && writePropertyListFile(target, m_persistent, &error);
    if (!saved) {
        logError(QStringLiteral("Cannot save the user defaults '%1': %2")
                     .arg(m_path, error.isEmpty() ? QStringLiteral("its folder cannot be made") : error));
        return false;
    }
    m_pending.clear();
    return true;
}

} // namespace sorvant
