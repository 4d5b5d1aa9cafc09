#include "system/file_tests.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/volumes.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

class FileTests : public ::testing::Test
{
protected:
    void link(const QString& target, const QString& at)
    {
        ASSERT_EQ(::symlink(fileSystemRepresentation(target).constData(),
                            fileSystemRepresentation(tree.filePath(at)).constData()), 0);
    }
    static void chmodPath(const QString& path, mode_t mode)
    {
        ASSERT_EQ(::chmod(fileSystemRepresentation(path).constData(), mode), 0);
    }

    test::TempTree tree;
};

TEST_F(FileTests, FlagsOfEveryKindOfItem)
{
    tree.writeFile("file.txt");
    tree.makeDir("folder");
    tree.makeDir("Tool.app/Contents");
    tree.makeDir("Notes.TextBundle");
    tree.makeDir("Doc.rtfd");
    tree.writeFile("file.app");
    tree.writeFile(".dotfile");
    tree.makeDir(".dotfolder");
    tree.writeFile("listed");
    tree.writeFile(".hidden", "listed\n");
    link(tree.filePath("folder"), "link-to-folder");
    link(tree.filePath("gone"), "dangling");
    tree.writeFile(QString::fromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80.txt"));
    const QString nonUtf8 = stringWithFileSystemRepresentation(QByteArray("latin\xE9.txt"));
    const int fd = ::open(fileSystemRepresentation(tree.filePath(nonUtf8)).constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    struct Row { QString name; std::uint32_t flags; };
    const Row rows[] = {
        {"file.txt", 1}, {"folder", 8}, {"Tool.app", 8 | 2 | 4}, {"Notes.TextBundle", 8 | 2},
        {"Doc.rtfd", 8 | 2}, {"file.app", 1}, {".dotfile", 1 | 64}, {".dotfolder", 8 | 64},
        {"listed", 1 | 64}, {".hidden", 1 | 64}, {"link-to-folder", 32 | 1}, {"dangling", 32 | 1},
        {QString::fromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80.txt"), 1}, {nonUtf8, 1}, {"missing", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(fileSystemRepresentation(row.name).toStdString());
        EXPECT_EQ(getFlagsAtPath(tree.filePath(row.name)), row.flags);
    }
    EXPECT_EQ(getFlagsAtPath(""), 0u);
    EXPECT_EQ(getFlagsAtPath(QString()), 0u);
}

TEST_F(FileTests, FlagsOfMountPoints)
{
    EXPECT_EQ(getFlagsAtPath("/"), std::uint32_t(8 | 4096));
    const QString volume = volumeForPath(tree.path()).path;
    ASSERT_FALSE(volume.isEmpty());
    EXPECT_TRUE(getFlagsAtPath(volume) & kLSItemInfoIsVolume);
    EXPECT_FALSE(getFlagsAtPath(tree.path()) & kLSItemInfoIsVolume);
    if (isMountPointPath("/proc")) {
        EXPECT_EQ(getFlagsAtPath("/proc"), std::uint32_t(8 | 4096));
    }
}

TEST_F(FileTests, FolderDocumentAndPackageTests)
{
    const QString file = tree.writeFile("file");
    const QString folder = tree.makeDir("folder");
    const QString script = tree.makeDir("Script.scptd");
    const QString app = tree.makeDir("Tool.app");
    link(folder, "link");
    EXPECT_TRUE(isDirectoryAtPath(folder));
    EXPECT_TRUE(isDirectoryAtPath(tree.filePath("link")));   // links followed
    EXPECT_FALSE(isDirectoryAtPath(file));
    EXPECT_FALSE(isDirectoryAtPath(""));
    EXPECT_FALSE(isDocumentAtPath(folder));
    EXPECT_TRUE(isDocumentAtPath(script));
    EXPECT_TRUE(isDocumentAtPath(file));
    EXPECT_FALSE(isDocumentAtPath(tree.filePath("missing")));
    // Anything at the path counts, a dangling link too, a name that is not
    // UTF-8 as well.
    link(tree.filePath("missing"), "dangling");
    EXPECT_TRUE(itemExistsAtPath(tree.filePath("dangling")));
    EXPECT_TRUE(itemExistsAtPath(file));
    EXPECT_FALSE(itemExistsAtPath(tree.filePath("missing")));
    EXPECT_FALSE(itemExistsAtPath(QString()));
    test::writeFileBytes(tree.path().toUtf8() + "/b\xFF", "x");
    EXPECT_TRUE(itemExistsAtPath(tree.path() + QStringLiteral("/b") + QChar(0xDCFF)));
    EXPECT_TRUE(isPackagePath(app));
    EXPECT_TRUE(isPackagePath("/nowhere/Notes.TEXTBUNDLE"));   // by suffix, without the disk
    EXPECT_FALSE(isPackagePath("/nowhere/Tool.app"));          // by registry: must be a folder
    EXPECT_FALSE(isPackagePath(folder));
    EXPECT_FALSE(isPackagePath(QString()));
}

TEST_F(FileTests, LinksAliasesAndLabels)
{
    const QString folder = tree.makeDir("folder");
    link(folder, "link");
    const QString linkPath = tree.filePath("link");
    EXPECT_TRUE(isSymbolicLinkAtPath(linkPath));
    EXPECT_FALSE(isSymbolicLinkAtPath(folder));
    EXPECT_FALSE(isAliasFileAtPath(linkPath));
    EXPECT_EQ(finderLabelAtPath(folder), 0);
    EXPECT_FALSE(setFinderLabel(2, folder));
    EXPECT_EQ(fileHFSTypeCodeAtPath(folder), 0u);
    EXPECT_FALSE(setFileHFSTypeCode(0x54455854, folder));

    bool isDirectory = false;
    EXPECT_EQ(resolveAlias(folder, true, &isDirectory), folder);
    EXPECT_TRUE(isDirectory);
    EXPECT_EQ(resolveAlias(linkPath, false, &isDirectory), linkPath);
    EXPECT_FALSE(isDirectory);
    EXPECT_EQ(resolveAlias(tree.filePath("missing"), false, &isDirectory), tree.filePath("missing"));
    EXPECT_FALSE(isDirectory);
}

TEST_F(FileTests, DatesAreSetExceptTheCreationDate)
{
    const QString file = tree.writeFile("file");
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1'000'000'000, Qt::UTC);
    EXPECT_TRUE(setFileModificationDate(when, file));
    EXPECT_EQ(fileModificationDateAtPath(file), when);
    EXPECT_FALSE(setFileCreationDate(when, file));
    const QDateTime later = when.addDays(1);
    EXPECT_FALSE(setFileCreationDate(when, later, file));
    EXPECT_EQ(fileModificationDateAtPath(file), later);
    EXPECT_TRUE(setFileCreationDate(QDateTime(), when, file));
    EXPECT_FALSE(setFileCreationDate(QDateTime(), QDateTime(), file));
    EXPECT_FALSE(setFileModificationDate(QDateTime(), file));
    EXPECT_FALSE(setFileModificationDate(when, ""));
    EXPECT_FALSE(fileModificationDateAtPath(tree.filePath("missing")).isValid());
    EXPECT_TRUE(fileAttributeModificationDateAtPath(file).isValid());
}

TEST_F(FileTests, SizesCountHiddenItemsAndPackagesButNotLinkTargets)
{
    const QString file = tree.writeFile("top/a", QByteArray(100, 'a'));
    tree.writeFile("top/.hidden-file", QByteArray(20, 'b'));
    tree.writeFile("top/Pkg.app/Contents/bin", QByteArray(3, 'c'));
    tree.writeFile("elsewhere/big", QByteArray(5000, 'd'));
    link(tree.filePath("elsewhere"), "top/link");
    const std::uint64_t linkSize = std::uint64_t(tree.filePath("elsewhere").toUtf8().size());
    EXPECT_EQ(fileSizeAtPath(file), 100u);
    EXPECT_EQ(fileSizeAtPath(tree.filePath("top")), 123u + linkSize);
    EXPECT_EQ(fileSizeAtPath(tree.filePath("top/./Pkg.app/../Pkg.app/")), 3u);
    EXPECT_EQ(fileSizeAtPath(tree.filePath("missing")), 0u);
    EXPECT_EQ(fileSizeAtPath(""), 0u);
}

TEST_F(FileTests, FreeSpace)
{
    EXPECT_GT(freeDiskSpaceAtPath(tree.path()), 0u);
    EXPECT_EQ(freeDiskSpaceAtPath(""), 0u);
    QStringList lines;
    const LogSink previous = setLogSink([&lines](const QString& line) { lines.append(line); });
    EXPECT_EQ(freeDiskSpaceAtPath(tree.filePath("missing")), 0u);
    setLogSink(previous);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().startsWith("ERROR: "));

    const std::uint64_t free = freeDiskSpaceAtPath(tree.path());
    EXPECT_TRUE(freeDiskSpaceSufficientAtPath(tree.path(), 0) == (free > 128ull * 1024 * 1024));
    EXPECT_FALSE(freeDiskSpaceSufficientAtPath(tree.path(), std::numeric_limits<std::uint64_t>::max()));
    EXPECT_FALSE(freeDiskSpaceSufficientAtPath(tree.path(), free));
}

TEST_F(FileTests, LockStateFollowsOwnerPermissions)
{
    const QString file = tree.writeFile("file");
    chmodPath(file, 0644);
    EXPECT_FALSE(isFileLockedAtPath(file));
    chmodPath(file, 0400);
    EXPECT_TRUE(isFileLockedAtPath(file));
    EXPECT_TRUE(addUserReadWritePermissionsAtPath(file));
    EXPECT_FALSE(isFileLockedAtPath(file));
    EXPECT_TRUE(setFileLocked(true, file));
    EXPECT_TRUE(isFileLockedAtPath(file));
    struct stat status {};
    ASSERT_EQ(::stat(fileSystemRepresentation(file).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0400u);
    EXPECT_TRUE(setFileLocked(false, file));
    EXPECT_FALSE(isFileLockedAtPath(file));
    EXPECT_FALSE(isFileLockedAtPath(tree.filePath("missing")));
    EXPECT_FALSE(setFileLocked(true, tree.filePath("missing")));
    EXPECT_TRUE(setFileImmutable(false, file));   // already so: nothing to do
}

TEST_F(FileTests, VolumeMountedAndNames)
{
    EXPECT_TRUE(isVolumeMountedAtPath(tree.path()));
    EXPECT_FALSE(isVolumeMountedAtPath("/Volumes/SorvantNotMounted/x"));
    EXPECT_FALSE(volumeNameAtPath(tree.path()).isEmpty());
    EXPECT_TRUE(volumeNameAtPath("").isEmpty());
    EXPECT_EQ(localizedVolumeNameAtPath(tree.path()), volumeNameAtPath(tree.path()));
}

TEST_F(FileTests, ResourceValueErrorsAreClearedFirst)
{
    FileError error{5, "x", "y"};
    EXPECT_FALSE(getResourceValueForKey(QStringLiteral("NSURLIsDirectoryKey"), "", &error).isValid());
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(getBoolValueForKey(QStringLiteral("NSURLIsDirectoryKey"), tree.path(), &error));
    EXPECT_FALSE(getBoolValueForKey(QStringLiteral("NSURLIsDirectoryKey"), tree.filePath("missing"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace sorvant
