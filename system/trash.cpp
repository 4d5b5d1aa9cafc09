#include "system/trash.h"

#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/xdg_folders.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

QByteArray bytes(const QString& path)
{
    return fileSystemRepresentation(path);
}

bool statPath(const QString& path, struct stat* info, bool follow = true)
{
    const QByteArray encoded = bytes(path);
    return (follow ? ::stat(encoded.constData(), info) : ::lstat(encoded.constData(), info)) == 0;
}

// A private folder of the trash: made with mode 0700 when missing; an
// existing one must be a real folder.
bool ensureFolder(const QString& path)
{
    struct stat info {};
    if (::lstat(bytes(path).constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    return ::mkdir(bytes(path).constData(), 0700) == 0 || errno == EEXIST;
}

bool ensureFolders(const QString& path)
{
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    QString current;
    for (const QString& part : parts) {
        current += u'/' + part;
        if (!ensureFolder(current))
            return false;
    }
    return true;
}

bool ensureTrash(const QString& trash)
{
    return ensureFolders(trash) && ensureFolder(trash + QStringLiteral("/files"))
        && ensureFolder(trash + QStringLiteral("/info"));
}

// Writes the record under the first free name of `name` ("a.txt", then
// "a.2.txt", "a.3.txt" …) and answers that name; O_EXCL makes the name
// ours even when another program trashes at the same moment.
QString reserveInfo(const QString& trash, const QString& name, const QByteArray& contents, int* savedErrno)
{
    const QString base = stringByDeletingPathExtension(name);
    const QString extension = pathExtension(name);
    for (int n = 1; n < 10000; ++n) {
        QString candidate = name;
        if (n > 1) {
            candidate = base + u'.' + QString::number(n);
            if (!extension.isEmpty())
                candidate += u'.' + extension;
        }
        // An item left in files/ without its record keeps its name too.
        struct stat existing {};
        if (statPath(trash + QStringLiteral("/files/") + candidate, &existing, false))
            continue;
        const QString infoPath = trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        const int fd = ::open(bytes(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            *savedErrno = errno;
            return {};
        }
        const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
        const int writeErrno = errno;
        if (::close(fd) != 0 || !written) {
            *savedErrno = written ? errno : writeErrno;
            ::unlink(bytes(infoPath).constData());
            return {};
        }
        return candidate;
    }
    *savedErrno = EEXIST;
    return {};
}

bool isUsableAdminTrash(const QString& path)
{
    struct stat info {};
    return ::lstat(bytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX);
}

} // namespace

QString homeTrashPath()
{
    return xdgBaseFolder(XdgBaseFolder::Data) + QStringLiteral("/Trash");
}

QString topDirectoryOfPath(const QString& path)
{
    QString current = stringByStandardizingPath(path);
    struct stat info {};
    if (!statPath(current, &info, false))
        return {};
    const dev_t device = info.st_dev;
    while (current != QLatin1String("/")) {
        const QString parent = stringByDeletingLastPathComponent(current);
        struct stat parentInfo {};
        if (!statPath(parent, &parentInfo) || parentInfo.st_dev != device)
            return current;
        current = parent.isEmpty() ? QStringLiteral("/") : parent;
    }
    return current;
}

QString trashFolderForPath(const QString& path)
{
    struct stat item {};
    if (path.isEmpty() || !statPath(path, &item, false))
        return {};
    // The home trash is made first, so its device is known (and so that
    // nothing ever writes a trash into the current folder).
    const QString home = homeTrashPath();
    if (!ensureTrash(home))
        return {};
    struct stat homeInfo {};
    if (statPath(home, &homeInfo) && homeInfo.st_dev == item.st_dev)
        return home;
    const QString top = topDirectoryOfPath(path);
    if (top.isNull())
        return {};
    const QString uid = QString::number(::getuid());
    const QString prefix = top == QLatin1String("/") ? QString() : top;
    const QString admin = prefix + QStringLiteral("/.Trash");
    if (isUsableAdminTrash(admin) && ensureTrash(admin + u'/' + uid))
        return admin + u'/' + uid;
    const QString own = prefix + QStringLiteral("/.Trash-") + uid;
    return ensureTrash(own) ? own : QString();
}

QByteArray trashInfoContents(const QString& path, const QDateTime& date)
{
    // The path's bytes as stored on disk, so a name that is not UTF-8
    // keeps them.
    const QByteArray escaped = bytes(path).toPercentEncoding("/");
    return "[Trash Info]\nPath=" + escaped + "\nDeletionDate="
        + date.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

bool moveItemToTrash(const QString& path, QString* trashedPath, FileError* error)
{
    clearError(error);
    if (trashedPath)
        trashedPath->clear();
    const QString absolute = stringByStandardizingPath(path);
    if (path.isEmpty() || !isAbsolutePath(absolute)) {
        setError(error, EINVAL, path, QStringLiteral("trash"));
        return false;
    }
    struct stat item {};
    if (!statPath(absolute, &item, false)) {
        setError(error, errno, absolute, QStringLiteral("trash"));
        return false;
    }
    const QString trash = trashFolderForPath(absolute);
    if (trash.isNull()) {
        setError(error, errno ? errno : EXDEV, absolute, QStringLiteral("trash"));
        return false;
    }
    // Items of other volumes are recorded relative to the volume's top, so
    // the volume can be mounted elsewhere later.
    QString recorded = absolute;
    if (trash != homeTrashPath()) {
        const QString top = topDirectoryOfPath(absolute);
        recorded = absolute.mid(top == QLatin1String("/") ? 1 : top.size() + 1);
    }
    int savedErrno = 0;
    const QString name = reserveInfo(trash, lastPathComponent(absolute),
                                     trashInfoContents(recorded, QDateTime::currentDateTime()), &savedErrno);
    if (name.isNull()) {
        setError(error, savedErrno, absolute, QStringLiteral("trash"));
        return false;
    }
    const QString target = trash + QStringLiteral("/files/") + name;
    if (::renameat2(AT_FDCWD, bytes(absolute).constData(), AT_FDCWD, bytes(target).constData(),
                    RENAME_NOREPLACE) != 0) {
        savedErrno = errno;
        ::unlink(bytes(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo")).constData());
        setError(error, savedErrno, absolute, QStringLiteral("trash"));
        return false;
    }
    if (trashedPath)
        *trashedPath = target;
    return true;
}

} // namespace sorvant
