// The destination menu's folder rules and the application delegate's
// windows: indexes, command-line paths and quitting on close.

#include "app/application_delegate.h"
#include "app/application_service.h"
#include "app/destinations.h"
#include "app/preferences_panel.h"
#include "platform/background_work.h"
#include "platform/notification_center.h"
#include "system/workspace_monitors.h"
#include "tests/app/app_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QThreadPool>
#include <QTimer>

namespace sorvant::test {
namespace {

using DestinationsTest = AppFixture;
using DelegateTest = AppFixture;

TEST(DestinationVolumes, OnlyTheDesktopsMountPlacesAreOffered)
{
    const QStringList mounts = {"/", "/boot", "/boot/efi", "/media/usb", "/media/me/Stick", "/media/me/a/b",
                                "/run/media/me/Disk", "/run/user/1000/doc", "/mnt/backup", "/mnt/a/b",
                                "/media/usb", "/home"};
    const QStringList expected = {"/", "/media/usb", "/media/me/Stick", "/run/media/me/Disk", "/mnt/backup"};
    EXPECT_EQ(offeredVolumes(mounts), expected);
}

TEST_F(DestinationsTest, SubfoldersLeaveOutHiddenItemsPackagesAndFiles)
{
    const QString root = tree.makeDir(QStringLiteral("root"));
    tree.makeDir(QStringLiteral("root/Zeta"));
    tree.makeDir(QStringLiteral("root/alpha"));
    tree.makeDir(QStringLiteral("root/.dot"));
    tree.makeDir(QStringLiteral("root/listed"));
    tree.writeFile(QStringLiteral("root/.hidden"), "listed\n");
    tree.writeFile(QStringLiteral("root/file.txt"));
    tree.makeDir(QStringLiteral("root/Tool.app"));
    QFile::link(tree.filePath(QStringLiteral("root/alpha")), tree.filePath(QStringLiteral("root/link")));
    EXPECT_EQ(offeredSubfolders(root), (QStringList{root + "/Zeta", root + "/alpha", root + "/link"}));
    EXPECT_TRUE(offeredSubfolders(tree.filePath(QStringLiteral("missing"))).isEmpty());
    // At "/" the system's own folders are left out.
    const QStringList atRoot = offeredSubfolders(QStringLiteral("/"));
    for (const char* system : {"/proc", "/sys", "/usr", "/etc", "/dev"})
        EXPECT_FALSE(atRoot.contains(QString::fromLatin1(system))) << system;
}

TEST_F(DestinationsTest, ValidationResolvesLinksAndRefusesFiles)
{
    const QString folder = tree.makeDir(QStringLiteral("folder"));
    const QString file = tree.writeFile(QStringLiteral("file.txt"));
    QFile::link(folder, tree.filePath(QStringLiteral("to-folder")));
    EXPECT_EQ(validatedDestination(tree.filePath(QStringLiteral("to-folder"))), folder);
    EXPECT_TRUE(validatedDestination(file).isNull());
    EXPECT_TRUE(validatedDestination(tree.filePath(QStringLiteral("gone"))).isNull());
    EXPECT_TRUE(validatedDestination(QString()).isNull());
    EXPECT_EQ(validatedDestination(QStringLiteral("~")), QDir::homePath());
    for (const char16_t* pseudo : {kActiveDestination, kAllVolumesDestination, kLocalVolumesDestination,
                                   kRemovableVolumesDestination}) {
        EXPECT_EQ(validatedDestination(QString::fromUtf16(pseudo)), QString::fromUtf16(pseudo));
        EXPECT_FALSE(pseudoDestinationTitle(QString::fromUtf16(pseudo)).isEmpty());
    }
}

TEST_F(DestinationsTest, MenuItemsSetTheDestinationAndVolumesAppearOnce)
{
    auto window = makeWindow();
    ASSERT_TRUE(waitForDestinations(*window));
    QStringList data;
    QAction* home = nullptr;
    QAction* all = nullptr;
    for (QAction* item : window->destinations()->menu()->actions()) {
        if (item->isSeparator() || !item->data().isValid())
            continue;
        data.append(item->data().toString());
        if (item->data().toString() == u"~")
            home = item;
        if (item->data().toString() == QStringView(kAllVolumesDestination))
            all = item;
    }
    EXPECT_EQ(data.count(QStringLiteral("/")), 1);
    ASSERT_TRUE(home && all);
    all->trigger();
    EXPECT_EQ(window->destinations()->storedDestination(), QString::fromUtf16(kAllVolumesDestination));
    EXPECT_EQ(window->destinations()->text(), pseudoDestinationTitle(QString::fromUtf16(kAllVolumesDestination)));
    home->trigger();
    EXPECT_EQ(window->destinations()->storedDestination(), QDir::homePath());
    // A mount rebuilds the menu, keeping the destination.
    window->destinations()->menu()->addAction(QStringLiteral("stale"));
    NotificationCenter::defaultCenter().post(WorkspaceDidMountVolumeNotification, QStringLiteral("/media/x"));
    EXPECT_TRUE(waitForDestinations(*window));
    for (QAction* item : window->destinations()->menu()->actions())
        EXPECT_NE(item->text(), QStringLiteral("stale"));
    EXPECT_EQ(window->destinations()->storedDestination(), QDir::homePath());
}

// The destination's icon is read off the interface thread: it follows the
// title, a later destination's request replaces an earlier one's, and a
// pseudo-destination asks for none.
TEST_F(DestinationsTest, TheDestinationsIconFollowsOffTheInterfaceThread)
{
    const QString first = tree.makeDir(QStringLiteral("first"));
    const QString second = tree.makeDir(QStringLiteral("second"));
    DestinationMenu menu(nullptr);
    QSignalSpy shown(&menu, &DestinationMenu::iconShown);
    menu.setDestination(first);
    menu.setDestination(second);
    EXPECT_EQ(menu.text(), QStringLiteral("second")) << "the title at once";
    ASSERT_TRUE(shown.wait(10000));
    // Both requests answered: the first one's answer has come and gone.
    ASSERT_TRUE(settleBackgroundWork());
    EXPECT_EQ(shown.size(), 1) << "the first request's answer is dropped";
    EXPECT_EQ(menu.storedDestination(), second);
    menu.setDestination(QString::fromUtf16(kAllVolumesDestination));
    EXPECT_TRUE(menu.icon().isNull());
    ASSERT_TRUE(settleBackgroundWork());
    EXPECT_EQ(shown.size(), 1);
    EXPECT_TRUE(menu.icon().isNull());
}

// A scan that ends after a newer one started is dropped: the menu shows
// what the newer one found, not a folder gone meanwhile, and says once
// that it is filled.
TEST_F(DestinationsTest, AScanOvertakenByANewerOneIsDropped)
{
    const QString leaving = QDir::homePath() + QStringLiteral("/Leaving");
    ASSERT_TRUE(QDir().mkpath(leaving));
    DestinationMenu menu(nullptr);
    QThreadPool& pool = backgroundThreads();
    QSignalSpy scanned(&menu, &DestinationMenu::scanned);
    menu.rescan();
    // The first scan has found the folder; its answer waits for this thread.
    ASSERT_TRUE(pool.waitForDone(10000));
    ASSERT_TRUE(QDir().rmdir(leaving));
    menu.rescan();
    ASSERT_TRUE(pool.waitForDone(10000));
    ASSERT_TRUE(scanned.wait(10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(scanned.size(), 1);
    QStringList shown;
    for (const QAction* item : menu.menu()->actions())
        shown.append(item->data().toString());
    EXPECT_TRUE(shown.contains(QStringLiteral("~")));
    EXPECT_FALSE(shown.contains(QStringLiteral("~/Leaving")));
}

TEST(ServicesFolder, FileURLsOneNameOrTheTextAsItStands)
{
    const struct
    {
        const char* given;
        const char* folder;
    } cases[] = {
        {"file:///tmp/a%20b", "/tmp/a b"}, {"/srv/x\n", "/srv/x"}, {"/srv/x", "/srv/x"},
        {"/a\n/b", "/a\n/b"},               {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(servicesFolder(QString::fromUtf8(c.given)), QString::fromUtf8(c.folder));
    }
}

TEST_F(DelegateTest, WindowIndexesCountTheControllers)
{
    ApplicationDelegate delegate(&defaults);
    SearchWindow* first = delegate.findWindow();
    SearchWindow* second = delegate.findWindow();
    EXPECT_EQ(first->windowIndex(), 1U);
    EXPECT_EQ(second->windowIndex(), 2U);
    first->close();
    EXPECT_EQ(delegate.numberOfWindowControllers(), 1);
    // A window opened after a close may share the index of an open one.
    EXPECT_EQ(delegate.findWindow()->windowIndex(), 2U);
    EXPECT_FALSE(delegate.applicationOpenUntitledFile());
}

TEST_F(DelegateTest, CommandLinePathsFillTheLastWindowWithoutSearching)
{
    const QString folder = tree.makeDir(QStringLiteral("docs"));
    const QString file = tree.writeFile(QStringLiteral("docs/a.txt"));
    ApplicationDelegate delegate(&defaults);
    delegate.search(QString(), file);
    ASSERT_EQ(delegate.numberOfWindowControllers(), 1);
    SearchWindow* window = delegate.windows().constFirst();
    // The path is tested off the interface thread; its folder follows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->destinations()->storedDestination() == folder; }, 10000));
    EXPECT_FALSE(window->isSearching());
    delegate.search(QStringLiteral("needle"), QString());
    EXPECT_EQ(window->input(), QStringLiteral("needle"));
    EXPECT_EQ(window->destinations()->storedDestination(), folder);
    // The launch opens no second window.
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(delegate.numberOfWindowControllers(), 1);
}

TEST_F(DelegateTest, QuittingOnCloseFollowsThePreference)
{
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit);
        ApplicationDelegate delegate(&defaults);
        PreferencesPanel* panel = PreferencesPanel::orderFront(defaults);
        EXPECT_EQ(PreferencesPanel::orderFront(defaults), panel);
        if (panel->quitOnClose()->isChecked() != quit)
            panel->quitOnClose()->click();
        EXPECT_EQ(stored(QStringLiteral("QuitOnClose")).toBool(), quit);
        QSignalSpy terminate(&delegate, &ApplicationDelegate::shouldTerminate);
        delegate.findWindow()->close();
        // The delegate asks to terminate on a 100 ms timer the close starts
        // (a coarse one: within 5 %). A timer of this thread started later
        // and set for longer comes due after it however late the loop runs,
        // so once it has fired any question the close asked was delivered.
        bool due = false;
        QTimer::singleShot(std::chrono::milliseconds(200), Qt::PreciseTimer, &delegate, [&due] { due = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return due || !terminate.isEmpty(); }, 20000));
        EXPECT_EQ(!terminate.isEmpty(), quit);
        delete panel;
    }
}

TEST_F(DelegateTest, QuitSavesEveryWindowFirstWindowLast)
{
    ApplicationDelegate delegate(&defaults);
    const QString a = tree.makeDir(QStringLiteral("a"));
    const QString b = tree.makeDir(QStringLiteral("b"));
    delegate.findWindow()->setDestination(a);
    delegate.findWindow()->setDestination(b);
    delegate.applicationWillTerminate();
    EXPECT_EQ(stored(QStringLiteral("SearchLocation")).toString(), a);
}

} // namespace
} // namespace sorvant::test
