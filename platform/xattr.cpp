#include "platform/xattr.h"

#include "platform/file_system_representation.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <sys/xattr.h>

namespace sorvant {

namespace {

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Reads an attribute through `getxattr` of `bytes`, retrying while the value
// grows between the size query and the read. Null with errno set on failure.
QByteArray readAttribute(const char* bytes, const char* name)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::getxattr(bytes, name, nullptr, 0);
        if (size < 0)
            return {};
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t read = ::getxattr(bytes, name, value.data(), size_t(value.size()));
        if (read >= 0) {
            value.truncate(read);
            return value.isNull() ? QByteArray("") : value;
        }
        if (errno != ERANGE)
            return {};
    }
    return {};
}

} // namespace

QByteArray extendedAttribute(const QString& path, const char* name, FileError* error)
{
    clearError(error);
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty()) {
        setError(error, ENOENT, path, QStringLiteral("getxattr"));
        return {};
    }
    QByteArray value = readAttribute(bytes.constData(), name);
    if (value.isNull())
        setError(error, errno, path, QStringLiteral("getxattr"));
    return value;
}

QByteArray extendedAttributeInFolder(int folderFd, const char* itemName, const char* name)
{
    if (itemName == nullptr || *itemName == 0)
        return {};
    // O_PATH opens without reading: a device or a pipe is never opened for
    // real, and a file without read permission still answers. The kernel
    // reads attributes through a descriptor's /proc link with a short path,
    // whatever the length of the item's own.
    const int fd = ::openat(folderFd, itemName, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    QByteArray value = readAttribute(link, name);
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return value;
}

bool setExtendedAttribute(const QString& path, const char* name, const QByteArray& value, FileError* error)
{
    clearError(error);
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty()) {
        setError(error, ENOENT, path, QStringLiteral("setxattr"));
        return false;
    }
    if (::setxattr(bytes.constData(), name, value.constData(), size_t(value.size()), 0) != 0) {
        setError(error, errno, path, QStringLiteral("setxattr"));
        return false;
    }
    return true;
}

bool removeExtendedAttribute(const QString& path, const char* name, FileError* error)
{
    clearError(error);
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty()) {
        setError(error, ENOENT, path, QStringLiteral("removexattr"));
        return false;
    }
    if (::removexattr(bytes.constData(), name) != 0 && errno != ENODATA) {
        setError(error, errno, path, QStringLiteral("removexattr"));
        return false;
    }
    return true;
}

QStringList tagNamesFromAttributeValue(const QByteArray& value)
{
    QStringList tags;
    for (const QByteArray& part : value.split(',')) {
        qsizetype start = 0;
        qsizetype end = part.size();
        while (start < end && isWhiteSpace(part.at(start)))
            ++start;
        while (end > start && isWhiteSpace(part.at(end - 1)))
            --end;
        if (end > start)
            tags.append(QString::fromUtf8(part.constData() + start, end - start));
    }
    return tags;
}

QStringList tagNamesAtPath(const QString& path)
{
    return tagNamesFromAttributeValue(extendedAttribute(path, kTagsAttribute));
}

bool setTagNamesAtPath(const QString& path, const QStringList& tags, FileError* error)
{
    // Parsing the joined list trims each tag and drops empty ones, exactly as
    // reading it back will (a "," inside a tag cannot be kept by the format).
    const QStringList kept = tagNamesFromAttributeValue(tags.join(QLatin1Char(',')).toUtf8());
    if (kept.isEmpty())
        return removeExtendedAttribute(path, kTagsAttribute, error);
    return setExtendedAttribute(path, kTagsAttribute, kept.join(QLatin1Char(',')).toUtf8(), error);
}

QString commentAtPath(const QString& path)
{
    const QByteArray value = extendedAttribute(path, kCommentAttribute);
    return value.isNull() ? QString() : QString::fromUtf8(value);
}

bool setCommentAtPath(const QString& path, const QString& comment, FileError* error)
{
    if (comment.isEmpty())
        return removeExtendedAttribute(path, kCommentAttribute, error);
    return setExtendedAttribute(path, kCommentAttribute, comment.toUtf8(), error);
}

} // namespace sorvant
