#include "system/opening.h"

#include "platform/file_system_representation.h"
#include "platform/url.h"
#include "system/mime_applications.h"
#include "tests/system/desktop_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/stat.h>

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

// Regression: Ctrl+O on three text files started the editor (Exec=… %F)
// three times. Items that share their default application go to it in one
// start; others to their own default, or the desktop's opener.
TEST_F(Opening, ItemsSharingTheirDefaultOpenInOneStart)
{
    const QString a = desktop.home.tree.writeFile("a.txt", "a\n");
    const QString b = desktop.home.tree.writeFile("b.txt", "b\n");
    const QString c = desktop.home.tree.writeFile("c.txt", "c\n");
    const QString unknown = desktop.home.tree.writeFile("d.zzzq", QByteArray("\x01\x02\x03", 3));
    const QList<URL> urls {URL::fileURLWithPath(a), URL::URLWithString("https://example.org/x"),
                           URL::fileURLWithPath(b), URL(), URL::fileURLWithPath(unknown), URL::fileURLWithPath(c)};
    EXPECT_EQ(openURLsWithDefaults(urls), QList<qsizetype>({3}));
    EXPECT_EQ(recorder.calls, QStringList({editor + " <- " + a + " | " + b + " | " + c,
                                           browser + " <- https://example.org/x", "opener <- " + unknown}));
    recorder.calls.clear();
    EXPECT_TRUE(openURLs({URL::fileURLWithPath(a), URL::fileURLWithPath(b)}, QString(), false));
    EXPECT_EQ(recorder.calls, QStringList({editor + " <- " + a + " | " + b}));
    EXPECT_TRUE(openURLsWithDefaults({}).isEmpty());
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

// A recording application is the default for text: what it receives is
// what a real application would.
class OpeningForReal : public testing::Test
{
protected:
    void SetUp() override
    {
        output = desktop.home.tree.filePath("out.txt");
        desktop.writeApplication("rec.desktop", "Rec", desktop.writeArgumentRecorder(output) + " %f",
                                 "MimeType=text/plain;\n");
    }
    // Opens the item and answers what the application received.
    QByteArray opened(const QString& item)
    {
        EXPECT_TRUE(openURL(URL::fileURLWithPath(item), true));
        return test::waitForFile(output);
    }
    test::DesktopHome desktop;
    QString output;
};

TEST_F(OpeningForReal, TheDefaultApplicationIsStarted)
{
    const QString text = desktop.home.tree.writeFile("doc.txt", "text\n");
    EXPECT_EQ(opened(text), "arg:" + text.toUtf8() + "\nEND\n");
}

TEST_F(OpeningForReal, TheNextDefaultApplicationOpensWhenTheFirstCannotRun)
{
    desktop.writeApplication("broken.desktop", "Broken", "/nonexistent/editor %f", "MimeType=text/plain;\n");
    desktop.home.tree.writeFile("home/.config/mimeapps.list",
                                "[Default Applications]\ntext/plain=broken.desktop;rec.desktop;\n");
    const QString text = desktop.home.tree.writeFile("doc.txt", "text\n");
    EXPECT_EQ(opened(text), "arg:" + text.toUtf8() + "\nEND\n");
}

TEST_F(OpeningForReal, ANameThatIsNotUTF8ReachesTheApplicationAsItIs)
{
    const QString plain = desktop.home.tree.writeFile("plain.txt", "text\n");
    const QByteArray bytes = QFile::encodeName(desktop.home.tree.path()) + "/odd\xFF.txt";
    ASSERT_EQ(::rename(QFile::encodeName(plain).constData(), bytes.constData()), 0);
    const QString odd = stringWithFileSystemRepresentation(bytes);
    EXPECT_EQ(mimeTypeForPath(odd), "text/plain");
    // A folder of such a name is a folder, not a stream of bytes.
    const QByteArray folder = QFile::encodeName(desktop.home.tree.path()) + "/dir\xFF";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    EXPECT_EQ(mimeTypeForPath(stringWithFileSystemRepresentation(folder)), "inode/directory");
    EXPECT_EQ(opened(odd), "arg:" + bytes + "\nEND\n");
}

} // namespace
} // namespace sorvant
