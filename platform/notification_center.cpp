#include "platform/notification_center.h"

#include "platform/thread_hand_off.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <map>
#include <mutex>
#include <vector>

namespace sorvant {

namespace {

struct Registration
{
    QString name;
    QVariant object;
    NotificationCenter::Observer observer;
    QPointer<QObject> context;
    bool hasContext = false;
};

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Ordered by token, so delivery follows registration order.
std::map<NotificationCenter::Token, Registration>& registry()
{
    static std::map<NotificationCenter::Token, Registration> registrations;
    return registrations;
}

NotificationCenter::Token nextToken()
{
    static NotificationCenter::Token last = 0;
    return ++last;
}

} // namespace

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Observer observer,
                                                          const QVariant& object, QObject* context)
{
    Token token = 0;
    {
        std::lock_guard lock(registryMutex());
        token = nextToken();
        registry()[token] = Registration{name, object, std::move(observer), context, context != nullptr};
    }
    if (context)
        QObject::connect(context, &QObject::destroyed, [this, token] { removeObserver(token); });
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::lock_guard lock(registryMutex());
    registry().erase(token);
}

void NotificationCenter::post(const Notification& notification)
{
    // Observers run without the lock so that they may register or remove
    // observers; a snapshot of the matching registrations is taken first.
    std::vector<std::pair<Token, Observer>> matching;
    {
        std::lock_guard lock(registryMutex());
        for (const auto& [token, registration] : registry()) {
            if (registration.hasContext && !registration.context)
                continue;
            if (!registration.name.isEmpty() && registration.name != notification.name)
                continue;
            if (registration.object.isValid() && registration.object != notification.object)
                continue;
            matching.emplace_back(token, registration.observer);
        }
    }
    for (const auto& [token, observer] : matching) {
        bool stillRegistered = false;
        {
            std::lock_guard lock(registryMutex());
            stillRegistered = registry().count(token) != 0;
        }
        if (stillRegistered)
            observer(notification);
    }
}

void NotificationCenter::post(const QString& name, const QVariant& object, const QVariantMap& userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::postOnMainThread(const Notification& notification)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        post(notification);
        return;
    }
    QMetaObject::invokeMethod(app, handedOff([this, notification] { post(notification); }), Qt::QueuedConnection);
}

} // namespace sorvant
