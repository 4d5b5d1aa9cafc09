#include "system/file_names.h"

#include "platform/file_system_representation.h"
#include "platform/user_defaults.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Registers "DisableStrictFilenames" for the life of the object.
class LenientFilenames
{
public:
    LenientFilenames() { UserDefaults::standardUserDefaults().registerDefaults({{"DisableStrictFilenames", true}}); }
    ~LenientFilenames() { UserDefaults::standardUserDefaults().registerDefaults({{"DisableStrictFilenames", false}}); }
};

TEST(FileNames, StrictNamesStripEndsAndReplaceForbiddenCharacters)
{
    struct Row { const char* title; const char* strict; const char* lenient; };
    const Row rows[] = {
        {":Report: a/b?.", "Report- a-b-", "Report- a-b?"},
        {"\"Quote\" 100% <ok> | *x* \\y", "'Quote' 100- -ok- - -x- -y", "\"Quote\" 100% <ok> | *x* \\y"},
        {"__..name..__", "name", "name"},
        {"...", "", ""},
        {"a\xEE\x80\x80" "b", "a b", "a b"},           // private use becomes a space
        {"e\xCC\x81t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},   // normalized to form C
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        EXPECT_EQ(stringByCreatingFilename(QString::fromUtf8(row.title)), QString::fromUtf8(row.strict));
        EXPECT_EQ(stringByCreatingFilename(QString::fromUtf8(row.title), false), QString::fromUtf8(row.lenient));
    }
    EXPECT_TRUE(stringByCreatingFilename(QString()).isNull());
    EXPECT_EQ(stringByCreatingFilename(""), "");
}

TEST(FileNames, TheUserDefaultTurnsStrictModeOff)
{
    LenientFilenames lenient;
    EXPECT_EQ(stringByCreatingFilename(":Report: a/b?."), "Report- a-b?");
}

TEST(FileNames, LongNamesAreCutToUnitsThenToBytes)
{
    QString title(300, QLatin1Char('x'));
    createFilename(title);
    EXPECT_EQ(title.size(), 250);

    QString accented(250, QChar(0x00E9));   // 2 bytes each in UTF-8
    createFileSystemRepresentation(accented);
    EXPECT_EQ(accented.size(), 124);
    EXPECT_LE(fileSystemRepresentation(accented).size(), kFilenameMaxBytes);

    // A pair at the cut goes whole: never half a character.
    QString emoji = QString(246, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80");
    createFileSystemRepresentation(emoji);
    EXPECT_EQ(emoji, QString(246, QLatin1Char('a')));
    EXPECT_EQ(stringByCreatingFileSystemRepresentation(QString()), QString());
    EXPECT_EQ(stringByCreatingFileSystemRepresentation("short"), "short");
}

TEST(FileNames, AppendingAnExtensionLeavesItsRoom)
{
    struct Row { QString name; QString extension; QString expected; };
    const Row rows[] = {
        {"Report", "pdf", "Report.pdf"},
        {"Report.pdf", "pdf", "Report.pdf"},
        {"", "pdf", ".pdf"},
        {"Report", "", "Report"},
        {"Report", QString(18, 'e'), "Report"},
        {QString(300, 'x'), "pdf", QString(245, 'x') + ".pdf"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.left(20).toStdString() + " / " + row.extension.toStdString());
        const QString result = stringByCreatingFileSystemRepresentationByAppendingExtension(row.name, row.extension);
        EXPECT_EQ(result, row.expected);
        EXPECT_LE(fileSystemRepresentation(result).size(), kFilenameMaxBytes);
    }
    EXPECT_TRUE(stringByCreatingFileSystemRepresentationByAppendingExtension(QString(), "pdf").isNull());
    // A name of non-ASCII letters leaves room for the extension in bytes.
    const QString long2 = stringByCreatingFileSystemRepresentationByAppendingExtension(QString(200, QChar(0x00E9)), "pdf");
    EXPECT_TRUE(long2.endsWith(".pdf"));
    EXPECT_EQ(fileSystemRepresentation(long2).size(), 248);
}

TEST(FileNames, CharacterAndExtensionTests)
{
    EXPECT_TRUE(containsInvalidFilenameCharacters(QString::fromUtf8("a\xEE\x80\x80")));
    EXPECT_TRUE(containsInvalidFilenameCharacters(QString(QChar(0))));
    EXPECT_FALSE(containsInvalidFilenameCharacters("abc"));
    EXPECT_FALSE(containsInvalidFilenameCharacters(QString()));
    EXPECT_TRUE(isPath("/x"));
    EXPECT_TRUE(isPath("~"));
    EXPECT_FALSE(isPath("x/"));
    EXPECT_FALSE(isPath(""));
    for (const char* valid : {"pdf", "MP3", "a", "x1234567890123456"}) {
        SCOPED_TRACE(valid);
        EXPECT_TRUE(isValidPathExtension(QString::fromUtf8(valid)));
    }
    for (const char* invalid : {"", "tar.gz", "a-b", "x123456789012345678"}) {
        SCOPED_TRACE(invalid);
        EXPECT_FALSE(isValidPathExtension(QString::fromUtf8(invalid)));
    }
}

TEST(FileNames, ExtensionsOfPathsAndAddresses)
{
    struct Row { const char* path; const char* valid; const char* lower; };
    const Row rows[] = {
        {"/a/page.html?x=1", "html", "html?x=1"},
        {"/a/B.TXT", "txt", "txt"},   // valid keeps the case, lower folds it
        {".Profile", "", "profile"},
        {"a.", "", ""},
        {"a.b/c", "", nullptr},
        {"a", "", nullptr},
        {"/a/x.y-z", "", "y-z"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const QString path = QString::fromUtf8(row.path);
        EXPECT_EQ(validPathExtension(path).toLower(), QString::fromUtf8(row.valid));
        const QString lower = lowercasePathExtension(path);
        EXPECT_EQ(lower.isNull(), row.lower == nullptr);
        if (row.lower) {
            EXPECT_EQ(lower, QString::fromUtf8(row.lower));
        }
    }
    EXPECT_EQ(validPathExtension("/a/B.TXT"), "TXT");
    EXPECT_EQ(lowercasePathExtension(QString::fromUtf8("x.\xC3\x89T\xC3\x89")), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
}

TEST(FileNames, AppendingAndReplacingExtensions)
{
    EXPECT_EQ(stringByAppendingPathExtensionIfNecessary("a.PDF", "pdf"), "a.PDF");
    EXPECT_EQ(stringByAppendingPathExtensionIfNecessary("a", "pdf"), "a.pdf");
    EXPECT_EQ(stringByAppendingPathExtensionIfNecessary("a.txt", "pdf"), "a.txt.pdf");
    EXPECT_EQ(stringByAppendingPathExtensionIfNecessary("a", ""), "a");
    EXPECT_EQ(stringByAppendingPathExtensionIfNecessary("a", QString()), "a");
    EXPECT_EQ(stringByReplacingPathExtensionWith("/x/a.txt", "md"), "/x/a.md");
    EXPECT_EQ(stringByReplacingPathExtensionWith("a", "md"), "a.md");
    EXPECT_EQ(stringByReplacingPathExtensionWith("a.md", "md"), "a.md");
    EXPECT_EQ(stringByReplacingPathExtensionWith("a.MD", "md"), "a.md");
    EXPECT_EQ(stringByReplacingPathExtensionWith("a.txt", QString()), "a.txt");
}

TEST(FileNames, DeletingFileComponents)
{
    EXPECT_EQ(stringByDeletingFileComponent("/a/b/"), "/a/b");
    EXPECT_EQ(stringByDeletingFileComponent("/a/b"), "/a");
    EXPECT_EQ(stringByDeletingFileComponent("/"), "");
    EXPECT_EQ(stringByDeletingFileComponent(""), "");
    EXPECT_TRUE(stringByDeletingFileComponent(QString()).isNull());
}

TEST(FileNames, StandardizingWithoutTheDisk)
{
    struct Row { const char* path; QStringList components; const char* joined; };
    const Row rows[] = {
        {"/a/./b//../c/", {"/", "a", "c"}, "/a/c"},
        {"../..", {}, ""},
        {"a/../../b", {"b"}, "b"},
        {"/..", {"/"}, ""},
        {"/a/../..", {"/"}, ""},
        {"/", {"/"}, ""},
        {"", {}, ""},
        {"x/y", {"x", "y"}, "x/y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(standardizedPathComponents(QString::fromUtf8(row.path)), row.components);
        EXPECT_EQ(standardizedPath(QString::fromUtf8(row.path)), QString::fromUtf8(row.joined));
    }
}

TEST(FileNames, Containment)
{
    struct Row { const char* path; const char* folder; bool inside; };
    const Row rows[] = {
        {"/a/b", "/a", true}, {"/a", "/a/", true}, {"/a/", "/a", true}, {"/a", "/a", true},
        {"/ab", "/a", false}, {"/a", "/a/b", false}, {"/a", "/", false}, {"/a", "///", false},
        {"/A/b", "/a", false}, {"/a", "", false}, {"", "/a", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path) + " in " + row.folder);
        EXPECT_EQ(pathIsInDirectory(QString::fromUtf8(row.path), QString::fromUtf8(row.folder)), row.inside);
    }
    EXPECT_FALSE(pathIsInDirectory("/a", QString()));
    const QString same = "/a/b";
    EXPECT_TRUE(pathIsInDirectory(same, same));
    EXPECT_TRUE(pathIsInDirectories("/a/b", {"/", "/x", "/a"}));
    EXPECT_FALSE(pathIsInDirectories("/a/b", {"/", "/x"}));
    EXPECT_FALSE(pathIsInDirectories("/a/b", {}));
}

TEST(FileNames, RelativePaths)
{
    struct Row { const char* path; const char* folder; const char* relative; };
    const Row rows[] = {
        {"/a/b/c", "/a", "./b/c"}, {"/a/s", "/a/f", "../s"}, {"/a", "/a", "./"},
        {"/a/./b/", "/a/x/../", "./b"}, {"/x/y", "/a/b", "../../x/y"}, {"/a", "/a/b/c", "../../"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path) + " from " + row.folder);
        EXPECT_EQ(relativePathToDirectory(QString::fromUtf8(row.path), QString::fromUtf8(row.folder)),
                  QString::fromUtf8(row.relative));
    }
}

} // namespace
} // namespace sorvant
