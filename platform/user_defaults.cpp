#include "platform/user_defaults.h"

#include "platform/log.h"
#include "platform/property_list.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sorvant {

namespace {

const QLatin1String kFolderName("sorvant");
const QLatin1String kFileName("org.tarrenbeck.Sorvant.plist");
const QLatin1String kDamagedSuffix(".damaged");

// A free name beside `path` for a damaged file: ".damaged", then
// ".damaged-2", ".damaged-3"…, so an earlier damaged file is kept too.
QString damagedPath(const QString& path)
{
    QString candidate = path + kDamagedSuffix;
    for (int n = 2; QFileInfo::exists(candidate) && n < 1000; ++n)
        candidate = path + kDamagedSuffix + QLatin1Char('-') + QString::number(n);
    return candidate;
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(defaultPersistentDomainPath(),
                                 QCoreApplication::instance() ? QCoreApplication::arguments() : QStringList());
    return defaults;
}

UserDefaults::UserDefaults(const QString& path, const QStringList& arguments)
    : m_path(path), m_arguments(argumentDomain(arguments))
{
    std::lock_guard lock(m_mutex);
    loadLocked();
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::defaultPersistentDomainPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1Char('/') + kFolderName + QLatin1Char('/') + kFileName;
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
    if (key.isNull() || !isPropertyListValue(value)) {
        logError(QStringLiteral("Cannot store a value of type %1 in the user defaults under '%2'")
                     .arg(QLatin1String(value.typeName()), key));
        return;
    }
    std::lock_guard lock(m_mutex);
    const auto it = m_persistent.constFind(key);
    if (it != m_persistent.cend() && it.value() == value && it.value().typeId() == value.typeId())
        return;
    m_persistent.insert(key, value);
    saveLocked();
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    std::lock_guard lock(m_mutex);
    if (m_persistent.remove(key) > 0)
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
    if (m_dirty)
        return saveLocked();
    return loadLocked();
}

// Reads the file into the persistent domain. A missing file is an empty
// domain; a damaged one is set aside; an unreadable one is left alone and
// never written over.
bool UserDefaults::loadLocked()
{
    QFile file(m_path);
    if (!file.exists()) {
        m_persistent.clear();
        m_writable = true;
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        logWarning(QStringLiteral("Cannot read the user defaults '%1': %2").arg(m_path, file.errorString()));
        m_writable = false;
        return false;
    }
    QString error;
    const QVariant root = propertyListFromData(file.readAll(), &error);
    if (root.typeId() != QMetaType::QVariantMap) {
        setAsideLocked(root.isValid() ? QStringLiteral("it does not hold a dictionary") : error);
        return false;
    }
    m_persistent = root.toMap();
    m_writable = true;
    return true;
}

void UserDefaults::setAsideLocked(const QString& reason)
{
    const QString aside = damagedPath(m_path);
    m_persistent.clear();
    if (QFile::rename(m_path, aside)) {
        logWarning(QStringLiteral("The user defaults '%1' are damaged (%2); they were moved to '%3'")
                       .arg(m_path, reason, aside));
        m_writable = true;
        return;
    }
    logWarning(QStringLiteral("The user defaults '%1' are damaged (%2) and cannot be moved aside; "
                              "changes will not be saved")
                   .arg(m_path, reason));
    m_writable = false;
}

bool UserDefaults::saveLocked()
{
    if (!m_writable) {
        m_dirty = true;
        return false;
    }
    QString error;
    const bool saved = QDir().mkpath(QFileInfo(m_path).absolutePath())
                       && writePropertyListFile(m_path, m_persistent, &error);
    if (!saved)
        logError(QStringLiteral("Cannot save the user defaults '%1': %2").arg(m_path, error));
    m_dirty = !saved;
    return saved;
}

} // namespace sorvant
