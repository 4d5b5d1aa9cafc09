// The one-application-per-session service on a private session bus: the
// name is held once, a launch is forwarded to the holder, and the services
// fill the last window.

#include "app/application_delegate.h"
#include "app/application_service.h"
#include "platform/file_system_representation.h"
#include "tests/app/app_test_support.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Gives up the application's name and object on the bus.
void unregisterApplication()
{
    QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kApplicationObjectPath));
    QDBusConnection::sessionBus().interface()->unregisterService(QString::fromLatin1(kApplicationBusName));
}

// Asks the application's search interface for `method`'s list of strings
// as another process would, while this thread serves the call.
QStringList askForList(const char* method)
{
    std::future<QStringList> done = std::async(std::launch::async, [method] {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QString::fromLatin1(kApplicationBusName), QString::fromLatin1(kApplicationObjectPath),
            QString::fromLatin1(kApplicationSearchInterface), QString::fromLatin1(method));
        const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
        return reply.arguments().value(0).toStringList();
    });
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return done.get();
}

// A second launch sent its folder as a bus string, which is UTF-8: a folder
// named "bad\xFF\xFEname" came as "bad??name", another folder, and the
// paths of its results came back the same way.
TEST_F(ApplicationServiceTest, AForwardedFolderAndItsResultsKeepTheirBytes)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    const QString folder = tree.path() + QString::fromUtf16(u"/bad\xDCFF\xDCFEname");
    const QString file = folder + QStringLiteral("/needle.txt");
    ASSERT_TRUE(fileSystemRepresentation(folder).endsWith("/bad\xFF\xFEname"));
    ASSERT_EQ(::mkdir(fileSystemRepresentation(folder).constData(), 0755), 0);
    const int fd = ::open(fileSystemRepresentation(file).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ApplicationDelegate delegate(&defaults);
    ApplicationService first(delegate);
    ASSERT_TRUE(first.registerOnSessionBus());
    const auto unregister = qScopeGuard(unregisterApplication);

    ASSERT_TRUE(forward({folder, {}}));
    ASSERT_FALSE(delegate.windows().isEmpty());
    SearchWindow* window = delegate.windows().constLast();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->destinations()->storedDestination() == folder; }, 10000));
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("needle"), folder));
    const QStringList stored = askForList("ResultStoredPaths");
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(pathOfStoredString(stored.constFirst()), file);
    EXPECT_EQ(askForList("ResultPaths").size(), 1) << "the plain form stays for those that read it";
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

// Regression: the second launch sent its folder as a plain string, which the
// service read as a list of names, one a line: a folder whose name ends in a
// newline came as another folder without it, and a trailing space was lost
// the same way.
TEST_F(ApplicationServiceTest, AForwardedFolderKeepsATrailingNewlineOrSpace)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    ApplicationDelegate delegate(&defaults);
    ApplicationService first(delegate);
    ASSERT_TRUE(first.registerOnSessionBus());
    const auto unregister = qScopeGuard(unregisterApplication);
    // The folder without the newline is there too: the wrong one would be found.
    (void)tree.makeDir(QStringLiteral("fwdnl"));
    (void)tree.makeDir(QStringLiteral("space"));
    for (const QString& name : {QStringLiteral("fwdnl\n"), QStringLiteral("space ")}) {
        SCOPED_TRACE(name.toStdString());
        const QString folder = tree.makeDir(name);
        ASSERT_TRUE(folder.endsWith(name));
        ASSERT_TRUE(forward({folder, {}}));
        SearchWindow* window = delegate.windows().constLast();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->destinations()->storedDestination() == folder; }, 10000))
            << window->destinations()->storedDestination().toStdString();
    }
}

} // namespace
} // namespace sorvant::test
