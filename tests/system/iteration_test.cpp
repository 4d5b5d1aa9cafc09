#include "system/iteration.h"

#include "system/temporary_file.h"
#include "system/file_tests.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace sorvant {
namespace {

class IterationTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    test::LogCapture log;
};

TEST_F(IterationTest, FoldersWithOnlyLeftoversGo)
{
    struct Case
    {
        QStringList files;
        bool removed;
    };
    const QList<Case> cases {
        {{".DS_Store", ".localized"}, true},
        {{".directory", "Icon\r", ".FBCIndex", ".fbclockfolder"}, true},
        {{}, true},
        {{".DS_Store", "real.txt"}, false},
        {{"sub/.DS_Store"}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files.join(',').toStdString());
        const QString folder = tree.makeDir(QStringLiteral("case%1").arg(n++));
        for (const QString& file : c.files)
            tree.writeFile(folder.mid(tree.path().size() + 1) + '/' + file, "x");
        EXPECT_EQ(removeEmptyDirectoryAtPath(folder), c.removed);
        EXPECT_EQ(QFileInfo::exists(folder), !c.removed);
        if (!c.removed) {
            for (const QString& file : c.files)
                EXPECT_TRUE(QFileInfo::exists(folder + '/' + file));
        }
    }
    EXPECT_FALSE(removeEmptyDirectoryAtPath(QString()));
}

TEST_F(IterationTest, LinkToFolderIsNotRemovedNorEntered)
{
    const QString target = tree.makeDir("target");
    tree.writeFile("target/.DS_Store", "x");
    const QString link = tree.filePath("link");
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_FALSE(removeEmptyDirectoryAtPath(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(target + "/.DS_Store"));
}

TEST_F(IterationTest, ParentsAreRemovedUpToButNotIncludingTheRoot)
{
    const QString root = tree.makeDir("root");
    tree.makeDir("root/a/b/c");
    tree.writeFile("root/a/b/.DS_Store", "x");
    tree.writeFile("root/a/keep.txt", "x");
    tree.makeDir("outside");
    EXPECT_FALSE(removeEmptyDirectoriesInside(root, tree.filePath("outside")));
    EXPECT_FALSE(removeEmptyDirectoriesInside(root, root + "x/a"));
    EXPECT_TRUE(QFileInfo::exists(tree.filePath("outside")));
    EXPECT_TRUE(removeEmptyDirectoriesInside(root, tree.filePath("root/a/b/c")));
    EXPECT_FALSE(QFileInfo::exists(tree.filePath("root/a/b")));
    EXPECT_TRUE(QFileInfo::exists(tree.filePath("root/a/keep.txt")));
    tree.makeDir("root/solo");
    EXPECT_TRUE(removeEmptyDirectoriesInside(root + '/', tree.filePath("root/solo")));
    EXPECT_TRUE(QFileInfo::exists(root));
}

TEST_F(IterationTest, CleanUpNeverLeavesItsRoot)
{
    const QString root = tree.makeDir("root");
    tree.makeDir("root/a");
    tree.makeDir("elsewhere/deep");
    ASSERT_TRUE(QFile::link(tree.filePath("elsewhere/deep"), tree.filePath("root/link")));
    // "/." names the root itself, ".." climbs out of it, and ".." after a
    // link leaves the link's target (here: "elsewhere", outside the root).
    for (const QString& start : {root + "/.", root + "/a/../..", root + "/..", root + "/link/.."}) {
        SCOPED_TRACE(start.toStdString());
        EXPECT_FALSE(removeEmptyDirectoriesInside(root, start));
        EXPECT_TRUE(QFileInfo::exists(root));
        EXPECT_TRUE(QFileInfo::exists(tree.filePath("elsewhere")));
    }
    // Inside the root, a ".." through the link is taken as the system takes
    // it: "root/link/../deep" is "elsewhere/deep", outside.
    EXPECT_FALSE(removeEmptyDirectoriesInside(root, root + "/link/../deep"));
    EXPECT_TRUE(QFileInfo::exists(tree.filePath("elsewhere/deep")));
    EXPECT_TRUE(removeEmptyDirectoriesInside(root, root + "/a/./"));
    EXPECT_FALSE(QFileInfo::exists(root + "/a"));
    EXPECT_TRUE(QFileInfo::exists(root));
}

class Recorder : public FileManagerIterationDelegate,
                 public FileManagerEnterDirectoryHook,
                 public FileManagerIterateDirectoryHook,
                 public FileManagerExitDirectoryHook
{
public:
    QStringList events;
    QString stopAtContent;
    QString skipFolder;

    bool iterateContent(const QString&, const QString& name, unsigned depth, void* context) override
    {
        events << QStringLiteral("file %1 %2").arg(name).arg(depth);
        *static_cast<int*>(context) += 1;
        return name == stopAtContent;
    }
    bool enterDirectory(const QString&, const QString& name, unsigned depth, void*) override
    {
        events << QStringLiteral("enter %1 %2").arg(name).arg(depth);
        return name != skipFolder;
    }
    bool iterateDirectory(const QString&, const QString& name, unsigned depth, void*) override
    {
        events << QStringLiteral("dir %1 %2").arg(name).arg(depth);
        return false;
    }
    void exitDirectory(const QString&, const QString& name, unsigned depth, void*) override
    {
        events << QStringLiteral("exit %1 %2").arg(name).arg(depth);
    }
};

class ContentOnly : public FileManagerIterationDelegate
{
public:
    QStringList names;
    bool iterateContent(const QString&, const QString& name, unsigned, void*) override
    {
        names << name;
        return false;
    }
};

class WalkTest : public IterationTest
{
protected:
    void SetUp() override
    {
        top = tree.makeDir("top");
        tree.writeFile("top/a.txt");
        tree.writeFile("top/.hid");
        tree.writeFile("top/sub/b.txt");
        tree.writeFile("top/Doc.textbundle/text.md");
        tree.makeDir("top/empty");
        ASSERT_TRUE(QFile::link(tree.filePath("top/sub"), tree.filePath("top/zlink")));
    }
    QString top;
};

TEST_F(WalkTest, HooksSeeEveryFolderInOrder)
{
    Recorder recorder;
    int counted = 0;
    EXPECT_EQ(iterateSubpathsAtPath(top, &recorder, &counted), 6u);
    EXPECT_EQ(counted, 6);
    EXPECT_EQ(recorder.events,
              (QStringList {"enter top 0", "file .hid 0", "file Doc.textbundle 0", "dir Doc.textbundle 0",
                            "enter Doc.textbundle 1", "file text.md 1", "exit Doc.textbundle 1", "file a.txt 0",
                            "dir empty 0", "enter empty 1", "exit empty 1", "dir sub 0", "enter sub 1",
                            "file b.txt 1", "exit sub 1", "file zlink 0", "exit top 0"}));
}

TEST_F(WalkTest, FlagsPruneHiddenItemsAndPackages)
{
    ContentOnly handler;
    EXPECT_EQ(iterateSubpathsAtPath(top, false, false, &handler, nullptr), 4u);
    EXPECT_EQ(handler.names, (QStringList {"Doc.textbundle", "a.txt", "b.txt", "zlink"}));
    EXPECT_EQ(iterateSubpathsAtPath(top, nullptr, nullptr), 0u);
    EXPECT_EQ(iterateSubpathsAtPath(tree.filePath("top/a.txt"), &handler, nullptr), 0u);
}

TEST_F(WalkTest, StopAndSkipStillSendExitMessages)
{
    Recorder stopper;
    stopper.stopAtContent = "text.md";
    int counted = 0;
    EXPECT_EQ(iterateSubpathsAtPath(top, &stopper, &counted), 2u);
    EXPECT_EQ(stopper.events.mid(stopper.events.size() - 3),
              (QStringList {"file text.md 1", "exit Doc.textbundle 1", "exit top 0"}));

    Recorder skipper;
    skipper.skipFolder = "top";
    EXPECT_EQ(iterateSubpathsAtPath(top, &skipper, &counted), 0u);
    EXPECT_EQ(skipper.events, (QStringList {"enter top 0", "exit top 0"}));
}

TEST_F(IterationTest, RememberedSizeAndDates)
{
    const QString file = tree.writeFile("f.bin", QByteArray(1000, 'x'));
    tree.writeFile("d/one", QByteArray(10, 'x'));
    tree.writeFile("d/two/three", QByteArray(32, 'x'));
    const QString folder = tree.filePath("d");
    for (const QString& path : {file, folder}) {
        SCOPED_TRACE(path.toStdString());
        const std::uint64_t size = path == file ? 1000 : 42;
        const QDateTime created = fileCreationDateAtPath(path);
        const QDateTime modified = fileModificationDateAtPath(path);
        EXPECT_TRUE(fileExistsAtPath(path, size, created, modified, 2));
        EXPECT_FALSE(fileExistsAtPath(path, size + 1, created, modified, 2));
        EXPECT_FALSE(fileExistsAtPath(path, size, created.addSecs(-5), modified, 2));
        EXPECT_FALSE(fileExistsAtPath(path, size, created, modified, 0));
    }
    EXPECT_FALSE(fileExistsAtPath(tree.filePath("none"), 0, QDateTime::currentDateTime(),
                                  QDateTime::currentDateTime(), 100));
}

TEST_F(IterationTest, ListedFilesAreRemovedAndLogged)
{
    tree.writeFile("dir/a", "1");
    tree.writeFile("dir/b", "2");
    directoryRemoveFiles(tree.filePath("dir"), {"a", "missing", "b"});
    EXPECT_EQ(log.lines(), (QStringList {"Removed: " + tree.filePath("dir/a"), "Removed: " + tree.filePath("dir/b")}));
}

TEST_F(IterationTest, TemporaryFileRemovesItsItemWithTheLastOwner)
{
    tree.writeFile("tmpdir/inner/x", "x");
    const QString file = tree.writeFile("tmp.txt", "x");
    auto folderOwner = TemporaryFile::temporaryFileWithPath(tree.filePath("tmpdir"));
    auto second = folderOwner;
    folderOwner.reset();
    EXPECT_TRUE(QFileInfo::exists(tree.filePath("tmpdir/inner/x")));
    second.reset();
    EXPECT_FALSE(QFileInfo::exists(tree.filePath("tmpdir")));
    {
        TemporaryFile gone(file);
        ASSERT_TRUE(QFile::remove(file));
        TemporaryFile none {QString()};
        EXPECT_TRUE(none.path().isNull());
    }
    EXPECT_TRUE(log.lines().isEmpty());
}

} // namespace
} // namespace sorvant
