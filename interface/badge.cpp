#include "interface/badge.h"

#include "foundation/user_defaults_getters.h"
#include "platform/thread_hand_off.h"
#include "platform/user_defaults.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <mutex>

namespace sorvant {

namespace {

// A reset shortly after the last change, so that a burst of changes from a
// finished search is not undone before it is seen.
constexpr double kResetDelay = 0.2;

std::atomic<quint64> g_counter{0};
std::atomic<quint64> g_locks{0};
std::atomic<BadgeDisplay*> g_display{nullptr};
std::atomic<UserDefaults*> g_defaults{nullptr};

class TimerDelayedCall : public DelayedCall
{
public:
    // The timer belongs to the application object; it must not outlive the
    // call it would run.
    ~TimerDelayedCall() override { delete m_timer.data(); }

    void schedule(double seconds, std::function<void()> call) override
    {
        if (!m_timer) {
            m_timer = new QTimer(QCoreApplication::instance());
            m_timer->setSingleShot(true);
            QObject::connect(m_timer, &QTimer::timeout, [this] {
                if (m_call)
                    m_call();
            });
        }
        m_call = std::move(call);
        m_timer->start(static_cast<int>(seconds * 1000));
    }
    void cancel() override
    {
        if (m_timer)
            m_timer->stop();
    }

private:
    QPointer<QTimer> m_timer;
    std::function<void()> m_call;
};

std::unique_ptr<DelayedCall>& delayedCall()
{
    static std::unique_ptr<DelayedCall> call = std::make_unique<TimerDelayedCall>();
    return call;
}

bool isBadgeDisabled()
{
    const UserDefaults* defaults = g_defaults.load();
    return boolForKey(defaults ? *defaults : UserDefaults::standardUserDefaults(), QStringLiteral("DisableBadgeLabel"),
                      false);
}

void showCounter()
{
    if (BadgeDisplay* display = g_display.load())
        display->showBadgeLabel(badgeLabelForCount(g_counter.load()));
}

bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

class LauncherEntryDisplay : public BadgeDisplay
{
public:
    explicit LauncherEntryDisplay(const QString& desktopFileName)
        : m_uri(QStringLiteral("application://") + desktopFileName)
    {
    }

    void showBadgeLabel(const QString& label) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        // Docks match the entry by the URI; the object path only has to be
        // a valid, stable one for this application.
        const QString path = QStringLiteral("/com/canonical/unity/launcherentry/%1").arg(qHash(m_uri));
        QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                         QStringLiteral("Update"));
        const qint64 count = badgeCountForLabel(label);
        signal << m_uri
               << QVariantMap{{QStringLiteral("count"), QVariant::fromValue(count)},
                              {QStringLiteral("count-visible"), count > 0}};
        bus.send(signal);
    }

private:
    QString m_uri;
};

class ApplicationTitleDisplay : public BadgeDisplay
{
public:
    explicit ApplicationTitleDisplay(const QString& name) : m_name(name) {}

    void showBadgeLabel(const QString& label) override
    {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return;
        QGuiApplication::setApplicationDisplayName(label.isEmpty() ? m_name
                                                                   : QStringLiteral("%1 (%2)").arg(m_name, label));
    }

private:
    QString m_name;
};

} // namespace

QString badgeLabelForCount(quint64 count)
{
    return count == 0 ? QStringLiteral("") : QStringLiteral("+%1").arg(count);
}

qint64 badgeCountForLabel(const QString& label)
{
    if (!label.startsWith(QLatin1Char('+')))
        return 0;
    bool ok = false;
    const qint64 count = label.mid(1).toLongLong(&ok);
    return ok && count > 0 ? count : 0;
}

quint64 badgeCounter()
{
    return g_counter.load();
}

quint64 badgeLockCount()
{
    return g_locks.load();
}

void lockBadgeLabel()
{
    ++g_locks;
}

void unlockBadgeLabel()
{
    quint64 locks = g_locks.load();
    while (locks > 0 && !g_locks.compare_exchange_weak(locks, locks - 1)) {
    }
}

void updateBadgeLabel()
{
    if (isBadgeDisabled())
        return;
    if (!isMainThread()) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), handedOff([] { showCounter(); }), Qt::QueuedConnection);
        return;
    }
    showCounter();
}

void decreaseBadgeLabel(quint64 n)
{
    if (n == 0)
        return;
    quint64 counter = g_counter.load();
    while (!g_counter.compare_exchange_weak(counter, counter > n ? counter - n : 0)) {
    }
    updateBadgeLabel();
}

void increaseBadgeLabel(quint64 n)
{
    if (n == 0)
        return;
    g_counter += n;
    updateBadgeLabel();
}

void resetBadgeLabel()
{
    if (g_counter.load() == 0 || g_locks.load() != 0)
        return;
    g_counter = 0;
    updateBadgeLabel();
}

void resetBadgeLabelDelayed()
{
    delayedCall()->schedule(kResetDelay, [] { resetBadgeLabel(); });
}

void cancelResetBadgeLabelDelayed()
{
    delayedCall()->cancel();
}

BadgeDisplay* setBadgeDisplay(BadgeDisplay* display)
{
    return g_display.exchange(display);
}

void setBadgeDelayedCall(std::unique_ptr<DelayedCall> call)
{
    delayedCall() = call ? std::move(call) : std::make_unique<TimerDelayedCall>();
}

void setBadgeDefaults(UserDefaults* defaults)
{
    g_defaults = defaults;
}

void resetBadgeState()
{
    g_counter = 0;
    g_locks = 0;
}

BadgeDisplay& applicationTitleBadgeDisplay(const QString& applicationName)
{
    static ApplicationTitleDisplay display(applicationName);
    return display;
}

BadgeDisplay& launcherEntryBadgeDisplay(const QString& desktopFileName)
{
    static LauncherEntryDisplay display(desktopFileName);
    return display;
}

} // namespace sorvant
