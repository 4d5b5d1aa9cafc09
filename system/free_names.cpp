#include "system/free_names.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"

#include <QFile>

#include <sys/stat.h>

namespace sorvant {

namespace {

constexpr qsizetype kMaximumNameLength = 250;

bool itemExists(const QString& path)
{
    struct stat info {};
    return ::lstat(fileSystemRepresentation(path).constData(), &info) == 0;
}

} // namespace

QString nonExistingFilenameAtPath(const QString& path)
{
    if (path.isEmpty() || !itemExists(path))
        return path;
    const QString folder = stringByDeletingLastPathComponent(path);
    const QString name = lastPathComponent(path);
    const QString extension = pathExtension(name);
    const QString base = stringByDeletingPathExtension(name);
    for (long long n = 1;; ++n) {
        const QString suffix = QStringLiteral("-%1").arg(n);
        qsizetype room = kMaximumNameLength - suffix.size();
        if (!extension.isEmpty())
            room -= extension.size() + 1;
        QString candidate = base.left(qMax<qsizetype>(room, 0)) + suffix;
        if (!extension.isEmpty())
            candidate += u'.' + extension;
        const QString candidatePath = stringByAppendingPathComponent(folder, candidate);
        if (!itemExists(candidatePath))
            return candidatePath;
    }
}

} // namespace sorvant
