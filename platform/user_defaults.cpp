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
    readFileLocked(&m_persistent);
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
    case FileState::SetAside:
    case FileState::Untouchable:
        break;
    }
    return false;
}

// What the file holds now. A damaged file is renamed aside (and then counts
// as missing for writing); a file that can be neither read nor moved is
// untouchable and must not be written over.
UserDefaults::FileState UserDefaults::readFileLocked(QVariantMap* domain)
{
    domain->clear();
    QFile file(m_path);
    if (!file.exists())
        return FileState::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        logWarning(QStringLiteral("Cannot read the user defaults '%1': %2").arg(m_path, file.errorString()));
        return FileState::Untouchable;
    }
    QString error;
    const QVariant root = propertyListFromData(file.readAll(), &error);
    file.close();
    if (root.typeId() == QMetaType::QVariantMap) {
        *domain = root.toMap();
        return FileState::Read;
    }
    const QString reason = root.isValid() ? QStringLiteral("it does not hold a dictionary") : error;
    const QString aside = damagedPath(m_path);
    if (QFile::rename(m_path, aside)) {
        logWarning(QStringLiteral("The user defaults '%1' are damaged (%2); they were moved to '%3'")
                       .arg(m_path, reason, aside));
        return FileState::SetAside;
    }
    logWarning(QStringLiteral("The user defaults '%1' are damaged (%2) and cannot be moved aside; "
                              "changes will not be saved")
                   .arg(m_path, reason));
    return FileState::Untouchable;
}

// Writes the pending changes over what the file holds now, so that keys
// another process changed since this one read the file are kept.
bool UserDefaults::saveLocked()
{
    QVariantMap disk;
    const FileState state = readFileLocked(&disk);
    if (state == FileState::Untouchable)
        return false;
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
    const bool saved = QDir().mkpath(QFileInfo(m_path).absolutePath())
                       && writePropertyListFile(m_path, m_persistent, &error);
    if (!saved) {
        logError(QStringLiteral("Cannot save the user defaults '%1': %2").arg(m_path, error));
        return false;
    }
    m_pending.clear();
    return true;
}

} // namespace sorvant
