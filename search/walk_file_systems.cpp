#include "search/directory_walk.h"

#include "platform/volumes.h"

#include <QFile>

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace sorvant {

bool isVolumeRootPath(const QString& path)
{
    if (path == u"/")
        return true;
    return path.count(u'/') == 2 && path.startsWith(u"/Volumes/", Qt::CaseInsensitive);
}

bool isCommonDiskFileSystem(int fd)
{
    struct statfs info{};
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

namespace {

// The type of the file system mounted from `device`; null when the mount
// table does not list it.
QString mountTypeInTable(dev_t device)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const MountPoint& mount : parseMountInfo(file.readAll())) {
        if (makedev(mount.major, mount.minor) == device)
            return mount.fileSystemType;
    }
    return {};
}

// A file system the kernel fills, told by its magic number; null for any
// other. devtmpfs and tmpfs share theirs: only the mount table tells them
// apart.
QString kernelFileSystemOfMagic(unsigned long magic)
{
    switch (magic) {
    case PROC_SUPER_MAGIC:
        return QStringLiteral("proc");
    case SYSFS_MAGIC:
        return QStringLiteral("sysfs");
    case DEVPTS_SUPER_MAGIC:
        return QStringLiteral("devpts");
    case CGROUP_SUPER_MAGIC:
        return QStringLiteral("cgroup");
    case CGROUP2_SUPER_MAGIC:
        return QStringLiteral("cgroup2");
    case SECURITYFS_MAGIC:
        return QStringLiteral("securityfs");
    case DEBUGFS_MAGIC:
        return QStringLiteral("debugfs");
    case TRACEFS_MAGIC:
        return QStringLiteral("tracefs");
    case BPF_FS_MAGIC:
        return QStringLiteral("bpf");
    case PSTOREFS_MAGIC:
        return QStringLiteral("pstore");
    case HUGETLBFS_MAGIC:
        return QStringLiteral("hugetlbfs");
    case BINFMTFS_MAGIC:
        return QStringLiteral("binfmt_misc");
    case AUTOFS_SUPER_MAGIC:
        return QStringLiteral("autofs");
    case EFIVARFS_MAGIC:
        return QStringLiteral("efivarfs");
    case NSFS_MAGIC:
        return QStringLiteral("nsfs");
    case SELINUX_MAGIC:
        return QStringLiteral("selinuxfs");
    case SMACK_MAGIC:
        return QStringLiteral("smackfs");
    default:
        return {};
    }
}

} // namespace

QString kernelFileSystemType(int fd, const std::function<QString(dev_t)>& mountType)
{
    struct statfs info{};
    struct stat status{};
    if (isCommonDiskFileSystem(fd) || ::fstatfs(fd, &info) != 0 || ::fstat(fd, &status) != 0)
        return {};
    const QString type = mountType ? mountType(status.st_dev) : mountTypeInTable(status.st_dev);
    if (type.isNull())
        return kernelFileSystemOfMagic(static_cast<unsigned long>(info.f_type));
    return isKernelFileSystemType(type) ? type : QString();
}

} // namespace sorvant
