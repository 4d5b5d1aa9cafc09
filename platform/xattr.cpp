#include "platform/xattr.h"

#include "platform/file_system_representation.h"

#include <cerrno>
#include <sys/xattr.h>

namespace sorvant {

namespace {

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
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
    // The value may grow between the size query and the read: retry then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::getxattr(bytes.constData(), name, nullptr, 0);
        if (size < 0)
            break;
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t read = ::getxattr(bytes.constData(), name, value.data(), value.size());
        if (read >= 0) {
            value.truncate(read);
            return value.isNull() ? QByteArray("") : value;
        }
        if (errno != ERANGE)
            break;
    }
    setError(error, errno, path, QStringLiteral("getxattr"));
    return {};
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
