#include "search/result.h"

#include "foundation/number_formatting.h"
#include "platform/file_system_representation.h"
#include "platform/notification_center.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/thread_hand_off.h"
#include "platform/property_list.h"
#include "platform/property_list_text.h"
#include "platform/xattr.h"
#include "search/ds_store.h"
#include "search/mime_kinds.h"
#include "system/image_file_info.h"
#include "system/image_file_types.h"
#include "system/media_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <cmath>
#include <cstdint>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>

namespace sorvant {

namespace {

// The application's pool, under its lock: a pool is never used while it
// is being drained and destroyed.
std::mutex g_infoPoolMutex;
ResultInfoPool* g_infoPool = nullptr;

// The locks of the information texts: a few shared by all results, so that
// a result holds no lock of its own.
constexpr std::size_t kInfoLocks = 64;
std::mutex g_infoLocks[kInfoLocks];

qint64 msecsOf(const struct statx_timestamp& stamp)
{
    return qint64(stamp.tv_sec) * 1000 + stamp.tv_nsec / 1000000;
}

// Most results share a few dozen extensions: per thread, each is kept as
// one string that its results share, and classified once, not against the
// type tables for every result. The caches are bounded for trees of
// endless extensions.
constexpr qsizetype kMostExtensions = 4096;
// An Info.plist past this many top-level keys is freed on a thread of its
// own (a real one holds a few dozen).
constexpr qsizetype kEntriesFreedAside = 10000;
// A version is short ("2.4.1 (build 3021)"); the texts of a package's
// Info.plist are read no longer than this, so that neither the read nor the
// result holds a longer one whole (30 packages of one 63 MB version each
// held 4 GB).
constexpr qsizetype kLongestVersion = 256;

QString sharedExtension(const QString& extension)
{
    thread_local QHash<QString, QString> strings;
    const QString shared = strings.value(extension);
    if (!shared.isNull())
        return shared;
    if (strings.size() >= kMostExtensions)
        strings.clear();
    strings.insert(extension, extension);
    return extension;
}

// The first test loads Qt's image plugins (the image types): only a result
// whose information is asked for is classified.
ResultType typeOfExtension(const QString& extension)
{
    thread_local QHash<QString, ResultType> cache;
    auto found = cache.constFind(extension);
    if (found == cache.cend()) {
        ResultType type = ResultType::Other;
        if (isPDFExtension(extension, QString()))
            type = ResultType::PDF;
        else if (isImageExtension(extension, QString()))
            type = ResultType::Image;
        else if (isQuickTimeExtension(extension, QStringLiteral("''")))
            type = ResultType::Movie;
        if (cache.size() >= kMostExtensions)
            cache.clear();
        found = cache.insert(extension, type);
    }
    return found.value();
}

// The parent of the item relative to the base folder's parent, as the path
// column shows it: the base folder's name, then the folders below it.
QString displayPathFor(const QString& path, const QString& baseDirectory)
{
    const QString parent = stringByDeletingLastPathComponent(path);
    if (baseDirectory.isNull())
        return parent;
    // A base given with a trailing "/" (the root above all) still yields
    // "name/sub", not "namesub".
    qsizetype baseLength = baseDirectory.size();
    if (baseLength > 0 && baseDirectory.endsWith(QLatin1Char('/')))
        --baseLength;
    const QString base = baseDirectory.left(baseLength);
    const QString name = base.isEmpty() ? QStringLiteral("/") : lastPathComponent(base);
    if (baseLength < parent.size() && parent != baseDirectory && parent.startsWith(base)
        && parent.at(baseLength) == u'/')
        return (name == u'/' ? QString() : name) + parent.mid(baseLength);
    return name;
}

QString imageInfo(const QString& path, const std::atomic<bool>* stop)
{
    const QSize size = pixelSizeOfImageFile(path, stop);
    if (!size.isValid())
        return QString();
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

QString pdfInfo(const QString& path)
{
    const int pages = pageCountOfPDFFile(path);
    if (pages == kPDFPagesNotCounted)
        return QCoreApplication::translate("Result", "Pages not counted");
    if (pages < 0)
        return QString();
    if (pages < 2)
        return QCoreApplication::translate("Result", "1 page");
    return QCoreApplication::translate("Result", "%1 pages").arg(pages);
}

QString movieInfo(const QString& path)
{
    QSizeF size;
    double duration = 0;
    if (!supportsFile(path) || !getSize(&size, &duration, path))
        return QString();
    return movieInfoText(size.width(), size.height(), duration);
}

} // namespace

QString movieInfoText(double width, double height, double duration)
{
    // Minutes are not wrapped at 60: 3,700 s shows as 61:40.
    const auto minutes = qint64(duration / 60);
    const auto seconds = qint64(duration) % 60;
    const QString time = QStringLiteral("%1:%2").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
    if (width > 0 && height > 0) {
        const QString picture = QStringLiteral("%1 x %2").arg(qint64(width)).arg(qint64(height));
        return duration > 0 ? picture + QStringLiteral(", ") + time : picture;
    }
    return duration > 0 ? time : QString();
}

void Result::initialize()
{
    static std::once_flag once;
    std::call_once(once, [] {
        (void)ImageFileTypes();
        (void)QuickTimeFileTypes();
    });
}

ItemStatus ItemStatus::read(int folderFd, const char* name)
{
    ItemStatus status;
    struct statx item{};
    if (name == nullptr || *name == 0
        || ::statx(folderFd, name, AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MTIME | STATX_SIZE | STATX_BTIME, &item)
               != 0)
        return status;
    status.valid = true;
    status.isDirectory = S_ISDIR(item.stx_mode);
    status.isSpecial = !S_ISDIR(item.stx_mode) && !S_ISREG(item.stx_mode) && !S_ISLNK(item.stx_mode);
    // A link is typed by what it names, followed once more.
    struct statx target {};
    if (S_ISLNK(item.stx_mode) && ::statx(folderFd, name, 0, STATX_TYPE, &target) == 0)
        status.isSpecial = !S_ISDIR(target.stx_mode) && !S_ISREG(target.stx_mode);
    status.hasCreated = (item.stx_mask & STATX_BTIME) != 0;
    status.createdMSecs = msecsOf(item.stx_btime);
    status.modifiedMSecs = msecsOf(item.stx_mtime);
    status.size = qint64(item.stx_size);
    return status;
}

QString joinedItemPath(const QString& folder, const QString& name)
{
    const bool slash = !folder.endsWith(u'/');
    QString path;
    path.reserve(folder.size() + qsizetype(slash) + name.size());
    path.append(folder);
    if (slash)
        path.append(u'/');
    path.append(name);
    return path;
}

ItemStatus ItemStatus::deferredFor(bool isDirectory)
{
    ItemStatus status;
    status.deferred = true;
    status.isDirectory = isDirectory;
    return status;
}

ResultFolder::ResultFolder(const QString& folder, const QString& itemName, const QString& baseDirectory,
                           bool inFolder)
    : m_path(folder), m_itemName(itemName), m_baseDirectory(baseDirectory), m_inFolder(inFolder)
{
}

ResultFolder::ResultFolder(const QByteArray& folderBytes, const QString& itemName, const QString& baseDirectory)
    : m_path(folderBytes), m_itemName(itemName), m_baseDirectory(baseDirectory), m_inFolder(true)
{
}

QString ResultFolder::folder() const
{
    if (const QString* path = std::get_if<QString>(&m_path))
        return *path;
    return stringWithFileSystemRepresentation(std::get<QByteArray>(m_path));
}

QString ResultFolder::itemPath(const QString& name) const
{
    const QByteArray* bytes = std::get_if<QByteArray>(&m_path);
    if (!bytes || bytes->isNull())
        return joinedItemPath(folder(), name);
    // Decoded straight into the joined path: one allocation, one pass.
    const qsizetype length = bytes->size();
    QString path(length + 1 + name.size(), Qt::Uninitialized);
    char16_t* units = reinterpret_cast<char16_t*>(path.data());
    qsizetype end = decodeFileSystemRepresentation(bytes->constData(), length, units);
    if (!bytes->endsWith('/'))
        units[end++] = u'/';
    std::copy_n(reinterpret_cast<const char16_t*>(name.constData()), name.size(), units + end);
    path.truncate(end + name.size());
    return path;
}

QByteArray ResultFolder::itemBytes(const QString& name) const
{
    const QByteArray* bytes = std::get_if<QByteArray>(&m_path);
    if (!bytes || bytes->isNull())
        return fileSystemRepresentation(itemPath(name));
    // The walk's bytes hold no zero byte, so they are what their decoded
    // string encodes to; a name that has no bytes gives a path that has none.
    const QByteArray nameBytes = fileSystemRepresentation(name);
    if (nameBytes.isNull())
        return {};
    const bool slash = !bytes->endsWith('/');
    QByteArray path;
    path.reserve(bytes->size() + qsizetype(slash) + nameBytes.size());
    path.append(*bytes);
    if (slash)
        path.append('/');
    path.append(nameBytes);
    return path;
}

const QString& ResultFolder::displayPath() const
{
    std::call_once(m_displayPathMade, [this] {
        m_displayPath = displayPathFor(m_inFolder ? itemPath(m_itemName) : folder(), m_baseDirectory);
    });
    return m_displayPath;
}

std::shared_ptr<Result> Result::create(const QString& path, const QString& baseDirectory, const QString& name,
                                       const std::optional<QStringList>& tags, const QString& comment,
                                       bool isDirectory, bool isPackage)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    const ItemStatus status = ItemStatus::read(AT_FDCWD, bytes.constData());
    // The folder's path is kept when the name ends the path.
    const qsizetype folderLength = path.size() - name.size();
    const bool inFolder
        = !name.isEmpty() && folderLength > 0 && path.endsWith(name) && path.at(folderLength - 1) == u'/';
    auto folder = std::make_shared<const ResultFolder>(inFolder ? path.left(folderLength) : path, name,
                                                       baseDirectory, inFolder);
    return make(std::move(folder), name, status, tags, comment, isDirectory, isPackage);
}

std::shared_ptr<Result> Result::create(const std::shared_ptr<const ResultFolder>& folder, const QString& name,
                                       const ItemStatus& status, const std::optional<QStringList>& tags,
                                       const QString& comment, bool isDirectory, bool isPackage)
{
    return make(folder, name, status, tags, comment, isDirectory, isPackage);
}

std::shared_ptr<Result> Result::make(std::shared_ptr<const ResultFolder> folder, const QString& name,
                                     const ItemStatus& status,
                                     const std::optional<QStringList>& tags, const QString& comment,
                                     bool isDirectory, bool isPackage)
{
    auto result = std::make_shared<Result>(Key{});
    result->m_name = name;
    if (tags || !comment.isNull()) {
        Details& details = result->detailsLocked(); // nobody else sees the result yet
        details.tags = tags;
        details.comment = comment;
    }
    result->m_folder = std::move(folder);
    result->readAttributes(status, isDirectory, isPackage);
    return result;
}

QString Result::fullPath() const
{
    return m_folder->isInFolder() ? m_folder->itemPath(m_name) : m_folder->folder();
}

QByteArray Result::fileSystemPath() const
{
    return m_folder->isInFolder() ? m_folder->itemBytes(m_name) : fileSystemRepresentation(m_folder->folder());
}

Result::~Result()
{
    delete m_details.load(std::memory_order_acquire);
}

Result::Details& Result::detailsLocked() const
{
    Details* values = m_details.load(std::memory_order_relaxed);
    if (!values) {
        values = new Details;
        m_details.store(values, std::memory_order_release);
    }
    return *values;
}

void Result::setShown(const ItemStatus& status) const
{
    if (status.hasCreated)
        m_shown.created = QDateTime::fromMSecsSinceEpoch(status.createdMSecs, Qt::UTC);
    if (status.valid)
        m_shown.modified = QDateTime::fromMSecsSinceEpoch(status.modifiedMSecs, Qt::UTC);
    m_shown.fileSize = m_isDirectory ? -1 : (status.valid && !status.isDirectory ? status.size : 0);
    m_isSpecial = status.isSpecial;
    m_statusRead.store(true, std::memory_order_release);
}

const Result::Shown& Result::shown() const
{
    if (!m_statusRead.load(std::memory_order_acquire)) {
        const std::lock_guard<std::mutex> guard(infoMutex());
        if (!m_statusRead.load(std::memory_order_relaxed)) {
            const QByteArray bytes = fileSystemRepresentation(fullPath());
            setShown(ItemStatus::read(AT_FDCWD, bytes.constData()));
        }
    }
    return m_shown;
}

std::mutex& Result::infoMutex() const
{
    return g_infoLocks[(reinterpret_cast<std::uintptr_t>(this) / alignof(Result)) % kInfoLocks];
}

void Result::readAttributes(const ItemStatus& status, bool isDirectory, bool isPackage)
{
    m_isDirectory = isDirectory;
    if (!status.deferred)
        setShown(status); // nobody else sees the result yet
    // The extension is that of the last component, which a name without
    // "/" is.
    const QString extension = m_folder->isInFolder() && !m_name.contains(u'/') ? pathExtension(m_name) : pathExtension(fullPath());
    // A package or a folder has no information to compute; a file's type is
    // classified on first use.
    m_classified = isPackage || status.isDirectory;
    if (isPackage) {
        m_type = extension;
        // After a stop the matches already found are still handed over, but
        // nothing more is read of them: an Info.plist may be tens of
        // megabytes, read whole before its parse looks at the stop.
        if (PropertyListReadStop::isRequested())
            return;
        const QString infoPath = stringByAppendingPathComponent(fullPath(), "Contents/Info.plist");
        QString problem;
        QVariant plist;
        {
            const PropertyListTextCut cut(kLongestVersion);
            plist = readPropertyListFile(infoPath, &problem);
        }
        // A damaged Info.plist only costs the package its version; a missing
        // one is common and not worth a word, nor is a read a stop ended.
        if (!plist.isValid() && !PropertyListReadStop::isRequested() && QFile::exists(infoPath))
            logWarning(problem);
        qsizetype entries = 0;
        {
            const QVariantMap info = plist.toMap();
            entries = info.size();
            const QVariant version = info.value(QStringLiteral("CFBundleShortVersionString"));
            if (version.typeId() == QMetaType::QString)
                detailsLocked().info = version.toString(); // nobody else sees the result yet
        }
        // Only the version is kept: a stop that comes while a tree of
        // millions of keys is freed does not wait for it.
        if (entries > kEntriesFreedAside)
            freePropertyListAside(std::move(plist));
        return;
    }
    if (status.isDirectory) {
        m_type = QStringLiteral("'fldr'");
        return;
    }
    m_type = sharedExtension(extension);
}

void Result::classifyLocked() const
{
    if (m_classified)
        return;
    // Linux keeps no type codes: the extension decides, except that a FIFO,
    // socket or device is read as nothing (the caller read the status).
    m_resultType = m_isSpecial ? ResultType::Other : typeOfExtension(m_type);
    m_shouldGetInfo = m_resultType != ResultType::Other;
    m_classified = true;
}

ResultType Result::resultType() const
{
    (void)shown();
    const std::lock_guard<std::mutex> guard(infoMutex());
    classifyLocked();
    return m_resultType;
}

QString Result::size() const
{
    const qint64 bytes = shown().fileSize;
    return bytes < 0 ? QStringLiteral("--") : stringForSize(quint64(bytes));
}

// The first reader reads the value outside the lock (it may take a while
// and many results share each lock) and stores it unless another thread
// stored it meanwhile; once stored a value never changes, so the reference
// answered stays valid and unchanging.
const QStringList& Result::tags()
{
    {
        const std::lock_guard<std::mutex> guard(infoMutex());
        if (const Details& values = detailsLocked(); values.tags)
            return *values.tags;
    }
    QStringList read = tagNamesAtPath(fullPath());
    const std::lock_guard<std::mutex> guard(infoMutex());
    Details& values = detailsLocked();
    if (!values.tags)
        values.tags = std::move(read);
    return *values.tags;
}

const QString& Result::readOnce(QString Details::*field, QString (*read)(const QString& path))
{
    {
        const std::lock_guard<std::mutex> guard(infoMutex());
        if (const QString& value = detailsLocked().*field; !value.isNull())
            return value;
    }
    QString value = read(fullPath());
    if (value.isNull())
        value = QStringLiteral("");
    const std::lock_guard<std::mutex> guard(infoMutex());
    QString& stored = detailsLocked().*field;
    if (stored.isNull())
        stored = std::move(value);
    return stored;
}

const QString& Result::comment()
{
    return readOnce(&Details::comment, [](const QString& path) { return DSStore::itemCommentAtPath(path); });
}

const QString& Result::kind()
{
    return readOnce(&Details::kind, [](const QString& path) { return mimeKindOfFile(path); });
}

std::optional<QStringList> Result::knownTags() const
{
    const std::lock_guard<std::mutex> guard(infoMutex());
    const Details* values = m_details.load(std::memory_order_relaxed);
    return values ? values->tags : std::nullopt;
}

QString Result::knownValue(QString Details::*field) const
{
    const std::lock_guard<std::mutex> guard(infoMutex());
    const Details* values = m_details.load(std::memory_order_relaxed);
    return values ? values->*field : QString();
}

QString Result::knownComment() const
{
    return knownValue(&Details::comment);
}

QString Result::knownKind() const
{
    return knownValue(&Details::kind);
}

QString Result::knownInfo() const
{
    return knownValue(&Details::info);
}

bool Result::shouldGetInfo() const
{
    (void)shown();
    const std::lock_guard<std::mutex> guard(infoMutex());
    classifyLocked();
    return m_shouldGetInfo;
}

bool Result::isInfoSettled() const
{
    const std::lock_guard<std::mutex> guard(infoMutex());
    return m_classified && !m_shouldGetInfo;
}

QString Result::info()
{
    (void)shown();
    std::unique_lock<std::mutex> guard(infoMutex());
    classifyLocked();
    if (!m_shouldGetInfo) {
        const Details* values = m_details.load(std::memory_order_relaxed);
        return values ? values->info : QString();
    }
    m_shouldGetInfo = false;
    const ResultType type = m_resultType;
    guard.unlock();
    std::shared_ptr<Result> self = weak_from_this().lock();
    std::unique_lock<std::mutex> poolGuard(g_infoPoolMutex);
    if (!self || !g_infoPool) {
        poolGuard.unlock();
        computeInfo(type, nullptr);
    } else {
        g_infoPool->start(
            handedOff([self, type, stop = g_infoPool->stop()] { self->computeInfo(type, stop.get()); }));
    }
    guard.lock();
    const Details* values = m_details.load(std::memory_order_relaxed);
    return values ? values->info : QString();
}

void Result::resolveInfo()
{
    (void)shown();
    ResultType type = ResultType::Other;
    {
        const std::lock_guard<std::mutex> guard(infoMutex());
        classifyLocked();
        if (!m_shouldGetInfo)
            return;
        m_shouldGetInfo = false;
        type = m_resultType;
    }
    // Quitting ends this too where the application's pool exists.
    std::shared_ptr<const std::atomic<bool>> stop;
    {
        const std::lock_guard<std::mutex> guard(g_infoPoolMutex);
        if (g_infoPool)
            stop = g_infoPool->stop();
    }
    computeInfo(type, stop.get());
}

void Result::computeInfo(ResultType type, const std::atomic<bool>* stop)
{
    QString info;
    switch (type) {
    case ResultType::Image:
        info = imageInfo(fullPath(), stop);
        break;
    case ResultType::PDF:
        info = pdfInfo(fullPath());
        break;
    case ResultType::Movie:
        info = movieInfo(fullPath());
        break;
    case ResultType::Other:
        break;
    }
    if (!info.isNull())
        setInfo(info);
}

void Result::setInfo(const QString& info)
{
    {
        const std::lock_guard<std::mutex> guard(infoMutex());
        detailsLocked().info = info;
    }
    std::shared_ptr<Result> self = weak_from_this().lock();
    if (self)
        NotificationCenter::defaultCenter().postOnMainThread(
            Notification{QString::fromLatin1(DidUpdateResultInfoNotification), QVariant::fromValue(self), {}});
}

void Result::waitForPendingInfo()
{
    const std::lock_guard<std::mutex> guard(g_infoPoolMutex);
    if (g_infoPool)
        (void)g_infoPool->drain(QDeadlineTimer::Forever);
}

ResultInfoPool::ResultInfoPool() : m_pool("Reading result information")
{
    const std::lock_guard<std::mutex> guard(g_infoPoolMutex);
    if (g_infoPool)
        logWarning(QStringLiteral("A second pool for result information replaces the first."));
    g_infoPool = this;
}

ResultInfoPool::~ResultInfoPool()
{
    m_stop->store(true, std::memory_order_relaxed);
    const std::lock_guard<std::mutex> guard(g_infoPoolMutex);
    if (g_infoPool == this)
        g_infoPool = nullptr;
}

void ResultInfoPool::start(std::function<void()> work)
{
    m_pool.threads().start(std::move(work));
}

} // namespace sorvant
