#include "platform/volumes.h"

#include "tests/support/temp_tree.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <ostream>

namespace sorvant {
namespace {

const QByteArray kMountInfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "28 27 0:25 / /run rw,nosuid - tmpfs tmpfs rw\n"
    "40 27 8:17 / /media/me/My\\040Stick ro,nosuid shared:5 master:2 - vfat /dev/sdb1 ro\n"
    "41 27 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
    "42 27 0:51 /sub /mnt/bind\\134x rw - ext4 /dev/vda rw\n"
    "garbage line\n"
    "\n";

TEST(MountTable, ParsesFieldsAndUnescapesPaths)
{
    const QList<MountPoint> mounts = parseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 6);
    EXPECT_EQ(mounts[1].path, "/");
    EXPECT_EQ(mounts[1].fileSystemType, "ext4");
    EXPECT_EQ(mounts[1].major, 254u);
    EXPECT_FALSE(mounts[1].readOnly);
    // Optional fields between the options and "-" do not shift the rest.
    EXPECT_EQ(mounts[3].path, "/media/me/My Stick");
    EXPECT_EQ(mounts[3].fileSystemType, "vfat");
    EXPECT_EQ(mounts[3].source, "/dev/sdb1");
    EXPECT_EQ(mounts[3].minor, 17u);
    EXPECT_TRUE(mounts[3].readOnly);
    EXPECT_EQ(mounts[4].source, "server:/export");
    EXPECT_EQ(mounts[5].path, "/mnt/bind\\x");
    EXPECT_TRUE(parseMountInfo({}).isEmpty());
}

TEST(MountTable, ClassifiesFileSystemTypes)
{
    for (const char* type : {"proc", "sysfs", "cgroup2", "tmpfs", "ramfs", "autofs", "nsfs", ""}) {
        SCOPED_TRACE(type);
        EXPECT_TRUE(isPseudoFileSystemType(QString::fromUtf8(type)));
        EXPECT_FALSE(isRemoteFileSystemType(QString::fromUtf8(type)));
    }
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "davfs"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(isPseudoFileSystemType(QString::fromUtf8(type)));
        EXPECT_TRUE(isRemoteFileSystemType(QString::fromUtf8(type)));
    }
    for (const char* type : {"ext4", "btrfs", "xfs", "vfat", "overlay"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(isPseudoFileSystemType(QString::fromUtf8(type)));
        EXPECT_FALSE(isRemoteFileSystemType(QString::fromUtf8(type)));
    }
}

// A walk enters file systems that hold users' files, volumes or not, and
// none the kernel fills.
TEST(MountTable, KernelFileSystemsAreTheOnesTheKernelFills)
{
    for (const char* type : {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "mqueue", "debugfs",
                             "securityfs", "autofs", "nsfs", ""}) {
        SCOPED_TRACE(type);
        EXPECT_TRUE(isKernelFileSystemType(QString::fromUtf8(type)));
    }
    for (const char* type : {"tmpfs", "ramfs", "squashfs", "overlay", "ext4", "btrfs", "nfs4", "fuse.sshfs"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(isKernelFileSystemType(QString::fromUtf8(type)));
    }
}

// One mount line a volume filter meets, and whether it gives a volume.
struct VolumeRow
{
    const char* name;
    QByteArray line; // "<mount point> <type>"
    bool volume;
};

void PrintTo(const VolumeRow& row, std::ostream* out)
{
    *out << row.name << ": \"" << row.line.constData() << "\" " << (row.volume ? "is" : "is not") << " a volume";
}

class VolumesInMountTable : public testing::TestWithParam<VolumeRow>
{
};

QByteArray mountLine(const QByteArray& pointAndType, int id)
{
    const QList<QByteArray> parts = pointAndType.split(' ');
    return QByteArray::number(id) + " 1 8:" + QByteArray::number(id) + " / " + parts[0] + " rw - " + parts[1]
           + " src rw\n";
}

TEST_P(VolumesInMountTable, KeepsOnlyFoldersThatHoldUserFiles)
{
    const VolumeRow& row = GetParam();
    const QList<MountPoint> volumes =
        volumesInMountTable(parseMountInfo(mountLine("/ ext4", 1) + mountLine(row.line, 2)));
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first().path, "/");
    EXPECT_EQ(volumes.size(), row.volume ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Mounts, VolumesInMountTable,
    testing::Values(VolumeRow{"RunMedia", "/run/media/me/USB vfat", true},
                    VolumeRow{"Media", "/media/usb ext4", true},
                    VolumeRow{"Mnt", "/mnt/data xfs", true},
                    VolumeRow{"Home", "/home btrfs", true},
                    VolumeRow{"Nfs", "/net/share nfs4", true},
                    VolumeRow{"Cifs", "/mnt/smb cifs", true},
                    VolumeRow{"Sshfs", "/home/me/remote fuse.sshfs", true},
                    VolumeRow{"SnapSquashfs", "/snap/core/123 squashfs", false},
                    VolumeRow{"SnapFolder", "/snap ext4", false},
                    VolumeRow{"BootEfi", "/boot/efi vfat", false},
                    VolumeRow{"BootEfiBelow", "/boot/efi/x vfat", false},
                    VolumeRow{"Boot", "/boot ext4", true},
                    VolumeRow{"Autofs", "/net autofs", false},
                    VolumeRow{"RunUser", "/run/user/1000 tmpfs", false},
                    VolumeRow{"RunOther", "/run/lock ext4", false},
                    VolumeRow{"DevShm", "/dev/shm tmpfs", false},
                    VolumeRow{"Proc", "/proc/sys/fs/binfmt_misc binfmt_misc", false},
                    VolumeRow{"Sys", "/sys/fs/cgroup cgroup2", false},
                    VolumeRow{"Gvfs", "/run/user/1000/gvfs fuse.gvfsd-fuse", false},
                    VolumeRow{"SameRootAgain", "/ overlay", false}),
    [](const testing::TestParamInfo<VolumeRow>& row) { return std::string(row.param.name); });

TEST(VolumesInMountTable, EachMountPointOnceAndRootFirst)
{
    const QList<MountPoint> volumes = volumesInMountTable(
        parseMountInfo(mountLine("/mnt/a ext4", 1) + mountLine("/ overlay", 2) + mountLine("/mnt/a xfs", 3)
                       + mountLine("/ ext4", 4)));
    ASSERT_EQ(volumes.size(), 2);
    EXPECT_EQ(volumes[0].path, "/");
    EXPECT_EQ(volumes[0].fileSystemType, "ext4");
    EXPECT_EQ(volumes[1].fileSystemType, "ext4");
    EXPECT_EQ(volumesInMountTable({}).size(), 1);
}

TEST(MountedVolumes, RootComesFirstAndNoPseudoSystemIsListed)
{
    const QList<MountPoint> volumes = mountedVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first().path, "/");
    for (const MountPoint& volume : volumes) {
        SCOPED_TRACE(volume.path.toStdString());
        if (volume.path != "/") {
            EXPECT_FALSE(isPseudoFileSystemType(volume.fileSystemType));
            EXPECT_FALSE(volume.path.startsWith("/proc") || volume.path.startsWith("/sys"));
        }
    }
}

TEST(MountedVolumes, EveryFolderLiesOnAVolume)
{
    test::TempTree tree;
    const MountPoint volume = volumeForPath(tree.makeDir("a/b"));
    EXPECT_FALSE(volume.path.isEmpty());
    EXPECT_TRUE(volumeForPath("/").path == "/");
    EXPECT_TRUE(volumeForPath(QString()).path.isEmpty());
    EXPECT_TRUE(isMountPointPath("/"));
    EXPECT_TRUE(isMountPointPath(volume.path));
    EXPECT_FALSE(isMountPointPath(tree.filePath("a/b")));
    EXPECT_FALSE(isMountPointPath(tree.writeFile("file")));
    EXPECT_FALSE(isMountPointPath(tree.filePath("missing")));
    EXPECT_FALSE(isMountPointPath(QString()));
    if (QFileInfo::exists("/proc/self")) {
        EXPECT_TRUE(isMountPointPath("/proc"));
    }
}

TEST(MountedVolumes, FreeSpaceAndNames)
{
    std::uint64_t bytes = 0;
    EXPECT_TRUE(freeSpaceAtPath("/", &bytes));
    EXPECT_GT(bytes, 0u);
    EXPECT_FALSE(freeSpaceAtPath("/no/such/folder/sorvant", &bytes));
    EXPECT_FALSE(freeSpaceAtPath(QString(), &bytes));
    MountPoint network;
    network.path = "/mnt/share";
    EXPECT_EQ(volumeName(network), "share");
    EXPECT_FALSE(isRemovableMount(network));
}

} // namespace
} // namespace sorvant
