#include "platform/path_semantics.h"

#include "tests/support/temporary_home.h"

#include "platform/file_system_representation.h"
#include "tests/support/temp_tree.h"

#include <QDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace sorvant {
namespace {

struct Case {
    const char* input;
    const char* expected;   // nullptr: a null result
};

QString arg(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

void checkTable(QString (*function)(const QString&), std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input ? c.input : "(null)");
        const QString result = function(arg(c.input));
        if (!c.expected) {
            EXPECT_TRUE(result.isNull()) << result.toStdString();
        } else {
            EXPECT_FALSE(result.isNull());
            EXPECT_EQ(result, QString::fromUtf8(c.expected));
        }
    }
}

TEST(PathSemantics, ComponentsKeepRootAndTrailingSlash)
{
    struct Row { const char* path; QStringList components; };
    const Row rows[] = {
        {"/tmp/scratch.tiff", {"/", "tmp", "scratch.tiff"}},
        {"tmp/scratch.tiff", {"tmp", "scratch.tiff"}},
        {"/tmp/", {"/", "tmp", "/"}},
        {"/tmp//x///", {"/", "tmp", "x", "/"}},
        {"/", {"/"}},
        {"//", {"/"}},
        {"", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(pathComponents(QString::fromUtf8(row.path)), row.components);
    }
    EXPECT_TRUE(pathComponents(QString()).isEmpty());
}

TEST(PathSemantics, ComponentsJoinBackToTheFixedPath)
{
    for (const char* path : {"/tmp/scratch.tiff", "a/b/c", "/", "/tmp/", "/a//b"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(pathWithComponents(pathComponents(QString::fromUtf8(path))),
                  stringByStandardizingPath(QString::fromUtf8(path)));
    }
    EXPECT_EQ(pathWithComponents({}), QString(""));
    EXPECT_FALSE(pathWithComponents({}).isNull());
}

TEST(PathSemantics, LastComponent)
{
    checkTable(lastPathComponent, {
        {"/tmp/scratch.tiff", "scratch.tiff"}, {"/tmp/scratch", "scratch"}, {"/tmp/", "tmp"},
        {"scratch///", "scratch"}, {"/", "/"}, {"//", "/"}, {"scratch", "scratch"},
        {"", ""}, {nullptr, nullptr},
    });
}

TEST(PathSemantics, DeletingLastComponent)
{
    checkTable(stringByDeletingLastPathComponent, {
        {"/tmp/scratch.tiff", "/tmp"}, {"/tmp/lock/", "/tmp"}, {"/tmp/", "/"}, {"/tmp", "/"},
        {"/", "/"}, {"scratch.tiff", ""}, {"a//b//", "a"}, {"/a//b", "/a"}, {"//a", "/"},
        {"", ""}, {nullptr, nullptr},
    });
}

TEST(PathSemantics, AppendingComponent)
{
    struct Row { const char* path; const char* component; const char* expected; };
    const Row rows[] = {
        {"/tmp", "scratch.tiff", "/tmp/scratch.tiff"}, {"/tmp/", "scratch.tiff", "/tmp/scratch.tiff"},
        {"/", "scratch.tiff", "/scratch.tiff"}, {"", "scratch.tiff", "scratch.tiff"},
        {"/tmp", "/x/", "/tmp/x"}, {"/tmp", "", "/tmp"}, {"/tmp//", nullptr, "/tmp"},
        {nullptr, "x", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path ? row.path : "(null)") + " + " + (row.component ? row.component : "(null)"));
        const QString result = stringByAppendingPathComponent(arg(row.path), arg(row.component));
        EXPECT_EQ(result.isNull(), row.expected == nullptr);
        EXPECT_EQ(result, arg(row.expected));
    }
}

TEST(PathSemantics, Extensions)
{
    checkTable(pathExtension, {
        {"/tmp/scratch.tiff", "tiff"}, {".scratch.tiff", "tiff"}, {"/tmp/scratch", ""}, {"/tmp/", ""},
        {"/tmp/scratch..tiff", "tiff"}, {"a.tar.gz", "gz"}, {".bashrc", ""}, {"/x/.bashrc", ""},
        {"name.", ""}, {"dir.app/", "app"}, {"a.b/c", ""}, {"", ""}, {nullptr, nullptr},
    });
    checkTable(stringByDeletingPathExtension, {
        {"/tmp/scratch.tiff", "/tmp/scratch"}, {"/tmp/", "/tmp"}, {"scratch.bundle/", "scratch"},
        {"scratch..tiff", "scratch."}, {".bashrc", ".bashrc"}, {"a.b/c", "a.b/c"}, {"/", "/"},
        {"", ""}, {nullptr, nullptr},
    });
}

TEST(PathSemantics, AppendingExtension)
{
    struct Row { const char* path; const char* extension; const char* expected; };
    const Row rows[] = {
        {"/tmp/scratch.old", "tiff", "/tmp/scratch.old.tiff"}, {"/tmp/scratch.", "tiff", "/tmp/scratch..tiff"},
        {"/tmp/", "tiff", "/tmp.tiff"}, {"scratch", "tiff", "scratch.tiff"}, {"x", "", "x."},
        {"/", "tiff", nullptr}, {"", "tiff", nullptr}, {"x", "a/b", nullptr}, {"~", "tiff", nullptr},
        {nullptr, "tiff", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path ? row.path : "(null)") + " . " + row.extension);
        const QString result = stringByAppendingPathExtension(arg(row.path), arg(row.extension));
        EXPECT_EQ(result.isNull(), row.expected == nullptr);
        EXPECT_EQ(result, arg(row.expected));
    }
}

TEST(PathSemantics, AbsolutePaths)
{
    EXPECT_TRUE(isAbsolutePath("/tmp"));
    EXPECT_TRUE(isAbsolutePath("~/x"));
    EXPECT_FALSE(isAbsolutePath("tmp"));
    EXPECT_FALSE(isAbsolutePath(""));
    EXPECT_FALSE(isAbsolutePath(QString()));
}

TEST(PathSemantics, TildeFollowsHome)
{
    test::TemporaryHome home;
    home.setVariableBytes("HOME", "/home/me/");
    EXPECT_EQ(NSHomeDirectory(), "/home/me");
    checkTable(stringByExpandingTildeInPath, {
        {"~", "/home/me"}, {"~/x", "/home/me/x"}, {"~/", "/home/me"}, {"/tmp/~", "/tmp/~"},
        {"~nosuchuser-sorvant/x", "~nosuchuser-sorvant/x"}, {"x~", "x~"}, {"", ""}, {nullptr, nullptr},
    });
    checkTable(stringByAbbreviatingWithTildeInPath, {
        {"/home/me", "~"}, {"/home/me/x", "~/x"}, {"/home/me/", "~"}, {"/home/meadow", "/home/meadow"},
        {"/home", "/home"}, {"", ""}, {nullptr, nullptr},
    });
    const QString rootHome = homeDirectoryForUser("root");
    if (!rootHome.isEmpty()) {
        EXPECT_EQ(stringByExpandingTildeInPath("~root/x"), rootHome + "/x");
    }
    EXPECT_TRUE(homeDirectoryForUser("").isNull());
}

TEST(PathSemantics, RootHomeIsNeverAbbreviated)
{
    test::TemporaryHome home;
    home.setVariableBytes("HOME", "/");
    EXPECT_EQ(stringByAbbreviatingWithTildeInPath("/tmp"), "/tmp");
    EXPECT_EQ(stringByExpandingTildeInPath("~/tmp"), "/tmp");
}

TEST(PathSemantics, TemporaryDirectoryEndsInSlash)
{
    EXPECT_TRUE(NSTemporaryDirectory().endsWith('/'));
    EXPECT_TRUE(NSTemporaryDirectory().startsWith('/'));
}

TEST(PathSemantics, Standardizing)
{
    test::TemporaryHome home;
    home.setVariableBytes("HOME", "/home/me");
    checkTable(stringByStandardizingPath, {
        {"/a/./b//../c/", "/a/c"}, {"~/x/", "/home/me/x"}, {"/..", "/"}, {"/../a", "/a"},
        {"a/../b", "a/../b"}, {"./a", "a"}, {".", "."}, {"/", "/"}, {"//", "/"},
        {"/a/b/../../..", "/"}, {"", ""}, {nullptr, nullptr},
    });
}

class PathResolution : public ::testing::Test
{
protected:
    test::TempTree tree;
    // The temporary folder itself may sit behind a link (/tmp on some systems).
    QString real(const QString& relative) const
    {
        return stringByResolvingSymlinksInPath(tree.path()) + "/" + relative;
    }
    void link(const QString& target, const QString& at)
    {
        ASSERT_EQ(::symlink(fileSystemRepresentation(target).constData(),
                            fileSystemRepresentation(tree.filePath(at)).constData()), 0);
    }
};

TEST_F(PathResolution, FollowsAbsoluteAndRelativeLinks)
{
    tree.makeDir("real/sub");
    link(tree.filePath("real"), "absolute");
    link("real/sub", "relative");
    link("../../real", "real/sub/up");
    EXPECT_EQ(stringByResolvingSymlinksInPath(tree.filePath("absolute/sub")), real("real/sub"));
    EXPECT_EQ(stringByResolvingSymlinksInPath(tree.filePath("relative/")), real("real/sub"));
    EXPECT_EQ(stringByResolvingSymlinksInPath(tree.filePath("relative/up/sub")), real("real/sub"));
}

TEST_F(PathResolution, DotDotAfterALinkLeavesTheTarget)
{
    tree.makeDir("a/b");
    tree.makeDir("c");
    link(tree.filePath("a/b"), "c/link");
    // Physically, link/.. is a, not c.
    EXPECT_EQ(stringByResolvingSymlinksInPath(tree.filePath("c/link/..")), real("a"));
}

TEST_F(PathResolution, KeepsAMissingTail)
{
    tree.makeDir("real");
    link(tree.filePath("real"), "link");
    EXPECT_EQ(stringByResolvingSymlinksInPath(tree.filePath("link/missing/./deeper/../x/")),
              real("real/missing/x"));
    link(tree.filePath("gone"), "dangling");
    EXPECT_EQ(stringByResolvingSymlinksInPath(tree.filePath("dangling/x")), real("gone/x"));
}

TEST_F(PathResolution, LoopsEndWithThePathUnresolved)
{
    link(tree.filePath("b"), "a");
    link(tree.filePath("a"), "b");
    link("self", "self");
    for (const char* name : {"a/x", "self", "b"}) {
        SCOPED_TRACE(name);
        const QString path = tree.filePath(QString::fromUtf8(name));
        EXPECT_EQ(stringByResolvingSymlinksInPath(path), stringByStandardizingPath(path));
    }
}

TEST_F(PathResolution, NonUtf8NamesSurvive)
{
    const QString name = stringWithFileSystemRepresentation(QByteArray("bad\xFF\xFEname"));
    tree.makeDir(name);
    link(tree.filePath(name), "link");
    const QString resolved = stringByResolvingSymlinksInPath(tree.filePath("link"));
    EXPECT_EQ(resolved, real(name));
    EXPECT_EQ(fileSystemRepresentation(lastPathComponent(resolved)), QByteArray("bad\xFF\xFEname"));
}

TEST(PathSemantics, ResolvingRelativeOrEmptyPathsOnlyStandardizes)
{
    EXPECT_EQ(stringByResolvingSymlinksInPath("a/./b/"), "a/b");
    EXPECT_EQ(stringByResolvingSymlinksInPath("/"), "/");
    EXPECT_EQ(stringByResolvingSymlinksInPath(""), "");
    EXPECT_TRUE(stringByResolvingSymlinksInPath(QString()).isNull());
}

} // namespace
} // namespace sorvant
