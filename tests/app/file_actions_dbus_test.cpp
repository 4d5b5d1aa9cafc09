// Opening a result whose default application is D-Bus activatable and
// does not answer: the window keeps serving its events while the call is
// outstanding, and hears the launch's answer later.

#include "app/file_actions.h"
#include "app/search_window_commands.h"
#include "system/open_with.h"
#include "tests/app/app_test_support.h"
#include "tests/system/desktop_test_support.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace sorvant::test {
namespace {

// An application's object on its own bus connection and thread that holds
// each call without an answer until the interface thread has shown it is
// serving events (its heartbeat moved on by `beats`), or until it gives up.
// It then records how far the heartbeat moved while the call was held.
class HoldingApplication : public QDBusVirtualObject
{
public:
    HoldingApplication(const QString& name, const std::atomic<int>& heartbeat)
        : m_name(name),
          m_heartbeat(heartbeat),
          m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("holding")))
    {
        m_registered = m_connection.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
        m_thread.start();
        moveToThread(&m_thread);
        m_registered = m_registered && m_connection.registerService(name);
    }
    ~HoldingApplication() override
    {
        m_connection.unregisterService(m_name);
        m_connection.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(QStringLiteral("holding"));
        m_thread.quit();
        m_thread.wait();
    }
    HoldingApplication(const HoldingApplication&) = delete;
    HoldingApplication& operator=(const HoldingApplication&) = delete;

    [[nodiscard]] bool isRegistered() const { return m_registered; }
    // Heartbeats seen while a call was held; -1 before any call was answered.
    [[nodiscard]] int beatsWhileHeld() const { return m_beatsWhileHeld.load(); }
    [[nodiscard]] QString member() const { return m_member.load() ? QStringLiteral("Open") : QString(); }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() == QLatin1String("Open"))
            m_member.store(true);
        const int start = m_heartbeat.load();
        // About three seconds at most: well inside the caller's five.
        for (int i = 0; i < 300 && m_heartbeat.load() < start + kBeats; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        m_beatsWhileHeld.store(m_heartbeat.load() - start);
        connection.send(message.createReply());
        return true;
    }

    static constexpr int kBeats = 5;

private:
    QString m_name;
    const std::atomic<int>& m_heartbeat;
    QThread m_thread;
    QDBusConnection m_connection;
    bool m_registered = false;
    std::atomic<int> m_beatsWhileHeld{-1};
    std::atomic<bool> m_member{false};
};

using FileActionsDBusTest = AppFixture;

TEST_F(FileActionsDBusTest, OpenWaitingForAnApplicationOnTheBusKeepsTheWindowServingEvents)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus (run under dbus-run-session)";
    std::atomic<int> heartbeat{0};
    HoldingApplication application(QStringLiteral("org.example.Holding"), heartbeat);
    ASSERT_TRUE(application.isRegistered());
    DesktopHome desktop;
    desktop.writeApplication(QStringLiteral("org.example.Holding.desktop"), QStringLiteral("Holding"),
                             QStringLiteral("false %f"), QStringLiteral("DBusActivatable=true\nMimeType=text/plain;\n"));
    desktop.home.tree.writeFile(QStringLiteral("home/.config/mimeapps.list"),
                                "[Default Applications]\ntext/plain=org.example.Holding.desktop\n");
    forgetApplicationAnswers();
    tree.writeFile(QStringLiteral("w/note.txt"), "x");
    auto window = makeWindow();
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("note"), tree.filePath(QStringLiteral("w"))));
    window->resultsTable()->selectRows({0});

    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&heartbeat] { heartbeat.fetch_add(1); });
    beat.start(10);
    QSignalSpy answered(&window->fileActions(), &FileActions::launchAnswered);
    // Double-click's command, as the menu sends it.
    ASSERT_TRUE(window->commands().perform("openFile:"));
    ASSERT_TRUE(!answered.isEmpty() || answered.wait(10000));
    EXPECT_EQ(application.member(), QStringLiteral("Open"));
    EXPECT_GE(application.beatsWhileHeld(), HoldingApplication::kBeats)
        << "the interface thread served no events while the call was outstanding";
    EXPECT_EQ(window->findChild<QMessageBox*>(QStringLiteral("failure")), nullptr) << "the application took it";
    forgetApplicationAnswers();
}

} // namespace
} // namespace sorvant::test
