#include "system/desktop_entry.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

const QByteArray kViewer = "# comment\n"
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Viewer\n"
                           "Name[de]=Betrachter\n"
                           "Name[de_AT]=Schauer\n"
                           "Name[sr@latin]=Pregled\n"
                           "GenericName=Picture\\sViewer\n"
                           "Icon=viewer-icon\n"
                           "Exec=viewer --open %U\n"
                           "MimeType=image/png;image/jpeg;text/a\\;b;\n"
                           "Terminal=false\n"
                           "DBusActivatable=true\n"
                           "Name=Duplicate\n"
                           "[Desktop Action New]\n"
                           "Name=New Window\n"
                           "Exec=viewer --new\n";

TEST(DesktopEntry, LocalizedNameFollowsTheLocaleRules)
{
    const struct {
        const char* locale;
        const char* name;
    } cases[] = {
        {"C", "Viewer"},          {"de_DE.UTF-8", "Betrachter"}, {"de_AT", "Schauer"},
        {"de_AT@euro", "Schauer"}, {"sr_RS@latin", "Pregled"},   {"sr_RS", "Viewer"},
        {"fr_FR", "Viewer"},      {"de", "Betrachter"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.locale);
        const DesktopEntry entry = DesktopEntry::fromData(kViewer, "/x/viewer.desktop", "viewer.desktop",
                                                          QString::fromLatin1(row.locale));
        EXPECT_EQ(entry.name(), QString::fromUtf8(row.name));
    }
}

TEST(DesktopEntry, ReadsTheKeysOfTheMainGroupOnly)
{
    const DesktopEntry entry = DesktopEntry::fromData(kViewer, "/x/org.v.desktop", "org.v.desktop", "C");
    ASSERT_FALSE(entry.isNull());
    EXPECT_TRUE(entry.isApplication());
    EXPECT_EQ(entry.genericName(), "Picture Viewer");
    EXPECT_EQ(entry.icon(), "viewer-icon");
    EXPECT_EQ(entry.program(), "viewer");
    EXPECT_EQ(entry.mimeTypes(), QStringList({"image/png", "image/jpeg", "text/a;b"}));
    EXPECT_FALSE(entry.terminal());
    EXPECT_TRUE(entry.dbusActivatable());
    EXPECT_EQ(entry.applicationID(), "org.v");
    // The action group's Exec= does not leak into the entry's.
    EXPECT_EQ(entry.exec(), "viewer --open %U");
}

TEST(DesktopEntry, FilesWithoutTheMainGroupAreNull)
{
    EXPECT_TRUE(DesktopEntry::fromData("[Other]\nName=x\n").isNull());
    EXPECT_TRUE(DesktopEntry::fromData("").isNull());
    EXPECT_TRUE(DesktopEntry::fromFile("/nonexistent/x.desktop").isNull());
    const DesktopEntry link = DesktopEntry::fromData("[Desktop Entry]\nType=Link\nName=x\nURL=http://x\n");
    EXPECT_FALSE(link.isNull());
    EXPECT_FALSE(link.isApplication());
}

TEST(DesktopEntry, ExecLinesSplitByTheirQuoting)
{
    const struct {
        const char* exec;
        QStringList arguments;
    } cases[] = {
        {"a \"b c\" d", {"a", "b c", "d"}},
        {"\"x\\\"y\"", {"x\"y"}},
        {"\"a\\$b\\`c\\\\d\"", {"a$b`c\\d"}},
        {"  spaced   out ", {"spaced", "out"}},
        {"\"\"", {""}},
        {"\"open", {}},
        {"", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.exec);
        EXPECT_EQ(splitExecLine(QString::fromUtf8(row.exec)), row.arguments);
    }
}

TEST(DesktopEntry, FieldCodesExpandForPathsAndURLs)
{
    const QStringList items {"/a b", "/c", "http://h/x"};
    const struct {
        const char* exec;
        QList<QStringList> commands;
    } cases[] = {
        {"v %U", {{"v", "file:///a%20b", "file:///c", "http://h/x"}}},
        {"v %F", {{"v", "/a b", "/c"}}},
        {"v %f", {{"v", "/a b"}, {"v", "/c"}, {"v"}}},
        {"v %u", {{"v", "file:///a%20b"}, {"v", "file:///c"}, {"v", "http://h/x"}}},
        {"v", {{"v"}}},
        {"v %i %c --k=%k 100%% %d %m", {{"v", "--icon", "ic", "App", "--k=/e/app.desktop", "100%"}}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.exec);
        const QByteArray data = "[Desktop Entry]\nType=Application\nName=App\nIcon=ic\nExec=" + QByteArray(row.exec) + "\n";
        const DesktopEntry entry = DesktopEntry::fromData(data, "/e/app.desktop", "app.desktop", "C");
        EXPECT_EQ(entry.commandsForItems(items), row.commands);
    }
}

TEST(DesktopEntry, NoItemsStillGivesOneCommand)
{
    const DesktopEntry entry = DesktopEntry::fromData("[Desktop Entry]\nType=Application\nName=A\nExec=v %f\n",
                                                      "/a.desktop", "a.desktop", "C");
    EXPECT_EQ(entry.commandsForItems({}), QList<QStringList>({{"v"}}));
}


} // namespace
} // namespace sorvant
