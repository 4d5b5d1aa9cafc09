// Commands whose handler cannot run say so in the failure sheet instead of
// starting nothing: Open when the default application needs a terminal
// and none is installed, the help when only an editor claims web pages
// (through plain text), Show in File Manager with no file manager. Each
// also runs once the missing program is there.

#include "app/application_delegate.h"
#include "app/file_actions.h"
#include "app/search_window_commands.h"
#include "platform/volumes.h"
#include "system/file_manager.h"
#include "system/open_with.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/widget_helpers.h"
#include "tests/system/desktop_test_support.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>

namespace sorvant::test {
namespace {

class FailuresSaidTest : public AppFixture
{
protected:
    void SetUp() override
    {
        tree.writeFile(QStringLiteral("w/note.txt"), "x");
        window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("note"), tree.filePath(QStringLiteral("w"))));
        window->resultsTable()->selectRows({0});
        forgetApplicationAnswers();
        resetFileManagerState();
    }
    void TearDown() override { forgetApplicationAnswers(); }

    // Sends a command and waits for the answer `signal` of `sender`;
    // answers the failure sheet's title, null when none is shown.
    template <typename Signal>
    QString titleAfter(const char* selector, const typename QtPrivate::FunctionPointer<Signal>::Object* sender,
                       Signal signal)
    {
        QSignalSpy answered(sender, signal);
        EXPECT_TRUE(window->commands().perform(selector)) << selector;
        EXPECT_TRUE(answered.wait(10000)) << selector;
        auto* sheet = window->findChild<QMessageBox*>(QStringLiteral("failure"));
        const QString title = sheet ? sheet->text() : QString();
        sheetText = sheet ? sheet->informativeText() : QString();
        if (sheet)
            delete sheet;
        return title;
    }
    QString fileTitleAfter(const char* selector)
    {
        return titleAfter(selector, &window->fileActions(), &FileActions::launchAnswered);
    }

    std::unique_ptr<SearchWindow> window;
    QString sheetText; // the informative text of the last sheet titleAfter read
};

// The application that needs a terminal is named however it became the
// default: set in mimeapps.list, or the only one that lists the type in its
// own MimeType= line (which the window was not told of before).
TEST_F(FailuresSaidTest, OpenNeedingAMissingTerminalSaysNothingRegression)
{
    for (const bool listed : {true, false}) {
        SCOPED_TRACE(listed ? "set in mimeapps.list" : "by its own MimeType= line");
        DesktopHome desktop;
        desktop.writeApplication(QStringLiteral("vi.desktop"), QStringLiteral("Vi"), QStringLiteral("vi %f"),
                                 QStringLiteral("Terminal=true\nMimeType=text/plain;\n"));
        if (listed)
            desktop.home.tree.writeFile(QStringLiteral("home/.config/mimeapps.list"),
                                        "[Default Applications]\ntext/plain=vi.desktop\n");
        forgetApplicationAnswers();
        {
            // The desktop's opener would start, and fail unseen.
            const InstalledPrograms none(desktop.home.tree, {QStringLiteral("vi"), QStringLiteral("xdg-open")});
            EXPECT_EQ(fileTitleAfter("openFile:"), QStringLiteral("Cannot Open"));
            EXPECT_EQ(sheetText, QStringLiteral("“Vi” opens “note.txt” in a terminal, and no terminal is installed."));
        }
        // With a terminal emulator installed the editor runs inside it.
        forgetApplicationAnswers();
        const InstalledPrograms terminal(desktop.home.tree,
                                         {QStringLiteral("vi"), QStringLiteral("x-terminal-emulator")});
        const QString output = InstalledPrograms::outputOf(desktop.home.tree, QStringLiteral("x-terminal-emulator"));
        QFile::remove(output);
        EXPECT_EQ(fileTitleAfter("openFile:"), QString());
        EXPECT_EQ(waitForFile(output),
                  "arg:-e\narg:vi\narg:" + tree.filePath(QStringLiteral("w/note.txt")).toUtf8() + "\nEND\n");
    }
}

TEST_F(FailuresSaidTest, HelpWithOnlyAnEditorOfWebPagesAsTextSaysNothingRegression)
{
    DesktopHome desktop;
    qunsetenv("SORVANT_HELP_DIR");
    useBundledHelpBook();
    const InstalledPrograms programs(desktop.home.tree, {QStringLiteral("edit"), QStringLiteral("browse")});
    // The editor takes text/html as the plain text it is derived from.
    desktop.writeApplication(QStringLiteral("edit.desktop"), QStringLiteral("Edit"), QStringLiteral("edit %f"),
                             QStringLiteral("MimeType=text/plain;\n"));
    EXPECT_EQ(titleAfter("showHelp:", window.get(), &SearchWindow::helpAnswered), QStringLiteral("Cannot Show the Help"));
    desktop.writeApplication(QStringLiteral("browse.desktop"), QStringLiteral("Browse"), QStringLiteral("browse %u"),
                             QStringLiteral("MimeType=text/html;\n"));
    EXPECT_EQ(titleAfter("showHelp:", window.get(), &SearchWindow::helpAnswered), QString());
    const QByteArray shown = waitForFile(InstalledPrograms::outputOf(desktop.home.tree, QStringLiteral("browse")));
    EXPECT_TRUE(shown.startsWith("arg:file://") && shown.contains("usage-options.html#usage-options.html"))
        << shown.toStdString();
    EXPECT_FALSE(QFile::exists(InstalledPrograms::outputOf(desktop.home.tree, QStringLiteral("edit"))));
    qunsetenv("SORVANT_HELP_DIR");
}

TEST_F(FailuresSaidTest, ShowInFileManagerWithoutOneSaysNothingRegression)
{
    DesktopHome desktop;
    const InstalledPrograms programs(desktop.home.tree, {QStringLiteral("files"), QStringLiteral("xdg-open")});
    EXPECT_EQ(fileTitleAfter("revealFileInFinder:"), QStringLiteral("Cannot Show in File Manager"));
    // An application for folders shows the item's folder.
    desktop.writeApplication(QStringLiteral("files.desktop"), QStringLiteral("Files"), QStringLiteral("files %f"),
                             QStringLiteral("MimeType=inode/directory;\n"));
    forgetApplicationAnswers();
    EXPECT_EQ(fileTitleAfter("revealFileInFinder:"), QString());
    EXPECT_EQ(waitForFile(InstalledPrograms::outputOf(desktop.home.tree, QStringLiteral("files"))),
              "arg:" + tree.filePath(QStringLiteral("w")).toUtf8() + "\nEND\n");
}

TEST_F(FailuresSaidTest, WebsiteWithoutABrowserSaysNothingRegression)
{
    DesktopHome desktop;
    const InstalledPrograms programs(desktop.home.tree, {QStringLiteral("xdg-open")});
    ApplicationDelegate delegate(&defaults);
    SearchWindow* front = delegate.findWindow();
    activate(*front);
    auto* website = menuBarItem(front, QStringLiteral("website"));
    ASSERT_NE(website, nullptr);
    QSignalSpy answered(&delegate, &ApplicationDelegate::websiteAnswered);
    website->trigger();
    ASSERT_TRUE(answered.wait(10000));
    const auto* sheet = front->findChild<QMessageBox*>(QStringLiteral("failure"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->text(), QStringLiteral("Cannot Show the Website"));
    EXPECT_TRUE(sheet->informativeText().contains(makersWebsiteURL()));
    EXPECT_FALSE(QFile::exists(InstalledPrograms::outputOf(desktop.home.tree, QStringLiteral("xdg-open"))));
    front->close();
}

// A destination removed after it was chosen only beeped, and /proc found
// nothing in silence; the results of the last search stayed as if they
// were this folder's.
TEST_F(FailuresSaidTest, ADestinationThatCannotBeSearchedIsSaidAndClearsTheResults)
{
    const QString gone = tree.makeDir(QStringLiteral("gone"));
    const struct
    {
        QString destination;
        QString text;
    } cases[] = {
        {gone, QStringLiteral("The folder “gone” is no longer there. Choose another folder to search in.")},
        {QStringLiteral("/proc"),
         QStringLiteral("“/proc” is on a “proc” pseudo file system, which the kernel fills and which is not searched.")},
    };
    for (const auto& [destination, text] : cases) {
        SCOPED_TRACE(destination.toStdString());
        if (destination == u"/proc" && volumeForPath(destination).fileSystemType != u"proc")
            continue; // no kernel file system there
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("note"), tree.filePath(QStringLiteral("w"))));
        ASSERT_EQ(window->resultsTable()->model()->rowCount(), 1);
        window->setDestination(destination);
        if (destination == gone) {
            ASSERT_TRUE(QDir().rmdir(gone));
        }
        QSignalSpy answered(window.get(), &SearchWindow::searchAnswered);
        window->search();
        ASSERT_TRUE(answered.wait(10000));
        auto* sheet = window->findChild<QMessageBox*>(QStringLiteral("failure"));
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->text(), QStringLiteral("Cannot Search"));
        EXPECT_EQ(sheet->informativeText(), text);
        delete sheet;
        EXPECT_FALSE(window->isSearching());
        EXPECT_EQ(window->resultsTable()->model()->rowCount(), 0);
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("searchInfo"))->text(), QString());
    }
}

} // namespace
} // namespace sorvant::test
