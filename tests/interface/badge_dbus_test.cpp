// Runs under dbus-run-session (see SessionTests.cmake): the badge's signal
// goes out on a private session bus and a second connection listens.
#include "interface/badge.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusMessage>
#include <QTest>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class LauncherEntryListener : public QObject
{
    Q_OBJECT
public:
    QList<QVariantList> updates;
public slots:
    void update(const QDBusMessage& message) { updates.append(message.arguments()); }
};

TEST(LauncherEntryBadge, SendsTheCountAndItsVisibility)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    QDBusConnection listenerBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener"));
    ASSERT_TRUE(listenerBus.isConnected());
    LauncherEntryListener listener;
    ASSERT_TRUE(listenerBus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                    QStringLiteral("Update"), &listener, SLOT(update(QDBusMessage))));

    BadgeDisplay& display = launcherEntryBadgeDisplay();
    display.showBadgeLabel(QStringLiteral("+12"));
    display.showBadgeLabel(QStringLiteral(""));
    ASSERT_TRUE(QTest::qWaitFor([&listener] { return listener.updates.size() == 2; }, 5000));

    const struct {
        qint64 count;
        bool visible;
    } expected[] = {{12, true}, {0, false}};
    for (int index = 0; index < 2; ++index) {
        SCOPED_TRACE(index);
        const QVariantList& arguments = listener.updates.at(index);
        ASSERT_EQ(arguments.size(), 2);
        EXPECT_EQ(arguments.at(0).toString(), QStringLiteral("application://sorvant.desktop"));
        const QVariantMap properties = qdbus_cast<QVariantMap>(arguments.at(1).value<QDBusArgument>());
        EXPECT_EQ(properties.value(QStringLiteral("count")).typeId(), QMetaType::LongLong);
        EXPECT_EQ(properties.value(QStringLiteral("count")).toLongLong(), expected[index].count);
        EXPECT_EQ(properties.value(QStringLiteral("count-visible")).toBool(), expected[index].visible);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
}

} // namespace
} // namespace sorvant

#include "badge_dbus_test.moc"
