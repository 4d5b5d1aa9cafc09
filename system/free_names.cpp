#include "system/free_names.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"

#include <QFile>

#include <sys/stat.h>

namespace sorvant {

namespace {

constexpr qsizetype kMaximumNameLength = 250;
// No file system here takes a longer name (in bytes).
constexpr qsizetype kMaximumNameBytes = 255;

// The longest start of `base` within `units` UTF-16 units and `bytes`
// bytes, never splitting a surrogate pair.
QString cutBase(const QString& base, qsizetype units, qsizetype bytes)
{
    qsizetype end = 0;
    qsizetype used = 0;
    while (end < base.size()) {
        const qsizetype next = end + (base.at(end).isHighSurrogate() && end + 1 < base.size() ? 2 : 1);
        const qsizetype size = fileSystemRepresentationLength(base.mid(end, next - end));
        if (next > units || used + size > bytes)
            break;
        used += size;
        end = next;
    }
    return base.left(end);
}

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
        qsizetype byteRoom = kMaximumNameBytes - suffix.size();
        if (!extension.isEmpty()) {
            room -= extension.size() + 1;
            byteRoom -= fileSystemRepresentationLength(extension) + 1;
        }
        QString candidate = cutBase(base, room, byteRoom) + suffix;
        if (!extension.isEmpty())
            candidate += u'.' + extension;
        const QString candidatePath = stringByAppendingPathComponent(folder, candidate);
        if (!itemExists(candidatePath))
            return candidatePath;
    }
}

} // namespace sorvant
