#include "system/file_manager.h"

#include "platform/url.h"
#include "system/opening.h"
#include "tests/system/desktop_test_support.h"
#include "tests/system_dbus/fake_bus_service.h"


#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Waits for the fake service to have received `count` calls.
QList<test::RecordedCall> waitForCalls(const test::FakeBusService& service, int count)
{
    test::waitUntil([&] { return service.calls().size() >= count; });
    return service.calls();
}

class FileManager : public testing::Test
{
protected:
    void SetUp() override
    {
        SORVANT_SKIP_WITHOUT_SESSION_BUS();
        resetFileManagerState();
        previous = setItemOpener(&opener);
    }
    void TearDown() override
    {
        setItemOpener(previous);
        resetFileManagerState();
    }
    test::DesktopHome desktop;
    test::RecordingOpener opener;
    ItemOpener* previous = nullptr;
};

TEST_F(FileManager, ARunningFileManagerShowsItemsAndTheirProperties)
{
    test::FakeBusService service("org.freedesktop.FileManager1");
    ASSERT_TRUE(service.isRegistered());
    EXPECT_TRUE(finderLaunched());
    const QString item = desktop.home.tree.writeFile("dir/a b.txt", "x");
    ASSERT_TRUE(selectFileInFileViewer(item));
    ASSERT_TRUE(showInfoInFileViewerForPath(item));
    EXPECT_FALSE(showInfoInFileViewerForPath(desktop.home.tree.filePath("missing")));
    EXPECT_FALSE(showInfoInFileViewerForPath({}));
    const QList<test::RecordedCall> calls = waitForCalls(service, 2);
    ASSERT_EQ(calls.size(), 2);
    const QStringList uris {URL::fileURLWithPath(item).absoluteString()};
    EXPECT_EQ(calls[0].member, "ShowItems");
    EXPECT_EQ(calls[0].path, "/org/freedesktop/FileManager1");
    EXPECT_EQ(calls[0].interface, "org.freedesktop.FileManager1");
    EXPECT_EQ(calls[0].arguments.value(0).toStringList(), uris);
    EXPECT_EQ(calls[1].member, "ShowItemProperties");
    EXPECT_EQ(calls[1].arguments.value(0).toStringList(), uris);
    EXPECT_TRUE(opener.calls.isEmpty());
}

TEST_F(FileManager, WithoutAFileManagerTheFolderOpens)
{
    EXPECT_FALSE(finderLaunched());
    const QString item = desktop.home.tree.writeFile("dir/a.txt", "x");
    ASSERT_TRUE(selectFileInFileViewer(item));
    ASSERT_EQ(opener.calls.size(), 1);
    EXPECT_TRUE(opener.calls[0].endsWith(desktop.home.tree.filePath("dir"))) << opener.calls[0].toStdString();
    // The answer is kept: a file manager that starts later is not noticed.
    test::FakeBusService service("org.freedesktop.FileManager1");
    EXPECT_FALSE(finderLaunched());
}

// The answer of the waiting-free request for an item's properties; -1 when
// none came within the tests' patience.
int propertiesAnswer(const QString& path)
{
    QObject context;
    int answer = -1;
    if (!showInfoInFileViewerForPath(path, &context, [&answer](bool taken) { answer = taken ? 1 : 0; }))
        return -2;
    test::serveUntil([&answer] { return answer >= 0; });
    return answer;
}

TEST_F(FileManager, PropertiesWithoutFileManagerSayNothingRegression)
{
    // Without a file manager the request is answered "not taken", so the
    // window can say so; with one it is taken. A missing item sends nothing.
    const QString item = desktop.home.tree.writeFile("dir/a.txt", "x");
    EXPECT_EQ(propertiesAnswer(item), 0);
    EXPECT_EQ(propertiesAnswer(desktop.home.tree.filePath("missing")), -2);
    test::FakeBusService service("org.freedesktop.FileManager1");
    ASSERT_TRUE(service.isRegistered());
    EXPECT_EQ(propertiesAnswer(item), 1);
    EXPECT_EQ(waitForCalls(service, 1).value(0).member, "ShowItemProperties");
}

} // namespace
} // namespace sorvant
