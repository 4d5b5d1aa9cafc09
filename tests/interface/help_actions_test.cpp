#include "interface/help_actions.h"

#include "interface/action_router.h"
#include "interface/application.h"
#include "localization_fixture.h"

namespace sorvant {
namespace {

class BugReporter : public QObject
{
    Q_OBJECT
public:
    int reports = 0;
public slots:
    void bugreport(QObject*) { ++reports; }
};

class HelpActionsTest : public test::LocalizedBundleTest
{
protected:
    void SetUp() override
    {
        LocalizedBundleTest::SetUp();
        m_previous = setLaunchURLOpener([this](const QUrl& url) {
            m_opened.append(url.toString(QUrl::FullyEncoded));
            return true;
        });
    }
    void TearDown() override
    {
        setLaunchURLOpener(m_previous);
        LocalizedBundleTest::TearDown();
    }

    LaunchURLOpener m_previous;
    QStringList m_opened;
};

TEST(SystemVersion, KernelReleaseGivesThreeNumbers)
{
    const std::pair<QString, QString> cases[] = {
        {"6.1.0-18-amd64", "6.1.0"}, {"14.2.1", "14.2.1"}, {"5.15", "5.15.0"}, {"4", "4.0.0"}, {"", "0.0.0"},
        {"unknown", "0.0.0"},
    };
    for (const auto& [release, version] : cases)
        EXPECT_EQ(systemVersionFromRelease(release), version) << release.toStdString();
}

TEST_F(HelpActionsTest, FeedbackSubjectNamesAppVersionAndSystemEscaped)
{
    ASSERT_TRUE(sendFeedback());
    ASSERT_EQ(m_opened.size(), 1);
    const QString system = systemVersion();
    EXPECT_EQ(m_opened.front(), "mailto:support@tarrenbeck.org?subject=Sorvant%201.2,%20Linux%20" + system
                                    + "%20(" + buildProcessorName() + ")");

    Bundle::setMainBundle(Bundle(m_tree.path(), {{"CFBundleName", "Sorvant & Co"}}));
    EXPECT_EQ(feedbackSubject("Sorvant & Co"), "Sorvant & Co, Linux " + system + " (" + buildProcessorName() + ")");
    ASSERT_TRUE(sendFeedback());
    EXPECT_TRUE(m_opened.back().contains("subject=Sorvant%20%26%20Co,%20Linux")) << m_opened.back().toStdString();
}

TEST_F(HelpActionsTest, HostsComeFromTheBundleAndBadAddressesOpenNothing)
{
    Bundle::setMainBundle(Bundle(m_tree.path(), {{"MakerWebsiteHost", "example.test"}}));
    openSupport();
    EXPECT_EQ(m_opened, QStringList({"https://example.test/support/"}));
    EXPECT_FALSE(launchStringURL(QString()));
    EXPECT_FALSE(launchStringURL("no scheme"));
    EXPECT_EQ(m_opened.size(), 1);
}

TEST_F(HelpActionsTest, BugReportGoesToADelegateThatAnswersIt)
{
    auto* application = qobject_cast<VelmorApplication*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    QObject* previous = application->delegate();
    QObject silent;
    application->setDelegate(&silent);
    EXPECT_FALSE(bugreport(nullptr));
    BugReporter reporter;
    application->setDelegate(&reporter);
    EXPECT_TRUE(sendAction("bugreport:"));
    EXPECT_EQ(reporter.reports, 1);
    // The other help actions reach the application object along the chain.
    EXPECT_TRUE(sendAction("forum:"));
    EXPECT_EQ(m_opened.back(), "https://forum.tarrenbeck.org/");
    application->setDelegate(previous);
}

} // namespace
} // namespace sorvant

#include "help_actions_test.moc"
