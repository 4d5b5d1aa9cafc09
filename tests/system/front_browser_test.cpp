#include "system/front_browser.h"

#include "system/desktop_entries.h"
#include "system/standard_folders.h"
#include "system/workspace_monitors.h"
#include "tests/support/temporary_home.h"
#include "tests/system/fake_script_engine.h"
#include "tests/system/waiting.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace sorvant {
namespace {

class FixedWindowStack : public WindowStack
{
public:
    std::optional<QList<pid_t>> owners;
    std::optional<QList<pid_t>> windowOwnersFrontToBack() override { return owners; }
};

class FrontBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override { m_previous = setWindowStack(stack); }
    void TearDown() override
    {
        setWindowStack(m_previous);
        for (QProcess* child : children) {
            child->kill();
            child->waitForFinished();
            delete child;
        }
    }

    // A process the desktop knows as the application `desktopID`.
    pid_t spawn(const QString& desktopID)
    {
        auto* child = new QProcess;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("GIO_LAUNCHED_DESKTOP_FILE", "/usr/share/applications/" + desktopID + ".desktop");
        child->setProcessEnvironment(environment);
        child->start("sleep", {"30"});
        EXPECT_TRUE(child->waitForStarted());
        children.append(child);
        const auto pid = static_cast<pid_t>(child->processId());
        // The child's environment names the entry only once it has executed
        // the program; until then /proc shows the environment it was forked with.
        EXPECT_TRUE(test::waitUntil([pid] { return !desktopFileIDForProcess(pid).isEmpty(); }));
        return pid;
    }

    test::TemporaryHome home{resetStandardFolders};
    std::shared_ptr<FixedWindowStack> stack = std::make_shared<FixedWindowStack>();
    QList<QProcess*> children;
    test::ScopedScriptEngine fake;

private:
    std::shared_ptr<WindowStack> m_previous;
};

TEST_F(FrontBrowserTest, FirstBrowserWindowFromTheFront)
{
    EXPECT_FALSE(frontMostBrowser()); // no window list
    const pid_t editor = spawn("org.example.Editor");
    const pid_t back = spawn("chromium");
    const pid_t front = spawn("org.mozilla.firefox");
    stack->owners = QList<pid_t> {editor, 0, front, editor, back};
    const auto browser = frontMostBrowser();
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->processIdentifier, front);
    EXPECT_EQ(browser->bundleIdentifier, "org.mozilla.firefox");
    stack->owners = QList<pid_t> {editor};
    EXPECT_FALSE(frontMostBrowser()); // browsers may run without windows
}

TEST_F(FrontBrowserTest, ScriptsRunWithTheirTimeOut)
{
    EXPECT_EQ(scriptTimeoutText(0), "1 second");
    EXPECT_EQ(scriptTimeoutText(1), "1 second");
    EXPECT_EQ(scriptTimeoutText(5), "5 seconds");
    fake.engine->runResult = "https://example.org/page";
    EXPECT_EQ(frontmostURLOfApplicationNamed("Vivaldi", QString(), false, 5), "https://example.org/page");
    EXPECT_EQ(fake.engine->compiledSources.last(),
              "with timeout of 5 seconds\ntell application \"Vivaldi\" to return URL of active tab of front "
              "window\nend timeout");
    EXPECT_TRUE(frontmostURLOfApplicationNamed("Microsoft Entourage", QString()).isNull());
    EXPECT_TRUE(frontmostURLOfApplicationNamed(QString(), QString()).isNull());
    EXPECT_EQ(frontmostTitleOfApplicationNamed("Safari", "ignored"), "https://example.org/page");
    EXPECT_TRUE(frontmostTitleOfApplicationNamed("Firefox", QString()).isNull());

    // Static scripts: the same text is compiled once while caching is on.
    setUseCachingForStaticScripts(true);
    const int before = fake.engine->compiles;
    for (int i = 0; i < 3; ++i)
        (void)frontmostURLOfApplicationNamed("Opera", QString(), false, 2);
    EXPECT_EQ(fake.engine->compiles, before + 1);
}

TEST_F(FrontBrowserTest, FirefoxAnswersOnlyAddresses)
{
    for (const auto& [clipboard, answer] : {std::pair {QString("https://example.org"), QString("https://example.org")},
                                           {QString("some copied words"), QString()}}) {
        SCOPED_TRACE(clipboard.toStdString());
        fake.engine->runResult = clipboard;
        EXPECT_EQ(frontmostURLOfApplicationNamed("firefox-bin", QString()), answer);
    }
}

TEST_F(FrontBrowserTest, UnlistedApplicationsAreAskedForTheirDocumentPath)
{
    fake.engine->runResult = "/home/u/notes file.txt";
    EXPECT_TRUE(frontmostURLOfApplicationNamed("Editor", QString()).isNull());
    EXPECT_TRUE(frontmostURLOfApplicationNamed("Editor", "org.example.NotRunning").isNull());
    EXPECT_TRUE(fake.engine->compiledSources.isEmpty());
    RunningApplicationsMonitor::sharedMonitor().scanRunningApplications(QStringList {"org.example.Editor"});
    EXPECT_EQ(frontmostURLOfApplicationNamed("Editor", "org.example.Editor", false, 3),
              "file:///home/u/notes%20file.txt");
    EXPECT_EQ(fake.engine->compiledSources.last(),
              "with timeout of 3 seconds\ntell application id \"org.example.Editor\" to get path of document 1\n"
              "end timeout");
}

} // namespace
} // namespace sorvant
