#pragma once
// A service on the session bus, on a connection of its own, that records
// every method call it receives and answers it with an empty reply (or an
// error when told to). Tests of code that talks to desktop services over
// D-Bus run under a private bus (dbus-run-session) and skip without one.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QThread>
#include <QVariantList>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace sorvant::test {

struct RecordedCall
{
    QString path;
    QString interface;
    QString member;
    QVariantList arguments;
};

// The object lives on a thread of its own, so that the code under test may
// call it synchronously from the test's thread.
class FakeBusService : public QDBusVirtualObject
{
public:
    // Owns `serviceName` and answers every object path below "/".
    explicit FakeBusService(const QString& serviceName)
        : m_name(serviceName),
          m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                     QStringLiteral("fake-") + serviceName))
    {
        if (!m_connection.isConnected())
            return;
        m_registered = m_connection.registerVirtualObject(QStringLiteral("/"), this,
                                                          QDBusConnection::SubPath);
        m_thread.start();
        moveToThread(&m_thread);
        m_registered = m_registered && m_connection.registerService(serviceName);
    }
    ~FakeBusService() override
    {
        releaseAnswers();
        if (m_connection.isConnected()) {
            m_connection.unregisterService(m_name);
            m_connection.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-") + m_name);
        m_thread.quit();
        m_thread.wait();
    }
    FakeBusService(const FakeBusService&) = delete;
    FakeBusService& operator=(const FakeBusService&) = delete;

    [[nodiscard]] bool isRegistered() const { return m_registered; }

    // Makes the next calls fail with a D-Bus error.
    void setFailing(bool failing)
    {
        std::lock_guard lock(m_mutex);
        m_failing = failing;
    }

    // Holds the answers to the next calls until releaseAnswers (or the
    // service goes): a service that answers only after its caller gave up,
    // however slow the machine.
    void holdAnswers()
    {
        std::lock_guard lock(m_mutex);
        m_holding = true;
    }
    void releaseAnswers()
    {
        {
            std::lock_guard lock(m_mutex);
            m_holding = false;
        }
        m_released.notify_all();
    }

    [[nodiscard]] QList<RecordedCall> calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        bool failing = false;
        {
            std::unique_lock lock(m_mutex);
            m_calls.append({message.path(), message.interface(), message.member(), message.arguments()});
            m_released.wait(lock, [this] { return !m_holding; });
            failing = m_failing;
        }
        connection.send(failing ? message.createErrorReply(QStringLiteral("org.example.Error.Refused"),
                                                           QStringLiteral("refused"))
                                : message.createReply());
        return true;
    }

private:
    QString m_name;
    QThread m_thread;
    QDBusConnection m_connection;
    bool m_registered = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_failing = false;
    bool m_holding = false;
    QList<RecordedCall> m_calls;
};

#define SORVANT_SKIP_WITHOUT_SESSION_BUS()                                        \
    do {                                                                          \
        if (!QDBusConnection::sessionBus().isConnected())                         \
            GTEST_SKIP() << "no session bus (run under dbus-run-session)";        \
    } while (false)

} // namespace sorvant::test
