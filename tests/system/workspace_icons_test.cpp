#include "system/workspace_icons.h"

#include "platform/file_system_representation.h"
#include "platform/mime_database.h"
#include "platform/url.h"
#include "system/icon_theme.h"
#include "system/mime_applications.h"
#include "tests/support/cut_mime_cache.h"
#include "tests/support/temp_tree.h"
#include "tests/system/desktop_test_support.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

// A theme of one-colour squares, so a pixel tells which file was used.
class WorkspaceIcons : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString icons = desktop.home.tree.makeDir("icons");
        writeTheme("Test", "Inherits=hicolor\nDirectories=16x16/mimetypes,48x48/mimetypes,scalable/apps\n"
                           "[16x16/mimetypes]\nSize=16\n[48x48/mimetypes]\nSize=48\n"
                           "[scalable/apps]\nSize=48\nType=Scalable\nMinSize=8\nMaxSize=512\n");
        writeTheme("hicolor", "Directories=16x16/places,48x48/apps\n[16x16/places]\nSize=16\n"
                              "[48x48/apps]\nSize=48\n");
        writeSquare("Test/16x16/mimetypes/text-plain.png", 16, Qt::red);
        writeSquare("Test/48x48/mimetypes/text-plain.png", 48, Qt::green);
        writeSquare("Test/48x48/mimetypes/image-jpeg.png", 48, Qt::yellow);
        writeSquare("hicolor/16x16/places/folder.png", 16, Qt::blue);
        writeSquare("hicolor/48x48/apps/viewer.png", 48, Qt::magenta);
        setIconThemeSearchPaths({icons});
        setIconThemeName("Test");
        clearIconCaches();
    }
    void TearDown() override
    {
        setIconThemeSearchPaths({});
        setIconThemeName({});
        clearIconCaches();
    }
    void writeTheme(const QString& name, const QByteArray& index)
    {
        desktop.home.tree.writeFile("icons/" + name + "/index.theme", "[Icon Theme]\nName=" + name.toUtf8() + "\n" + index);
    }
    void writeSquare(const QString& relative, int size, Qt::GlobalColor color)
    {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(color);
        const QString path = desktop.home.tree.writeFile("icons/" + relative);
        ASSERT_TRUE(image.save(path, "PNG"));
    }
    static QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

    test::DesktopHome desktop;
};

// Through UTF-8 such a folder was another, missing item: typed "" and drawn
// with a document's icon.
TEST_F(WorkspaceIcons, AFolderNamedInBytesThatAreNotUTF8IsAFolder)
{
    const QByteArray bytes = QFile::encodeName(desktop.home.tree.path()) + "/bad\xFF\xFEname";
    test::makeDirBytes(bytes);
    const QString folder = stringWithFileSystemRepresentation(bytes);
    EXPECT_EQ(fileTypeForPath(folder), "'fldr'");
    const QString plain = desktop.home.tree.makeDir("plain");
    EXPECT_EQ(iconForFile(folder, true, QSize(32, 32)), iconForFile(plain, true, QSize(32, 32)));
    const QByteArray package = QFile::encodeName(desktop.home.tree.path()) + "/b\xFF.app";
    test::makeDirBytes(package);
    EXPECT_EQ(fileTypeForPath(stringWithFileSystemRepresentation(package)), "app");
}

TEST_F(WorkspaceIcons, TypesOfPathsAndURLs)
{
    const QString folder = desktop.home.tree.makeDir("plain");
    const QString bundle = desktop.home.tree.makeDir("Notes.TEXTBUNDLE");
    const QString app = desktop.home.tree.makeDir("Tool.app");
    EXPECT_EQ(fileTypeForPath(folder), "'fldr'");
    EXPECT_EQ(fileTypeForPath(bundle), "TEXTBUNDLE");
    EXPECT_EQ(fileTypeForPath(app), "app");
    EXPECT_EQ(fileTypeForPath("/missing/a.txt"), "txt");
    EXPECT_EQ(fileTypeForPath("/missing/noext"), "");
    EXPECT_TRUE(fileTypeForPath({}).isNull());

    const struct {
        const char* url;
        const char* type;
        const char* schemeType;
    } urls[] = {
        {"http://h/a/", "'fldr'", "webloc"},       {"HTTPS://h/a.html", "html", "webloc"},
        {"http://h/a?q=1", "", "webloc"},          {"sftp://h/x.tar", "tar", "ftploc"},
        {"nntp://h/g", "'fldr'", "newsloc"},       {"mailto:a@b.org", "'fldr'", "mailloc"},
        {"addressbook://x", "'fldr'", "vcf"},      {"gopher://h/x.txt", "txt", "inetloc"},
    };
    for (const auto& row : urls) {
        SCOPED_TRACE(row.url);
        const URL url = URL::URLWithString(row.url);
        EXPECT_EQ(fileTypeForURL(url), row.type);
        EXPECT_EQ(fileTypeForURLScheme(url), row.schemeType);
    }
    // A file URL takes its path's extension, even for a folder.
    EXPECT_EQ(fileTypeForURL(URL::fileURLWithPath(folder, true)), "");
    EXPECT_EQ(fileTypeForURLScheme(URL::fileURLWithPath(folder, true)), "'fldr'");
}

TEST_F(WorkspaceIcons, ThemeIconsAreChosenBySizeAndScaled)
{
    const QImage small = cachedIconForFileType("txt", true, QSize(16, 16));
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(centre(small), QColor(Qt::red));
    const QImage large = cachedIconForFileType("txt", true, QSize(40, 40));
    EXPECT_EQ(large.size(), QSize(40, 40));
    EXPECT_EQ(centre(large), QColor(Qt::green));
    // Inherited theme: the folder and the application icons are hicolor's.
    EXPECT_EQ(centre(cachedFolderIcon()), QColor(Qt::blue));
    const QString app = desktop.writeApplication("viewer.desktop", "Viewer", "viewer", "Icon=viewer\n");
    const QImage appIcon = cachedIconForApp(app);
    EXPECT_EQ(appIcon.size(), QSize(16, 16));
    EXPECT_EQ(centre(appIcon), QColor(Qt::magenta));
    EXPECT_TRUE(cachedIconForApp({}).isNull());
}

TEST_F(WorkspaceIcons, ShippedPicturesStandInForAMissingTheme)
{
    setIconThemeSearchPaths({desktop.home.tree.filePath("no-icons-here")});
    const QImage folder = cachedFolderIcon();
    ASSERT_FALSE(folder.isNull());
    EXPECT_EQ(centre(folder), QColor(235, 196, 110));
    const QImage document = iconForFileType("zzz", true, QSize(32, 32));
    ASSERT_FALSE(document.isNull());
    EXPECT_EQ(document.size(), QSize(32, 32));
    EXPECT_EQ(document.pixelColor(2, 2).alpha(), 0) << "the corner is transparent";
    const QString app = desktop.writeApplication("x.desktop", "X", "x", "Icon=missing-icon\n");
    EXPECT_FALSE(cachedIconForApp(app).isNull());
}

TEST_F(WorkspaceIcons, OneCacheEntryServesEquivalentRequests)
{
    const QImage jpeg = cachedIconForFileType("JPEG", true, QSize(16, 16));
    EXPECT_EQ(centre(jpeg), QColor(Qt::yellow));
    EXPECT_EQ(cachedIconForFileType("jpe", true, QSize(16, 16)).cacheKey(), jpeg.cacheKey());
    EXPECT_EQ(cachedIconForFileType("jpg", false, QSize(16, 16)).cacheKey(), jpeg.cacheKey());
    EXPECT_NE(cachedIconForFileType("jpg", true, QSize(32, 32)).cacheKey(), jpeg.cacheKey());
    EXPECT_TRUE(cachedIconForFileType({}, true, QSize(16, 16)).isNull());
}

TEST_F(WorkspaceIcons, TheCachesServeSeveralThreads)
{
    const QStringList types {"txt", "jpg", "'fldr'", "zzz"};
    std::vector<std::thread> threads;
    std::atomic<int> nulls {0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                const QSize size(16 + (i + t) % 3 * 8, 16 + (i + t) % 3 * 8);
                if (cachedIconForFileType(types.at((i + t) % types.size()), true, size).isNull())
                    ++nulls;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(nulls.load(), 0);
}

TEST_F(WorkspaceIcons, AMissingCustomIconIsRememberedToo)
{
    const QString folder = desktop.home.tree.makeDir("deep/plain");
    EXPECT_TRUE(cachedCustomIconForFile(folder, true, QSize(16, 16)).isNull());
    desktop.home.tree.writeFile("deep/plain/Icon\r");
    EXPECT_FALSE(customIconForFile(folder, true, QSize(16, 16)).isNull());
    EXPECT_TRUE(cachedCustomIconForFile(folder, true, QSize(16, 16)).isNull()) << "answered from the cache";
    EXPECT_FALSE(cachedCustomIconForFile(folder, true, QSize(32, 32)).isNull());
}

// A relative entry in XDG_DATA_DIRS would make theme and association
// lookups depend on the working folder; every searched path is absolute.
// The user's cache a truncated copy of the system's, the user's folder
// named first in the data folders too (as sandboxed sessions do): icons,
// types, Open With's types and the kinds' comments still answer, in a
// process of their own so that whatever a library keeps of the caches
// before does not hide a fault.
TEST_F(WorkspaceIcons, ATruncatedUserCacheReachesNoLibrary)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QByteArray half = test::halfOfTheSystemMimeCache();
    if (half.isEmpty())
        GTEST_SKIP() << "no system MIME cache to cut";
    desktop.home.tree.writeFile("home/.local/share/mime/mime.cache", half);
    qputenv("XDG_DATA_DIRS", (desktop.dataHome + ':' + qgetenv("XDG_DATA_DIRS")).toUtf8());
    const QString file = desktop.home.tree.writeFile("a.txt", "words\n");
    EXPECT_EXIT(
        {
            const QImage icon = iconForFile(file, true, QSize(48, 48));
            const QString type = mimeTypeForPath(file);
            const QStringList types = mimeTypeAndAncestors(type);
            (void)applicationsForMimeType(type);
            const QString kind = mimeTypeComment(type);
            std::exit(centre(icon) == QColor(Qt::green) && type == "text/plain" && types.contains("text/plain")
                              && kind != type
                          ? 0
                          : 3);
        },
        testing::ExitedWithCode(0), "");
}

TEST(SearchFolders, RelativeDataDirsAreIgnored)
{
    test::TemporaryHome home;
    const QByteArray saved = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "share:/opt/data/");
    const QStringList icons = iconThemeSearchPaths();
    const QStringList lists = mimeAppsListFiles();
    qputenv("XDG_DATA_DIRS", saved);
    for (const QStringList& paths : {icons, lists}) {
        for (const QString& path : paths) {
            SCOPED_TRACE(path.toStdString());
            EXPECT_TRUE(path.startsWith(u'/'));
        }
    }
    EXPECT_TRUE(icons.contains(QStringLiteral("/opt/data/icons")));
    EXPECT_TRUE(lists.contains(QStringLiteral("/opt/data/applications/mimeapps.list")));
}

} // namespace
} // namespace sorvant
