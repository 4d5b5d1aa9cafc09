#pragma once
// Marks an item as a writer marks its temporary (platform/marked_temporary.h),
// for tests that leave one as a killed save or copy would; and copies one as
// a user copies or restores it (`cp -a`).

#include "platform/marked_temporary.h"
#include "platform/task.h"

#include <QByteArray>
#include <QStandardPaths>
#include <QString>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sorvant::test {

// Marks the item at `path` (not followed when a link) with the identity of
// the item at `as`: its own when `as` is empty (what a killed writer leaves),
// another item's otherwise (what a copy or a restore of a temporary carries).
// NO where the file system keeps no user extended attributes.
inline bool markAsATemporary(const QByteArray& path, const QByteArray& as = {})
{
    const int fd = ::open((as.isEmpty() ? path : as).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    const QByteArray identity = fd < 0 ? QByteArray() : temporaryIdentity(fd);
    if (fd >= 0)
        ::close(fd);
    return !identity.isEmpty()
           && ::lsetxattr(path.constData(), kTemporaryMark, identity.constData(), size_t(identity.size()), 0) == 0;
}

// Copies with `cp -a` (data, modes, times and extended attributes), as a
// user copies or restores an item; NO when cp is missing or fails. Through
// Task (posix_spawn), never QProcess, whose child shares this process's
// memory until it executes, which ThreadSanitizer cannot follow.
inline bool copyWithCp(const QString& from, const QString& to)
{
    const QString cp = QStandardPaths::findExecutable(QStringLiteral("cp"));
    if (cp.isEmpty())
        return false;
    Task copy(cp, {QStringLiteral("-a"), from, to});
    copy.setTimeoutMilliseconds(60'000);
    return copy.launchAndSleepUntilExit();
}

} // namespace sorvant::test
