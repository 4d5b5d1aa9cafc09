#include "system/update_check.h"

#include "platform/url.h"
#include "system/bundle.h"
#include "system/host_information.h"
#include "tests/support/main_bundle_scope.h"
#include "tests/system/alert_recorder.h"
#include "tests/system/desktop_test_support.h"
#include "tests/system/loopback_http_server.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <optional>

namespace sorvant {
namespace {

using test::LoopbackServer;

QByteArray list(const char* version, const char* download = "http://127.0.0.1:1/Tester.tar.gz")
{
    QByteArray xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                     "<key>Other</key><string>9.9</string><key>Test App</key><string>";
    xml += version;
    xml += "</string>";
    if (download)
        xml += QByteArray("<key>Download</key><string>") + download + "</string>";
    return xml + "</dict></plist>";
}

class UpdateCheck : public testing::Test
{
protected:
    // Put back when the test ends, whatever it set.
    test::MainBundleScope m_mainBundle;

    void SetUp() override
    {
        Bundle::setMainBundle(Bundle({}, {{"CFBundleName", "Test App"}, {"CFBundleVersion", "2.9.2build1"},
                                          {"CFBundleIdentifier", "org.example.Test"}}));
        setHostSources({[] { return QString("BOOT-ID"); }, {}, {}, {}});
        previousOpener = setItemOpener(&opener);
        options.server = server.address();
        options.timeoutMs = test::kPatienceMs;
    }
    void TearDown() override
    {
        setItemOpener(previousOpener);
        setHostSources({});
    }
    test::DesktopHome desktop;
    LoopbackServer server;
    test::AlertRecorder alerts;
    test::RecordingOpener opener;
    ItemOpener* previousOpener = nullptr;
    UpdateCheckOptions options;
};

TEST_F(UpdateCheck, TheRequestNamesProductVersionAndDevice)
{
    server.body = list("2.9.2build1");
    EXPECT_EQ(fetchUpdateStatus(options).status, UpdateStatus::UpToDate);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests[0], "GET /Updates.plist?product=Test+App&version=2.9.2build1&uid=BOOTID HTTP/1.1");
    EXPECT_EQ(updatesURL(Bundle::mainBundle(), "https://u.example.org/").absoluteString(),
              "https://u.example.org/Updates.plist?product=Test+App&version=2.9.2build1&uid=BOOTID");
    EXPECT_TRUE(updatesURL(Bundle::mainBundle(), {}).isNull());
}

TEST_F(UpdateCheck, ANewerVersionOffersTheDownload)
{
    server.body = list("2.9.2");
    alerts.answer = 1;
    EXPECT_TRUE(checkForNewVersion(options));
    ASSERT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(alerts.alerts[0].messageText, "A New Version is Available");
    EXPECT_EQ(alerts.alerts[0].informativeText,
              "A new version of Test App is available (2.9.2). Would you like to download the new version now?");
    EXPECT_EQ(alerts.alerts[0].defaultButton, "Download");
    EXPECT_EQ(alerts.alerts[0].alternateButton, "Cancel");
    EXPECT_EQ(opener.calls, QStringList({"opener <- http://127.0.0.1:1/Tester.tar.gz"}));

    alerts.answer = 0;
    opener.calls.clear();
    EXPECT_TRUE(checkForNewVersion(options));
    EXPECT_TRUE(opener.calls.isEmpty());
    // Without a download address there is nothing to offer.
    server.body = list("3.0", nullptr);
    alerts.alerts.clear();
    EXPECT_TRUE(checkForNewVersion(options));
    EXPECT_TRUE(alerts.alerts.isEmpty());
}

TEST_F(UpdateCheck, AnOlderOrEqualListingIsUpToDate)
{
    // The same answer as a binary property list.
    const QByteArray binary = QByteArray::fromHex(
        "62706c6973743030d101025854657374204170705b322e392e326275696c6431080b1400000000000001010000000000000003"
        "00000000000000000000000000000020");
    for (const QByteArray& body : {list("2.9.2build1"), list("2.9.1"), binary}) {
        SCOPED_TRACE(body.left(60).toStdString());
        alerts.alerts.clear();
        server.body = body;
        EXPECT_FALSE(checkForNewVersion(options));
        ASSERT_EQ(alerts.alerts.size(), 1);
        EXPECT_EQ(alerts.alerts[0].messageText, "Your software is up-to-date");
        EXPECT_EQ(alerts.alerts[0].informativeText, "You are running Test App 2.9.2build1. No newer version was found.");
    }
}

// The menu's check returns at once, with no event loop of its own (typing
// goes on); the answer comes later on the context's thread.
TEST_F(UpdateCheck, TheInterfacesCheckAnswersLaterWithoutWaiting)
{
    server.body = list("2.9.3");
    QObject context;
    std::optional<UpdateCheckResult> answer;
    fetchUpdateStatus(options, &context, [&answer](const UpdateCheckResult& result) { answer = result; });
    EXPECT_FALSE(answer) << "nothing answered before the event loop runs";
    EXPECT_TRUE(server.requests.isEmpty());
    test::serveUntil([&answer] { return answer.has_value(); });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, UpdateStatus::NewVersion);
    EXPECT_EQ(answer->latestVersion, "2.9.3");

    options.server = QString(""); // no server: answered too, but queued
    answer.reset();
    fetchUpdateStatus(options, &context, [&answer](const UpdateCheckResult& result) { answer = result; });
    EXPECT_FALSE(answer);
    QCoreApplication::processEvents();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, UpdateStatus::CannotCheck);
}

TEST_F(UpdateCheck, NoAnswerIsNeverUpToDate)
{
    const struct {
        const char* name;
        QByteArray status;
        QByteArray body;
        QString server;
    } cases[] = {
        {"no server", "200 OK", list("9.0"), ""},
        {"server error", "500 Internal Server Error", "", server.address()},
        {"not a property list", "200 OK", "<html>hello</html>", server.address()},
        {"product not listed", "200 OK", "<plist version=\"1.0\"><dict><key>Other</key><string>1</string></dict></plist>",
         server.address()},
        {"nobody listening", "200 OK", "", "http://127.0.0.1:1"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        alerts.alerts.clear();
        server.status = row.status;
        server.body = row.body;
        options.server = row.server;
        const UpdateCheckResult result = fetchUpdateStatus(options);
        EXPECT_EQ(result.status, UpdateStatus::CannotCheck);
        EXPECT_FALSE(result.reason.isEmpty());
        EXPECT_FALSE(checkForNewVersion(options));
        ASSERT_EQ(alerts.alerts.size(), 1);
        EXPECT_EQ(alerts.alerts[0].messageText, "Cannot Check for Updates");
    }
}

} // namespace
} // namespace sorvant
