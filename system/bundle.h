#pragma once
// The application's bundle: where its resources live, its Info.plist
// entries, localized strings, the per-run temporary folder and the path
// self-check. The resources folder is found beside the executable
// ("<bin>/resources", "<bin>/../share/sorvant") or in the source tree the
// program was built from; Info.plist there is read by the property-list
// layer, and built-in values stand in for a missing file.
//
// Not here: update checks (system/update_check.h).

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>

namespace sorvant {

class UniqueFd;

class Bundle
{
public:
    // A bundle whose resources are in `resourcePath` (may be null: no
    // resources) with the given Info.plist entries.
    Bundle(QString resourcePath, QVariantMap infoDictionary);

    // The application's bundle, found on first use.
    static Bundle& mainBundle();
    // Points the main bundle elsewhere (tests); answers nothing.
    static void setMainBundle(const Bundle& bundle);

    [[nodiscard]] const QString& resourcePath() const { return m_resourcePath; }
    [[nodiscard]] const QVariantMap& infoDictionary() const { return m_info; }
    // An Info.plist entry, localized when the bundle localizes it.
    [[nodiscard]] QVariant objectForInfoDictionaryKey(const QString& key) const;

    [[nodiscard]] QString bundleIdentifier() const;
    // The four-character code of "CFBundleSignature" (big-endian), 0 when
    // missing or not four Latin-1 characters.
    [[nodiscard]] std::uint32_t bundleSignature() const;
    [[nodiscard]] QString bundleName() const;
    [[nodiscard]] QString localizedBundleName() const;
    [[nodiscard]] QString mainNibFile() const;
    [[nodiscard]] QString getInfoString() const;
    [[nodiscard]] QString getShortVersionString() const;
    // "CFBundleVersion".
    [[nodiscard]] QString bundleVersion() const;

    // A resource "<name>.<type>" inside `folder` of the resources; null
    // when absent.
    [[nodiscard]] QString pathForResource(const QString& name, const QString& type,
                                          const QString& folder = {}) const;

    // The translation of `key` in `table` (the default table when null);
    // `value` when there is none and it is not empty, else the key.
    [[nodiscard]] QString localizedStringForKey(const QString& key, const QString& value,
                                                const QString& table = {}) const;

    // --- temporary folder ---------------------------------------------------
    // "<Caches>/TemporaryItems/<bundleName>". On the first call in the
    // process whatever is there is removed, unless another running process
    // of the same name uses the folder (a lock file beside it, held shared
    // for as long as this bundle and its copies live, tells); every call
    // makes the folder when missing. Null when it cannot be made.
    [[nodiscard]] QString temporaryDirectory();
    // The temporary folder plus `name` (itself for a null name), made with
    // its parents when missing.
    [[nodiscard]] QString temporaryDirectoryNamed(const QString& name);
    bool removeTemporaryDirectoryNamed(const QString& name);
    // The temporary folder plus `name`; nothing is made.
    [[nodiscard]] QString temporaryFileNamed(const QString& name);
    // temporaryFileNamed, or its first free numbered variant.
    [[nodiscard]] QString nonExistingTemporaryFileNamed(const QString& name);
    // A new folder named by a fresh UUID inside the temporary folder.
    [[nodiscard]] QString uniqueTemporaryDirectory();
    // "<Logs>/<bundleIdentifier>.log".
    [[nodiscard]] QString logFile() const;

private:
    QString m_resourcePath;
    QVariantMap m_info;
    QString m_temporaryDirectory; // fixed on first use
    std::shared_ptr<const UniqueFd> m_temporaryLock; // the lock file's descriptor, shared by copies
};

// The bundles that hold the toolkit's resources and strings: all are the
// main bundle.
[[nodiscard]] Bundle& VelmorFoundationBundle();
[[nodiscard]] Bundle& VelmorAppKitBundle();
[[nodiscard]] Bundle& VelmorPDFKitBundle();
[[nodiscard]] Bundle& VelmorWebKitBundle();
[[nodiscard]] Bundle& VelmorStringsBundle();
// The main bundle and its identifier.
[[nodiscard]] Bundle& applicationBundle();
[[nodiscard]] QString applicationIdentifier();

// Replaces the translator of every bundle: (key, table) => translation or
// null. The localization tables install theirs; answers the previous one.
// The lower libraries' texts (platform/localized_text.h) follow it, looked
// up in the default table.
using StringTranslator = std::function<QString(const QString& key, const QString& table)>;
StringTranslator setStringTranslator(StringTranslator translator);

// The main bundle's translation of `key` in the default table, cached
// (4,096 entries). Null for a null key; the key itself when there is none.
[[nodiscard]] QString cachedLocalizedStringForKey(const QString& key);
// A toolkit message: the main bundle's table "Bundle", the English text as
// key.
[[nodiscard]] QString localizedToolkitString(const QString& english);

// The resources folder of the running program, or null.
[[nodiscard]] QString findResourcesFolder();

// The programs the system's services call, each checked: logs "ERROR: <path>
// does not exist." or "ERROR: <path> is symbolic link." where one fails,
// after the home and cloud folders.
void testSystemPaths();

// The paths testSystemPaths checks.
[[nodiscard]] QStringList systemPathsToTest();

} // namespace sorvant
