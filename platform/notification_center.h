#pragma once
// A process-wide notification center: observers register for a name (and
// optionally one object) and are called with the notification.
//
// post() delivers synchronously on the posting thread, in registration order.
// postOnMainThread() queues delivery to the main (GUI) thread's event loop,
// which is how background work announces results to the interface.
// Observers may add or remove observers from inside a callback.

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>
#include <functional>

class QObject;

namespace sorvant {

struct Notification
{
    QString name;
    QVariant object;
    QVariantMap userInfo;
};

class NotificationCenter
{
public:
    using Observer = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    // The one center of the process.
    static NotificationCenter& defaultCenter();

    // Registers `observer` for notifications called `name` (every name when
    // empty) whose object equals `object` (every object when invalid). When
    // `context` is given, the registration ends when it is destroyed.
    Token addObserver(const QString& name, Observer observer, const QVariant& object = {},
                      QObject* context = nullptr);
    void removeObserver(Token token);

    void post(const Notification& notification);
    void post(const QString& name, const QVariant& object = {}, const QVariantMap& userInfo = {});
    // Delivers on the main thread; a process without a QCoreApplication
    // delivers at once on the calling thread.
    void postOnMainThread(const Notification& notification);

private:
    NotificationCenter() = default;
};

} // namespace sorvant
