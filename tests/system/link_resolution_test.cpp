#include "system/link_resolution.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sorvant {
namespace {

class LinkResolution : public ::testing::Test
{
protected:
    void SetUp() override { clearLinkResolutionCache(); }
    void link(const QString& target, const QString& at)
    {
        ASSERT_EQ(::symlink(fileSystemRepresentation(target).constData(),
                            fileSystemRepresentation(tree.filePath(at)).constData()), 0);
    }
    QString real(const QString& relative) const
    {
        return stringByResolvingSymlinksInPath(tree.path()) + "/" + relative;
    }

    test::TempTree tree;
};

TEST_F(LinkResolution, EveryComponentIsResolved)
{
    tree.makeDir("target/inner");
    link(tree.filePath("target"), "outer-link");
    link("inner", "target/inner-link");
    const QString path = tree.filePath("outer-link/./inner-link/missing/");
    EXPECT_EQ(stringByResolvingLinksInPath(path), real("target/inner/missing"));
    // The second answer comes from the cache and is the same.
    EXPECT_EQ(stringByResolvingLinksInPath(path), real("target/inner/missing"));
    EXPECT_EQ(stringByResolvingLinkOfPath(tree.filePath("outer-link")), real("target"));
}

TEST_F(LinkResolution, LoopsAnswerThePathStandardized)
{
    link(tree.filePath("b"), "a");
    link(tree.filePath("a"), "b");
    const QString path = tree.filePath("a/./x");
    EXPECT_EQ(stringByResolvingLinkOfPath(path), stringByStandardizingPath(path));
    EXPECT_EQ(stringByResolvingLinksInPath(path), stringByStandardizingPath(path));
}

TEST_F(LinkResolution, RootVolumesAndEmptyPaths)
{
    EXPECT_EQ(stringByResolvingLinksInPath("/"), "/");
    EXPECT_EQ(stringByResolvingLinksInPath("/Volumes/Disk/a/../b"), "/Volumes/Disk/b");
    EXPECT_EQ(stringByResolvingLinksInPath(""), "");
    EXPECT_TRUE(stringByResolvingLinksInPath(QString()).isNull());
    EXPECT_TRUE(stringByResolvingLinkOfPath(QString()).isNull());
    EXPECT_EQ(stringByResolvingLinksInPath("relative/./x"), "relative/x");
}

TEST_F(LinkResolution, ADanglingLinkResolvesToItsTarget)
{
    link(tree.filePath("gone"), "dangling");
    EXPECT_EQ(stringByResolvingLinkOfPath(tree.filePath("dangling")), real("gone"));
}

TEST_F(LinkResolution, ThreadsShareTheCache)
{
    tree.makeDir("t/a/b");
    link(tree.filePath("t"), "l");
    const QString expected = real("t/a/b");
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            for (int j = 0; j < 200; ++j) {
                if (stringByResolvingLinksInPath(tree.filePath("l/a/b")) != expected)
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace sorvant
