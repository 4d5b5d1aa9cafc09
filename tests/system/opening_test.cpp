#include "system/opening.h"

#include "platform/url.h"
#include "tests/system/desktop_test_support.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class Opening : public testing::Test
{
protected:
    void SetUp() override
    {
        editor = desktop.writeApplication("editor.desktop", "Editor", "editor %F", "MimeType=text/plain;\n", true);
        browser = desktop.writeApplication("browser.desktop", "Browser", "browser %U",
                                           "MimeType=x-scheme-handler/https;\n", true);
        previous = setItemOpener(&recorder);
    }
    void TearDown() override { setItemOpener(previous); }
    test::DesktopHome desktop;
    test::RecordingOpener recorder;
    ItemOpener* previous = nullptr;
    QString editor, browser;
};

TEST_F(Opening, ItemsGoToTheirDefaultApplicationOrTheDesktopOpener)
{
    const QString text = desktop.home.tree.writeFile("a.txt", "hello\n");
    const QString unknown = desktop.home.tree.writeFile("b.zzzq", QByteArray("\x01\x02\x03", 3));
    EXPECT_TRUE(openURL(URL::fileURLWithPath(text), false));
    EXPECT_TRUE(openURL(URL::URLWithString("https://example.org/x"), true));
    EXPECT_TRUE(openURL(URL::fileURLWithPath(unknown), true));
    EXPECT_EQ(recorder.calls, QStringList({editor + " <- " + text, browser + " <- https://example.org/x",
                                           "opener <- " + unknown}));
    EXPECT_FALSE(openURL(URL(), true));
}

TEST_F(Opening, NamedApplicationsAreFoundByNameIDOrPath)
{
    const URL page = URL::URLWithString("https://example.org/");
    EXPECT_TRUE(openURLWithApplication(page, "editor"));
    EXPECT_TRUE(openURL(page, "browser.desktop", true));
    EXPECT_TRUE(openURL(page, editor, true));
    EXPECT_FALSE(openURL(page, "No Such Application", true));
    EXPECT_EQ(recorder.calls, QStringList({editor + " <- https://example.org/", browser + " <- https://example.org/",
                                           editor + " <- https://example.org/"}));
}

TEST_F(Opening, SeveralURLsOpenTogetherInANamedApplication)
{
    EXPECT_FALSE(openURLs({}, "Editor", true));
    EXPECT_TRUE(recorder.calls.isEmpty());
    EXPECT_TRUE(openURLs({URL::fileURLWithPath("/x/a.txt"), URL::fileURLWithPath("/x/b.txt")}, "Editor", true));
    EXPECT_EQ(recorder.calls, QStringList({editor + " <- /x/a.txt | /x/b.txt"}));
    EXPECT_FALSE(openURLs({URL::URLWithString("https://h/")}, "Missing", true));
}

TEST_F(Opening, ASearchTextStillOpensTheFile)
{
    const QString text = desktop.home.tree.writeFile("s.txt", "find me\n");
    for (const char* search : {"find", "   ", ""}) {
        SCOPED_TRACE(search);
        recorder.calls.clear();
        EXPECT_TRUE(openURL(URL::fileURLWithPath(text), {}, true, QString::fromUtf8(search)));
        EXPECT_EQ(recorder.calls, QStringList({editor + " <- " + text}));
    }
}

TEST(OpeningForReal, TheDefaultApplicationIsStarted)
{
    test::DesktopHome desktop;
    const QString output = desktop.home.tree.filePath("out.txt");
    const QString recorder = desktop.writeArgumentRecorder(output);
    desktop.writeApplication("rec.desktop", "Rec", recorder + " %f", "MimeType=text/plain;\n");
    const QString text = desktop.home.tree.writeFile("doc.txt", "text\n");
    ASSERT_TRUE(openURL(URL::fileURLWithPath(text), true));
    EXPECT_EQ(test::waitForFile(output), "arg:" + text.toUtf8() + "\nEND\n");
}

} // namespace
} // namespace sorvant
