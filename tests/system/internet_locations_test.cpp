#include "system/internet_locations.h"

#include "platform/url.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(InternetLocations, ExtensionsAndTypeCodesAreRecognized)
{
    EXPECT_EQ(InternetLocationTypes().size(), 22);
    EXPECT_TRUE(isInternetLocationExtension("WEBLOC", {}));
    EXPECT_TRUE(isInternetLocationExtension("txt", "'ilvn'"));
    EXPECT_TRUE(isInternetLocationExtension({}, "'LINK'"));
    EXPECT_FALSE(isInternetLocationExtension("txt", "'TEXT'"));
    EXPECT_FALSE(isInternetLocationExtension({}, {}));
}

TEST(InternetLocations, ExtensionsForAddresses)
{
    const struct {
        const char* address;
        const char* extension;
    } strings[] = {
        {"HTTPS://x.org", "webloc"}, {"/tmp/a", "fileloc"}, {"~/a", "fileloc"}, {"file:///a", "fileloc"},
        {"ftp://h", "ftploc"},       {"nntp://h", "newsloc"}, {"mailto:someone@x.org", "mailloc"},
        {"a@b.cd", "mailloc"},       {"VNC://h", "vncloc"},  {"other:thing", "inetloc"}, {"", nullptr},
    };
    for (const auto& row : strings) {
        SCOPED_TRACE(row.address);
        EXPECT_EQ(pathExtensionForInternetLocation(QString::fromUtf8(row.address)),
                  row.extension ? QString::fromUtf8(row.extension) : QString());
    }
    EXPECT_TRUE(pathExtensionForInternetLocation(QString()).isNull());
    EXPECT_EQ(pathExtensionForInternetLocation(URL::URLWithString("sftp://h/x")), "ftploc");
    EXPECT_EQ(pathExtensionForInternetLocation(URL::URLWithString("NEWS://h")), "newsloc");
    EXPECT_EQ(pathExtensionForInternetLocation(URL::fileURLWithPath("/x")), "fileloc");
    EXPECT_EQ(pathExtensionForInternetLocation(URL::URLWithString("gopher://h")), "inetloc");
    EXPECT_TRUE(pathExtensionForInternetLocation(URL()).isNull());
}

TEST(InternetLocations, TextFormsAreReadByTheirURLLine)
{
    test::TempTree tree;
    const struct {
        const char* contents;
        const char* address;
    } cases[] = {
        {"[InternetShortcut]\nurl=  http://a.org/x  \nIconIndex=0\n", "http://a.org/x"},
        {"  http://bare.org  \n", "http://bare.org"},
        {"first\nsecond\n", nullptr},
        {"[InternetShortcut]\nURL=\n", nullptr},
        {"", nullptr},
    };
    int n = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.contents);
        const QString path = tree.writeFile(QString("f%1.URL").arg(n++), row.contents);
        QString name = "stale";
        EXPECT_EQ(resolveInternetLocation(path, &name), row.address ? QString(row.address) : QString());
        EXPECT_TRUE(name.isNull());
    }
}

TEST(InternetLocations, WrittenFilesReadBack)
{
    test::TempTree tree;
    const QString text = tree.filePath("a.url");
    ASSERT_TRUE(createURL(URL::URLWithString("http://h.org/p?q=1"), text));
    EXPECT_EQ(resolveInternetLocation(text), "http://h.org/p?q=1");

    const QString list = tree.filePath("a.webloc");
    ASSERT_TRUE(createInternetLocation(QString("mailto:x@y.org"), list));
    EXPECT_TRUE(isInternetLocationFile(list));
    EXPECT_EQ(resolveInternetLocation(list), "mailto:x@y.org");

    EXPECT_FALSE(createInternetLocation(QString(), tree.filePath("b.webloc")));
    EXPECT_FALSE(createInternetLocation(QString("x"), QString()));
    EXPECT_FALSE(createURL(URL(), tree.filePath("b.url")));
    EXPECT_FALSE(createURL(QString("x"), tree.filePath("missing/folder/b.url")));
}

TEST(InternetLocations, PropertyListsWithoutURLGiveNothing)
{
    test::TempTree tree;
    const QString path = tree.writeFile("n.webloc",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Name</key><string>N</string></dict></plist>");
    QString name = "stale";
    EXPECT_TRUE(resolveInternetLocation(path, &name).isNull());
    EXPECT_TRUE(name.isNull());
    const QString named = tree.writeFile("m.webloc",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>URL</key><string>http://u</string>"
        "<key>Name</key><string>Home</string></dict></plist>");
    EXPECT_EQ(resolveInternetLocation(named, &name), "http://u");
    EXPECT_EQ(name, "Home");
    EXPECT_TRUE(resolveInternetLocation(tree.writeFile("x.txt", "http://u")).isNull());
    EXPECT_TRUE(resolveInternetLocation(tree.writeFile("junk.webloc", "junk")).isNull());
}

} // namespace
} // namespace sorvant
