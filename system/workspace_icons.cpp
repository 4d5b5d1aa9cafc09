#include "system/workspace_icons.h"

#include "platform/background_work.h"
#include "platform/mime_database.h"
#include "platform/path_semantics.h"
#include "platform/url.h"
#include "system/desktop_entries.h"
#include "system/file_tests.h"
#include "system/icon_theme.h"
#include "system/internet_locations.h"
#include "system/lock_files.h"
#include "system/mime_applications.h"
#include "web/url/url_paths.h"

#include <QCache>
#include <QImageReader>
#include <QSet>

#include <mutex>

// Resources of a static library must be registered by hand, outside any
// namespace.
static void registerShippedIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace sorvant {

namespace {

// The size an icon is looked up at when the caller wants its natural size.
constexpr int kNaturalSize = 64;

struct IconCache
{
    std::mutex mutex;
    QCache<QString, QImage> images {128};

    // Answers whether the key was there; `image` gets the stored value (a
    // null image is a remembered "none").
    bool find(const QString& key, QImage* image)
    {
        std::lock_guard lock(mutex);
        const QImage* found = images.object(key);
        if (found)
            *image = *found;
        return found != nullptr;
    }
    void insert(const QString& key, const QImage& image)
    {
        std::lock_guard lock(mutex);
        images.insert(key, new QImage(image));
    }
};

IconCache& typeIcons() { static IconCache cache; return cache; }
IconCache& customIcons() { static IconCache cache; return cache; }
IconCache& applicationIcons() { static IconCache cache; return cache; }

QString sizeText(QSize size)
{
    return QStringLiteral("{%1, %2}").arg(size.width()).arg(size.height());
}

QImage shippedPicture(const QString& name)
{
    static std::once_flag once;
    std::call_once(once, registerShippedIcons);
    return QImage(QStringLiteral(":/icons/%1.png").arg(name));
}

QImage loadIcon(const QString& name, int size)
{
    const QString path = iconPathForName(name, size);
    if (path.isNull())
        return {};
    QImageReader reader(path);
    if (path.endsWith(QLatin1String(".svg")))
        reader.setScaledSize(QSize(size, size));
    return reader.read();
}

// The theme's icon for a MIME type, its generic icon, or the shipped
// document picture.
QImage iconForMimeType(const QString& mimeName, int size)
{
    for (const QString& name : {mimeTypeIconName(mimeName), mimeTypeGenericIconName(mimeName),
                                QStringLiteral("application-x-generic"),
                                QStringLiteral("text-x-generic")}) {
        if (name.isEmpty())
            continue;
        const QImage image = loadIcon(name, size);
        if (!image.isNull())
            return image;
    }
    return shippedPicture(QStringLiteral("document"));
}

QImage folderIcon(int size)
{
    const QImage image = loadIcon(QStringLiteral("folder"), size);
    return image.isNull() ? shippedPicture(QStringLiteral("folder")) : image;
}

QImage applicationIcon(const QString& path, int size)
{
    const DesktopEntry entry = DesktopEntry::fromFile(path, desktopFileIDOfPath(path));
    const QImage image = loadIcon(entry.icon(), size);
    return image.isNull() ? shippedPicture(QStringLiteral("application")) : image;
}

QImage scaled(const QImage& image, QSize size)
{
    if (image.isNull() || !size.isValid() || size.isEmpty())
        return image;
    return image.size() == size ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QString normalizedType(const QString& type)
{
    for (const char* jpeg : {"jpeg", "jpg", "jpe"}) {
        if (type.compare(QLatin1String(jpeg), Qt::CaseInsensitive) == 0)
            return QStringLiteral("jpg");
    }
    return type;
}

QImage typeIconAtSize(const QString& type, int size)
{
    if (type.isNull())
        return {};
    if (type == kFolderType)
        return folderIcon(size);
    return iconForMimeType(mimeTypeForFileName(QStringLiteral("x.") + type), size);
}

// The type cache's key of a type's icon at `size`.
QString typeIconKey(const QString& type, QSize size)
{
    return normalizedType(type) + u'-' + sizeText(size);
}

int lookupSize(QSize size)
{
    return size.isValid() && !size.isEmpty() ? qMax(size.width(), size.height()) : kNaturalSize;
}

QImage naturalIconForFile(const QString& path, int size)
{
    if (path.endsWith(QLatin1String(".desktop")))
        return applicationIcon(path, size);
    if (isDirectoryAtPath(path) && !isPackagePath(path))
        return folderIcon(size);
    return iconForMimeType(mimeTypeForPath(path), size);
}

} // namespace

QString fileTypeForPath(const QString& path)
{
    if (path.isNull())
        return {};
    // By the path's bytes: QFileInfo would look at the UTF-8 of a name that
    // is not UTF-8, another (missing) item.
    if (isDirectoryAtPath(path) && !isPackagePath(path))
        return kFolderType;
    return pathExtension(path);
}

QString fileTypeForURL(const URL& url)
{
    if (url.isNull())
        return {};
    if (isBaseDirectory(url))
        return kFolderType;
    const QString path = url.path();
    return path.isNull() ? QStringLiteral("") : pathExtension(path);
}

QString fileTypeForURLScheme(const URL& url)
{
    if (url.isNull())
        return {};
    if (url.isFileURL())
        return fileTypeForPath(url.path());
    // The location-file extensions, except that address-book URLs are
    // cards and screen sharing has no icon of its own here.
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("addressbook"))
        return QStringLiteral("vcf");
    if (scheme == QLatin1String("vnc"))
        return QStringLiteral("inetloc");
    return pathExtensionForInternetLocation(url);
}

QImage safeIconForFileType(const QString& type)
{
    return typeIconAtSize(type, kNaturalSize);
}

QImage iconForFileType(const QString& type, bool scales, QSize size)
{
    Q_UNUSED(scales)
    return scaled(typeIconAtSize(type, lookupSize(size)), size);
}

QImage cachedIconForFileType(const QString& type, bool scales, QSize size)
{
    return cachedIconForFileType(type, QString(), scales, size);
}

QImage cachedIconForFileType(const QString& type, const QString& path, bool scales, QSize size)
{
    Q_UNUSED(scales)
    if (type.isNull())
        return {};
    const QString key = typeIconKey(type, size);
    QImage image;
    if (typeIcons().find(key, &image))
        return image;
    const QImage icon = path.isEmpty() ? typeIconAtSize(type, lookupSize(size))
                                       : naturalIconForFile(path, lookupSize(size));
    if (icon.isNull())
        return {};
    image = scaled(icon, size);
    typeIcons().insert(key, image);
    return image;
}

QImage cachedFolderIcon()
{
    return cachedIconForFileType(kFolderType, true, QSize(16, 16));
}

QImage iconForFile(const QString& path, bool scales, QSize size)
{
    Q_UNUSED(scales)
    if (path.isNull())
        return {};
    return scaled(naturalIconForFile(path, lookupSize(size)), size);
}

QImage cachedIconForFile(const QString& path, bool scales, QSize size)
{
    return cachedIconForFileType(fileTypeForPath(path), path, scales, size);
}

QImage customIconForFile(const QString& path, bool scales, QSize size)
{
    if (path.isNull() || !existsCustomIconForPath(path))
        return {};
    return iconForFile(path, scales, size);
}

QImage cachedCustomIconForFile(const QString& path, bool scales, QSize size)
{
    if (path.isNull())
        return {};
    const QString key = path + u'-' + sizeText(size);
    QImage image;
    if (customIcons().find(key, &image))
        return image;
    image = customIconForFile(path, scales, size);
    customIcons().insert(key, image);
    return image;
}

QImage iconForURL(const URL& url, bool scales, QSize size)
{
    return iconForFileType(fileTypeForURL(url), scales, size);
}

QImage cachedIconForURL(const URL& url, bool scales, QSize size)
{
    return cachedIconForFileType(fileTypeForURL(url), scales, size);
}

QImage iconForURLScheme(const URL& url, bool scales, QSize size)
{
    return iconForFileType(fileTypeForURLScheme(url), scales, size);
}

QImage cachedIconForURLScheme(const URL& url, bool scales, QSize size)
{
    return cachedIconForFileType(fileTypeForURLScheme(url), scales, size);
}

QImage cachedIconForApp(const QString& applicationPath)
{
    if (applicationPath.isNull())
        return {};
    QImage image;
    if (applicationIcons().find(applicationPath, &image) && !image.isNull())
        return image;
    image = iconForFile(applicationPath, true, QSize(16, 16));
    if (!image.isNull())
        applicationIcons().insert(applicationPath, image);
    return image;
}

QImage placeholderIconForFileType(const QString& type, QSize size)
{
    if (type.isNull())
        return {};
    const QString key = u'*' + (type == kFolderType ? type : QString()) + u'-' + sizeText(size);
    QImage image;
    if (typeIcons().find(key, &image))
        return image;
    image = scaled(shippedPicture(type == kFolderType ? QStringLiteral("folder") : QStringLiteral("document")), size);
    typeIcons().insert(key, image);
    return image;
}

TypeIconLoading& TypeIconLoading::shared()
{
    static TypeIconLoading* loading = new TypeIconLoading; // lives as long as the process
    return *loading;
}

QImage readyIconForFileType(const QString& type, QSize size)
{
    const QString key = typeIconKey(type, size);
    QImage image;
    if (type.isNull() || typeIcons().find(key, &image))
        return image;
    // Each type and size goes to the pool once while its look-up runs.
    static std::mutex mutex;
    static QSet<QString> looking;
    {
        std::lock_guard lock(mutex);
        if (looking.contains(key))
            return {};
        looking.insert(key);
    }
    TypeIconLoading& loading = TypeIconLoading::shared();
    whenReady(runInBackground([type, size, key] {
                  QImage icon = cachedIconForFileType(type, true, size);
                  if (icon.isNull())
                      typeIcons().insert(key, icon); // "none" is remembered too: asked no more
                  std::lock_guard lock(mutex);
                  looking.remove(key);
                  return icon;
              }),
              &loading, [&loading](const QImage&) { emit loading.typeIconsDidLoad(); });
    return {};
}

void clearIconCaches()
{
    for (IconCache* cache : {&typeIcons(), &customIcons(), &applicationIcons()}) {
        std::lock_guard lock(cache->mutex);
        cache->images.clear();
    }
}

} // namespace sorvant
