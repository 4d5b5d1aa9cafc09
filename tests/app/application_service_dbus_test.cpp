// The one-application-per-session service on a private session bus: the
// name is held once, a launch is forwarded to the holder, and the services
// fill the last window.

#include "app/application_delegate.h"
#include "app/application_service.h"
#include "tests/app/app_test_support.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <chrono>
#include <future>

namespace sorvant::test {
namespace {

using ApplicationServiceTest = AppFixture;

// Forwards as a second process would: from another thread, while this one
// serves the call.
bool forward(const LaunchRequest& request)
{
    std::future<bool> done = std::async(std::launch::async, [request] {
        return ApplicationService::forwardToRunningInstance(request);
    });
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return done.get();
}

TEST_F(ApplicationServiceTest, SecondLaunchIsForwardedToTheFirst)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    const QString folder = tree.makeDir(QStringLiteral("in here"));
    ApplicationDelegate delegate(&defaults);
    ApplicationService first(delegate);
    EXPECT_FALSE(forward({folder, {}})) << "nobody to forward to yet";
    ASSERT_TRUE(first.registerOnSessionBus());
    ApplicationDelegate otherDelegate(&defaults);
    ApplicationService second(otherDelegate);
    EXPECT_FALSE(second.registerOnSessionBus());

    // No window yet: Activate opens one; a second Activate opens no other.
    ASSERT_TRUE(forward({}));
    EXPECT_EQ(delegate.numberOfWindowControllers(), 1);
    ASSERT_TRUE(forward({}));
    EXPECT_EQ(delegate.numberOfWindowControllers(), 1);

    ASSERT_TRUE(forward(
        {QUrl::fromLocalFile(folder).toString(), QStringLiteral("needle")}));
    SearchWindow* window = delegate.windows().constLast();
    // The path is tested off the interface thread; the folder follows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->destinations()->storedDestination() == folder; }, 10000));
    EXPECT_EQ(window->input(), QStringLiteral("needle"));
    EXPECT_FALSE(window->isSearching());
    EXPECT_EQ(otherDelegate.numberOfWindowControllers(), 0);
    QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kApplicationObjectPath));
    QDBusConnection::sessionBus().interface()->unregisterService(QString::fromLatin1(kApplicationBusName));
}

} // namespace
} // namespace sorvant::test
