#include "search/result.h"

#include "foundation/number_formatting.h"
#include "platform/notification_center.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/resource_values.h"
#include "platform/xattr.h"
#include "search/ds_store.h"
#include "system/image_file_info.h"
#include "system/image_file_types.h"
#include "system/media_files.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QThreadPool>

#include <cmath>

namespace sorvant {

namespace {

// The pool that computes information texts, many results at once. Its
// destructor (at exit) waits for the tasks still running.
QThreadPool& infoPool()
{
    static QThreadPool pool;
    return pool;
}

// The parent of the item relative to the base folder, as the path column
// shows it.
QString displayPathFor(const QString& path, const QString& baseDirectory)
{
    const QString parent = stringByDeletingLastPathComponent(path);
    if (baseDirectory.isNull())
        return parent;
    // A base given with a trailing "/" (the root above all) still yields
    // "./name", not ".name".
    qsizetype baseLength = baseDirectory.size();
    if (baseLength > 0 && baseDirectory.endsWith(QLatin1Char('/')))
        --baseLength;
    if (baseLength < parent.size() && parent != baseDirectory)
        return QLatin1Char('.') + parent.mid(baseLength);
    return QStringLiteral(".");
}

QString imageInfo(const QString& path)
{
    const QSize size = pixelSizeOfImageFile(path);
    if (!size.isValid())
        return QString();
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

QString pdfInfo(const QString& path)
{
    const int pages = pageCountOfPDFFile(path);
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

std::shared_ptr<Result> Result::create(const QString& path, const QString& baseDirectory, const QString& name,
                                       const std::optional<QStringList>& tags, const QString& comment,
                                       bool isDirectory, bool isPackage)
{
    initialize();
    std::shared_ptr<Result> result(new Result());
    result->m_name = name;
    result->m_tags = tags;
    result->m_comment = comment;
    result->m_fullPath = path;
    result->m_displayPath = displayPathFor(path, baseDirectory);
    result->readAttributes(isDirectory, isPackage);
    return result;
}

void Result::readAttributes(bool isDirectory, bool isPackage)
{
    const QVariantMap values = resourceValuesForKeys(
        m_fullPath, {NSURLCreationDateKey, NSURLContentModificationDateKey, NSURLFileSizeKey, NSURLIsDirectoryKey});
    m_created = values.value(NSURLCreationDateKey).toDateTime();
    m_modified = values.value(NSURLContentModificationDateKey).toDateTime();
    m_fileSize = isDirectory ? -1 : values.value(NSURLFileSizeKey).toLongLong();
    const QString extension = pathExtension(m_fullPath);
    if (isPackage) {
        const QVariant plist = readPropertyListFile(stringByAppendingPathComponent(m_fullPath, "Contents/Info.plist"));
        const QVariant version = plist.toMap().value(QStringLiteral("CFBundleShortVersionString"));
        if (version.typeId() == QMetaType::QString)
            m_info = version.toString();
        m_type = extension;
        return;
    }
    if (values.value(NSURLIsDirectoryKey).toBool()) {
        m_type = QStringLiteral("'fldr'");
        return;
    }
    // Linux keeps no type codes: the extension alone decides.
    if (isPDFExtension(extension, QString()))
        m_resultType = ResultType::PDF;
    else if (isImageExtension(extension, QString()))
        m_resultType = ResultType::Image;
    else if (isQuickTimeExtension(extension, QStringLiteral("''")))
        m_resultType = ResultType::Movie;
    m_shouldGetInfo = m_resultType != ResultType::Other;
    m_type = extension;
}

QString Result::size() const
{
    return m_fileSize < 0 ? QStringLiteral("--") : stringForSize(quint64(m_fileSize));
}

const QStringList& Result::tags()
{
    if (!m_tags)
        m_tags = tagNamesAtPath(m_fullPath);
    return *m_tags;
}

const QString& Result::comment()
{
    if (m_comment.isNull()) {
        m_comment = DSStore::itemCommentAtPath(m_fullPath);
        if (m_comment.isNull())
            m_comment = QStringLiteral("");
    }
    return m_comment;
}

const QString& Result::kind()
{
    if (m_shouldGetKind) {
        static const QMimeDatabase database;
        m_kind = database.mimeTypeForFile(m_fullPath).comment();
        m_shouldGetKind = false;
    }
    return m_kind;
}

bool Result::shouldGetInfo() const
{
    const std::lock_guard<std::mutex> guard(m_infoMutex);
    return m_shouldGetInfo;
}

QString Result::info()
{
    std::unique_lock<std::mutex> guard(m_infoMutex);
    if (!m_shouldGetInfo)
        return m_info;
    m_shouldGetInfo = false;
    guard.unlock();
    std::shared_ptr<Result> self = weak_from_this().lock();
    if (!self) {
        computeInfo();
    } else {
        infoPool().start([self] { self->computeInfo(); });
    }
    guard.lock();
    return m_info;
}

void Result::computeInfo()
{
    QString info;
    switch (m_resultType) {
    case ResultType::Image:
        info = imageInfo(m_fullPath);
        break;
    case ResultType::PDF:
        info = pdfInfo(m_fullPath);
        break;
    case ResultType::Movie:
        info = movieInfo(m_fullPath);
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
        const std::lock_guard<std::mutex> guard(m_infoMutex);
        m_info = info;
    }
    std::shared_ptr<Result> self = weak_from_this().lock();
    if (self)
        NotificationCenter::defaultCenter().postOnMainThread(
            Notification{QString::fromLatin1(DidUpdateResultInfoNotification), QVariant::fromValue(self), {}});
}

void Result::waitForPendingInfo()
{
    infoPool().waitForDone();
}

} // namespace sorvant
