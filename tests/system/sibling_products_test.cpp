#include "system/sibling_products.h"

#include "tests/support/log_capture.h"
#include "tests/system/desktop_test_support.h"

#include <QFile>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class SiblingProducts : public testing::Test
{
protected:
    void SetUp() override { resetSiblingProductAnswers(); }
    void TearDown() override { resetSiblingProductAnswers(); }
    test::DesktopHome desktop;
};

TEST_F(SiblingProducts, NoneIsInstalledOnAFreshMachine)
{
    EXPECT_FALSE(isTamsettAvailable());
    EXPECT_FALSE(isQuirrelAvailable());
    EXPECT_FALSE(isPinnawayAvailable());
    EXPECT_FALSE(isQuirrelRunning());
    EXPECT_TRUE(QuirrelIconOfSize(QSize(32, 32)).isNull());
    test::LogCapture log;
    EXPECT_FALSE(addFilesToQuirrel({"/a"}));
    EXPECT_EQ(log.lines(), QStringList({"NSPerformService 'Add To Quirrel' failed."}));
    log.clear();
    EXPECT_FALSE(addFilesToQuirrel({}));
    EXPECT_FALSE(addTamsettItemsToQuirrel({}));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(SiblingProducts, TheThirdGenerationCountsForEveryQuirrelQuestion)
{
    desktop.writeApplication("com.velmor-works.quirrel3.desktop", "Quirrel 3", "quirrel3 %F");
    EXPECT_TRUE(isQuirrelAvailable());
    EXPECT_TRUE(isQuirrelProAvailable());
    EXPECT_TRUE(isQuirrel3Available());
    EXPECT_FALSE(isTamsettAvailable());
    const QImage icon = QuirrelIconOfSize(QSize(24, 24));
    EXPECT_EQ(icon.size(), QSize(24, 24));
    // The answer stays for the rest of the process.
    QFile::remove(desktop.dataHome + "/applications/com.velmor-works.quirrel3.desktop");
    EXPECT_TRUE(isQuirrel3Available());
    EXPECT_TRUE(isSiblingProductInstalled(kQuirrel2) == false);
}

TEST_F(SiblingProducts, LeftoverSettingsAndDataCountAsInstalled)
{
    desktop.home.tree.writeFile("home/.config/com.velmor-works.tamsett.plist", "<plist/>");
    desktop.home.tree.makeDir("home/.local/share/Pinnaway");
    EXPECT_TRUE(isTamsettAvailable());
    EXPECT_TRUE(isPinnawayAvailable());
    // Installed without an application to show: no icon.
    EXPECT_TRUE(TamsettIconOfSize(QSize(16, 16)).isNull());
}

TEST_F(SiblingProducts, FilesGoToTheFirstGenerationThatTakesThem)
{
    const QString output = desktop.home.tree.filePath("out.txt");
    const QString recorder = desktop.writeArgumentRecorder(output);
    desktop.writeApplication("com.velmor-works.quirrel2.desktop", "Quirrel 2", recorder + " %F");
    ASSERT_TRUE(addFilesToQuirrel({"/x/a.pdf", "/x/b.txt"}));
    EXPECT_EQ(test::waitForFile(output), "arg:/x/a.pdf\narg:/x/b.txt\nEND\n");
}

} // namespace
} // namespace sorvant
