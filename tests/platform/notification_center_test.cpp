#include "platform/notification_center.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace sorvant {
namespace {

class NotificationCenterTest : public testing::Test
{
protected:
    void TearDown() override
    {
        for (auto token : m_tokens)
            NotificationCenter::defaultCenter().removeObserver(token);
    }
    NotificationCenter::Token observe(const QString& name, NotificationCenter::Observer observer,
                                      const QVariant& object = {}, QObject* context = nullptr)
    {
        auto token = NotificationCenter::defaultCenter().addObserver(name, std::move(observer), object, context);
        m_tokens.push_back(token);
        return token;
    }
    std::vector<NotificationCenter::Token> m_tokens;
};

TEST_F(NotificationCenterTest, DeliversByNameAndObjectInRegistrationOrder)
{
    QStringList calls;
    observe(QStringLiteral("A"), [&](const Notification& n) { calls << "first:" + n.userInfo.value("k").toString(); });
    observe(QStringLiteral("B"), [&](const Notification&) { calls << QStringLiteral("wrong name"); });
    observe(QStringLiteral("A"), [&](const Notification&) { calls << QStringLiteral("object 2"); }, 2);
    observe(QString(), [&](const Notification& n) { calls << "any:" + n.name; });

    NotificationCenter::defaultCenter().post(QStringLiteral("A"), 1, {{QStringLiteral("k"), QStringLiteral("v")}});
    EXPECT_EQ(calls, (QStringList{QStringLiteral("first:v"), QStringLiteral("any:A")}));
}

TEST_F(NotificationCenterTest, RemovedAndContextBoundObserversStop)
{
    int calls = 0;
    auto token = observe(QStringLiteral("N"), [&](const Notification&) { ++calls; });
    auto context = std::make_unique<QObject>();
    observe(QStringLiteral("N"), [&](const Notification&) { calls += 10; }, {}, context.get());

    NotificationCenter::defaultCenter().post(QStringLiteral("N"));
    EXPECT_EQ(calls, 11);
    NotificationCenter::defaultCenter().removeObserver(token);
    context.reset();
    NotificationCenter::defaultCenter().post(QStringLiteral("N"));
    EXPECT_EQ(calls, 11);
}

TEST_F(NotificationCenterTest, ObserverMayRemoveAnotherDuringDelivery)
{
    int secondCalls = 0;
    NotificationCenter::Token second = 0;
    observe(QStringLiteral("N"), [&](const Notification&) { NotificationCenter::defaultCenter().removeObserver(second); });
    second = observe(QStringLiteral("N"), [&](const Notification&) { ++secondCalls; });
    NotificationCenter::defaultCenter().post(QStringLiteral("N"));
    EXPECT_EQ(secondCalls, 0);
}

TEST_F(NotificationCenterTest, PostOnMainThreadDeliversOnMainThread)
{
    QThread* deliveredOn = nullptr;
    observe(QStringLiteral("Main"), [&](const Notification&) { deliveredOn = QThread::currentThread(); });
    std::thread worker([] { NotificationCenter::defaultCenter().postOnMainThread({QStringLiteral("Main"), {}, {}}); });
    worker.join();
    EXPECT_EQ(deliveredOn, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
}

} // namespace
} // namespace sorvant
