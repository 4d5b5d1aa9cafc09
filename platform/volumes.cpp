#include "platform/volumes.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sorvant {

namespace {

// File systems that hold no user files: kernel interfaces, control groups,
// memory-backed scratch space, automounter triggers.
const QSet<QString>& pseudoTypes()
{
    static const QSet<QString> types = {
        QStringLiteral("proc"), QStringLiteral("sysfs"), QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"), QStringLiteral("cgroup"), QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"), QStringLiteral("debugfs"), QStringLiteral("tracefs"),
        QStringLiteral("bpf"), QStringLiteral("pstore"), QStringLiteral("configfs"),
        QStringLiteral("fusectl"), QStringLiteral("mqueue"), QStringLiteral("hugetlbfs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("autofs"), QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"), QStringLiteral("ramfs"), QStringLiteral("tmpfs"),
        QStringLiteral("rpc_pipefs"), QStringLiteral("selinuxfs"), QStringLiteral("smackfs"),
        QStringLiteral("apparmorfs"), QStringLiteral("nfsd"), QStringLiteral("sockfs"),
        QStringLiteral("pipefs"), QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"), QStringLiteral("fuse.lxcfs"), QStringLiteral("squashfs"),
    };
    return types;
}

const QSet<QString>& remoteTypes()
{
    static const QSet<QString> types = {
        QStringLiteral("nfs"), QStringLiteral("nfs4"), QStringLiteral("cifs"), QStringLiteral("smb3"),
        QStringLiteral("smbfs"), QStringLiteral("ncpfs"), QStringLiteral("afs"), QStringLiteral("coda"),
        QStringLiteral("9p"), QStringLiteral("ceph"), QStringLiteral("glusterfs"), QStringLiteral("lustre"),
        QStringLiteral("gfs2"), QStringLiteral("ocfs2"), QStringLiteral("davfs"), QStringLiteral("fuse.davfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.rclone"), QStringLiteral("fuse.s3fs"),
        QStringLiteral("fuse.glusterfs"), QStringLiteral("fuse.cephfs"), QStringLiteral("fuse.smbnetfs"),
        QStringLiteral("fuse.gvfsd-fuse"),   // the desktop's network shares
    };
    return types;
}

// Undoes the octal escapes ("\040" space, "\011" tab, "\012" newline,
// "\134" backslash) of a mountinfo field.
QByteArray unescapeField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

// YES when `path` equals `folder` or lies below it.
bool isAtOrBelow(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path.startsWith(folder) && (path.size() == folder.size() || path.at(folder.size()) == QLatin1Char('/'));
}

bool isSystemFolder(const QString& path)
{
    static const QLatin1String system[] = {
        QLatin1String("/proc"), QLatin1String("/sys"), QLatin1String("/dev"), QLatin1String("/run"),
        QLatin1String("/snap"), QLatin1String("/boot/efi"),
    };
    if (isAtOrBelow(path, QStringLiteral("/run/media")))
        return false;
    for (const QLatin1String& folder : system) {
        if (isAtOrBelow(path, folder))
            return true;
    }
    return false;
}

bool isDirectory(const QString& path)
{
    struct stat status {};
    const QByteArray bytes = fileSystemRepresentation(path);
    return !bytes.isEmpty() && ::stat(bytes.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Reads a kernel text file to its end (proc files report a size of 0).
QByteArray readKernelFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Undoes udev's "\x20" escapes in /dev/disk/by-label names.
QString unescapeLabel(const QString& name)
{
    QByteArray bytes = fileSystemRepresentation(name);
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\\' && i + 3 < bytes.size() && bytes.at(i + 1) == 'x') {
            bool ok = false;
            const int value = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(bytes.at(i));
    }
    return stringWithFileSystemRepresentation(out);
}

} // namespace

QList<MountPoint> parseMountInfo(const QByteArray& contents)
{
    QList<MountPoint> mounts;
    for (const QByteArray& line : contents.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (fields.size() < 6 || separator < 6 || separator + 2 >= fields.size())
            continue;
        MountPoint mount;
        const QList<QByteArray> device = fields.at(2).split(':');
        if (device.size() == 2) {
            mount.major = device.at(0).toUInt();
            mount.minor = device.at(1).toUInt();
        }
        mount.path = stringWithFileSystemRepresentation(unescapeField(fields.at(4)));
        mount.readOnly = fields.at(5).split(',').contains(QByteArray("ro"));
        mount.fileSystemType = QString::fromUtf8(fields.at(separator + 1));
        mount.source = stringWithFileSystemRepresentation(unescapeField(fields.at(separator + 2)));
        mounts.append(mount);
    }
    return mounts;
}

bool isPseudoFileSystemType(const QString& type)
{
    return type.isEmpty() || pseudoTypes().contains(type);
}

bool isKernelFileSystemType(const QString& type)
{
    // Memory and image file systems hold files users put there (/tmp,
    // /dev/shm, snaps, live media); they are no volumes, but a walk enters them.
    static const QSet<QString> userFiles = {QStringLiteral("tmpfs"), QStringLiteral("ramfs"),
                                            QStringLiteral("squashfs")};
    return isPseudoFileSystemType(type) && !userFiles.contains(type);
}

bool isRemoteFileSystemType(const QString& type)
{
    return remoteTypes().contains(type);
}

QList<MountPoint> volumesInMountTable(const QList<MountPoint>& mounts)
{
    QList<MountPoint> volumes;
    QSet<QString> seen;
    for (const MountPoint& mount : mounts) {
        if (mount.path == QLatin1String("/")) {
            volumes.removeIf([](const MountPoint& m) { return m.path == QLatin1String("/"); });
            volumes.prepend(mount);
            seen.insert(mount.path);
            continue;
        }
        if (isPseudoFileSystemType(mount.fileSystemType) || isSystemFolder(mount.path) || seen.contains(mount.path))
            continue;
        seen.insert(mount.path);
        volumes.append(mount);
    }
    if (volumes.isEmpty() || volumes.first().path != QLatin1String("/")) {
        MountPoint root;
        root.path = QStringLiteral("/");
        volumes.prepend(root);
    }
    return volumes;
}

QList<MountPoint> mountedVolumes()
{
    QList<MountPoint> volumes =
        volumesInMountTable(parseMountInfo(readKernelFile(QStringLiteral("/proc/self/mountinfo"))));
    // A file can be mounted on a file; only folders are volumes.
    volumes.removeIf([](const MountPoint& m) { return m.path != QLatin1String("/") && !isDirectory(m.path); });
    return volumes;
}

MountPoint volumeForPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QString resolved = stringByResolvingSymlinksInPath(path);
    const QList<MountPoint> mounts = parseMountInfo(readKernelFile(QStringLiteral("/proc/self/mountinfo")));
    MountPoint best;
    for (const MountPoint& mount : mounts) {
        // A later mount on the same point hides the earlier one, hence >=.
        if (isAtOrBelow(resolved, mount.path) && mount.path.size() >= best.path.size())
            best = mount;
    }
    return best;
}

bool isMountPointPath(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isEmpty())
        return false;
    struct statx item {};
    if (::statx(AT_FDCWD, bytes.constData(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO, &item) != 0
        || !S_ISDIR(item.stx_mode))
        return false;
    if (item.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return (item.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    // Older kernels: a mount root lives on another device than its parent,
    // or is its own parent ("/").
    struct stat self {};
    struct stat parent {};
    if (::stat(bytes.constData(), &self) != 0 || ::stat((bytes + "/..").constData(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

bool isRemovableMount(const MountPoint& mount)
{
    if (mount.major == 0)
        return false;   // no block device behind it (network, memory, fuse)
    const QString link = QStringLiteral("/sys/dev/block/%1:%2").arg(mount.major).arg(mount.minor);
    QString device = QFileInfo(link).canonicalFilePath();
    if (device.isEmpty())
        return false;
    if (device.contains(QLatin1String("/usb")))
        return true;
    if (QFileInfo::exists(device + QLatin1String("/partition")))
        device = stringByDeletingLastPathComponent(device);
    return readKernelFile(device + QLatin1String("/removable")).trimmed() == "1";
}

QString volumeName(const MountPoint& mount)
{
    if (mount.major != 0) {
        const dev_t wanted = makedev(mount.major, mount.minor);
        const QDir labels(QStringLiteral("/dev/disk/by-label"));
        for (const QString& name : labels.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            struct stat status {};
            const QByteArray bytes = fileSystemRepresentation(labels.filePath(name));
            if (::stat(bytes.constData(), &status) == 0 && S_ISBLK(status.st_mode) && status.st_rdev == wanted)
                return unescapeLabel(name);
        }
    }
    return lastPathComponent(mount.path);
}

bool freeSpaceAtPath(const QString& path, std::uint64_t* bytes)
{
    const QByteArray representation = fileSystemRepresentation(path);
    struct statvfs status {};
    if (representation.isEmpty() || ::statvfs(representation.constData(), &status) != 0)
        return false;
    if (bytes)
        *bytes = std::uint64_t(status.f_bavail) * status.f_frsize;
    return true;
}

} // namespace sorvant
