#pragma once
// Marks an item as a writer marks its temporary (platform/marked_temporary.h),
// for tests that leave one as a killed save or copy would, or a copy of one.

#include "platform/marked_temporary.h"

#include <QByteArray>

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

} // namespace sorvant::test
