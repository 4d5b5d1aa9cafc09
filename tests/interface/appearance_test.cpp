#include "interface/appearance.h"

#include "interface/colors.h"
#include "interface/graphics_context.h"
#include "interface/image_loading.h"
#include "interface/images.h"
#include "platform/notification_center.h"
#include "tests/interface/support.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPicture>
#include <QProcess>
#include <QWidget>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

class CountingWidget : public QWidget, public AppearanceObserver
{
public:
    using QWidget::QWidget;
    void AppleInterfaceStyleDidChange(const QVariant&) override { ++count; }
    int count = 0;
};

TEST(Appearance, NamesWithDarkInAnyCaseAreDark)
{
    for (const char* dark : {"Dark", "dark", "NSAppearanceNameDarkAqua", "VibrantDARK"})
        EXPECT_TRUE(isDarkAppearanceName(QString::fromLatin1(dark))) << dark;
    for (const char* light : {"Light", "", "Aqua", "Drak"})
        EXPECT_FALSE(isDarkAppearanceName(QString::fromLatin1(light))) << light;
}

TEST(Appearance, EachSwitchIsAnnouncedOnceToDelegateWindowsViewsAndObservers)
{
    int posted = 0;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(kAppleInterfaceStyleDidChangeNotification), [&](const Notification&) { ++posted; });
    CountingWidget window;
    auto* view = new CountingWidget(&window);
    auto* plain = new QWidget(&window);
    auto* deep = new CountingWidget(plain);
    struct Delegate : AppearanceObserver
    {
        void AppleInterfaceStyleDidChange(const QVariant&) override { ++count; }
        int count = 0;
    } delegate;
    AppleInterfaceStyleMonitor::shared().setDelegate(&delegate);

    ASSERT_FALSE(isDarkAquaInterfaceStyle());
    test::setDarkPalette(true);
    EXPECT_TRUE(isDarkAquaInterfaceStyle());
    AppleInterfaceStyleMonitor::shared().appearanceMayHaveChanged(); // no change: nothing
    test::setDarkPalette(false);
    EXPECT_FALSE(isDarkAquaInterfaceStyle());

    AppleInterfaceStyleMonitor::shared().setDelegate(nullptr);
    NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(posted, 2);
    EXPECT_EQ(delegate.count, 2);
    EXPECT_EQ(window.count, 2);
    EXPECT_EQ(view->count, 2);
    EXPECT_EQ(deep->count, 2); // below a widget that does not observe
}

TEST(Appearance, DrawingQuestionsAskWhereThePainterDraws)
{
    EXPECT_FALSE(isCurrentContextDrawingDarkAquaInterfaceStyle());
    test::AppearanceScope dark(true);
    EXPECT_TRUE(isCurrentContextDrawingDarkAquaInterfaceStyle()); // no painter at all
    QImage image = test::blankImage(2, 2);
    QPainter screen(&image);
    EXPECT_TRUE(isDrawingDarkAquaInterfaceStyle(screen));
    QPicture picture;
    QPainter recorded(&picture);
    EXPECT_FALSE(isDrawingDarkAquaInterfaceStyle(recorded));
    GraphicsContextScope scope(recorded);
    EXPECT_FALSE(isCurrentContextDrawingDarkAquaInterfaceStyle());
}

struct TextColorCase
{
    const char* name;
    Color (*convert)(const Color&);
    Color from;
    Color expected; // null: keep the colour
};
void PrintTo(const TextColorCase& row, std::ostream* out) { test::printRowName(row, out); }

class TextColors : public testing::TestWithParam<TextColorCase> {};

TEST_P(TextColors, Convert)
{
    EXPECT_EQ(GetParam().convert(GetParam().from), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextColors,
    testing::Values(
        TextColorCase{"DarkBackgroundOfWhite", darkTextBackgroundColor, Color::deviceWhite(1.0), controlBackgroundColor()},
        TextColorCase{"DarkBackgroundOfGreyInverts", darkTextBackgroundColor, Color::deviceRGB(0.2, 0.2, 0.2),
                      Color::deviceRGB(1 - 51 / 255.0, 1 - 51 / 255.0, 1 - 51 / 255.0)},
        TextColorCase{"DarkBackgroundOfRedHalves", darkTextBackgroundColor, Color::deviceRGB(1, 0, 0),
                      Color::deviceRGB(0.5, 0, 0)},
        TextColorCase{"NearGreyWithinFiveLevels", darkTextBackgroundColor, Color::deviceRGB(0.2, 0.21, 0.22),
                      Color::deviceRGB(1 - 51 / 255.0, 1 - 54 / 255.0, 1 - 56 / 255.0)},
        TextColorCase{"ControlTextCountsAsBlack", darkTextForegroundColor, controlTextColor(),
                      Color::deviceRGB(1, 1, 1)},
        TextColorCase{"DarkForegroundOfRedKeeps", darkTextForegroundColor, Color::deviceRGB(1, 0, 0), Color()},
        TextColorCase{"LightBackgroundDoubles", lightTextBackgroundColor, Color::deviceRGB(0.6, 0.2, 0),
                      Color::deviceRGB(2 * 153 / 255.0, 2 * 51 / 255.0, 0)},
        TextColorCase{"LightBackgroundOfBlack", lightTextBackgroundColor, Color::deviceWhite(0), controlBackgroundColor()},
        TextColorCase{"LightForegroundOfWhite", lightTextForegroundColor, Color::whiteColor(), systemTextColor()},
        TextColorCase{"LightForegroundOfRedKeeps", lightTextForegroundColor, Color::deviceRGB(1, 0, 0), Color()},
        TextColorCase{"NullStaysNull", lightTextForegroundColor, Color(), Color()}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Appearance, LightBackgroundPassesComponentsAboveOne)
{
    const Color doubled = lightTextBackgroundColor(Color::deviceRGB(0.6, 0.2, 0));
    EXPECT_NEAR(doubled.redComponent(), 1.2, 1e-9);
    EXPECT_EQ(doubled.alphaComponent(), 1.0);
}

Image blackSquare()
{
    QImage pixels = test::blankImage(8, 8);
    QPainter painter(&pixels);
    painter.fillRect(2, 2, 4, 4, Qt::black);
    painter.end();
    return Image::withBitmap(pixels);
}

TEST(Appearance, TintsKeepShapeAndTemplateFlag)
{
    Image image = blackSquare();
    image.setTemplate(true);
    const Image tinted = imageTintedForDarkToolbar(image);
    ASSERT_TRUE(tinted);
    EXPECT_TRUE(image.isTemplate());
    const QImage pixels = bitmapImageRep(tinted)->pixels();
    EXPECT_EQ(pixels.pixelColor(3, 3), QColor(Qt::white));
    EXPECT_EQ(pixels.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(bitmapImageRep(image)->pixels().pixelColor(3, 3), QColor(Qt::black)); // receiver unchanged

    EXPECT_TRUE(AppleInterfaceImage(image).isSameImage(image));
    test::AppearanceScope dark(true);
    EXPECT_FALSE(AppleInterfaceImage(image).isSameImage(image));
    EXPECT_EQ(bitmapImageRep(AppleInterfaceImage(image))->pixels().pixelColor(3, 3).red(), 204);
}

// The dark tint paints over the picture's shape: a full-colour picture would
// become a flat grey box, so it keeps its colours while grey glyphs are tinted.
TEST(Appearance, DarkInterfaceImagesKeepFullColourPictures)
{
    QImage pixels = test::blankImage(8, 8);
    QPainter painter(&pixels);
    painter.fillRect(0, 0, 8, 8, QColor(47, 111, 214));
    painter.fillRect(2, 2, 4, 4, Qt::white);
    painter.end();
    const Image colour = Image::withBitmap(pixels);
    test::AppearanceScope dark(true);
    const Image shown = AppleInterfaceImage(colour);
    ASSERT_TRUE(shown);
    EXPECT_EQ(bitmapImageRep(shown)->pixels().pixelColor(0, 0), QColor(47, 111, 214));
    EXPECT_EQ(bitmapImageRep(shown)->pixels().pixelColor(3, 3), QColor(Qt::white));
}

TEST(Appearance, ToolbarImagesBySortAndAppearance)
{
    const Image symbol = imageWithSymbolName(QStringLiteral("gear"));
    ASSERT_TRUE(symbol);
    const Image plain = blackSquare();
    EXPECT_TRUE(AppleToolbarImage(symbol).isSameImage(symbol));
    EXPECT_FALSE(symbol.isTemplate());
    const Image light = AppleToolbarImage(plain);
    EXPECT_TRUE(light.isSameImage(plain));
    EXPECT_TRUE(plain.isTemplate());
    test::AppearanceScope dark(true);
    EXPECT_TRUE(AppleToolbarImage(symbol).isSameImage(symbol));
    EXPECT_FALSE(AppleToolbarImage(blackSquare()).isTemplate());
}

// --- the portal --------------------------------------------------------------------------

// A settings portal of our own on a private bus, answering "color-scheme".
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 0;
public slots:
    QDBusVariant Read(const QString& settingsNamespace, const QString& key)
    {
        Q_UNUSED(settingsNamespace);
        Q_UNUSED(key);
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
signals:
    void SettingChanged(const QString& settingsNamespace, const QString& key, const QDBusVariant& value);
};

class PortalBus : public testing::Test
{
protected:
    void SetUp() override
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_daemon.waitForStarted(3000) || !m_daemon.waitForReadyRead(3000))
            GTEST_SKIP() << "no dbus-daemon to run a private session bus";
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QDBusConnection server = QDBusConnection::connectToBus(m_address, QStringLiteral("portal-server"));
        ASSERT_TRUE(server.isConnected());
        ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &m_portal,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    void TearDown() override
    {
        QDBusConnection::connectToBus(m_address, QStringLiteral("portal-server"))
            .unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-client"));
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
    // Dispatches events until the monitor has switched `count` times in all
    // (at most 3 s).
    static void waitForSwitches(const int& switches, int count)
    {
        QElapsedTimer timer;
        timer.start();
        while (switches < count && timer.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    FakePortal m_portal;
    QProcess m_daemon;
    QString m_address;
};

TEST_F(PortalBus, ColorSchemeDecidesAndItsChangesSwitch)
{
    FakePortal& portal = m_portal;
    portal.scheme = 1;

    {
        // Making the monitor dispatches no posted event (made inside a
        // paint, it would paint again inside itself).
        bool dispatched = false;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { dispatched = true; }, Qt::QueuedConnection);
        AppleInterfaceStyleMonitor monitor(QDBusConnection::connectToBus(m_address, QStringLiteral("portal-client")));
        EXPECT_FALSE(dispatched);
        EXPECT_FALSE(monitor.isDark()) << "the light palette decides until the portal answers";

        int switches = 0;
        QObject::connect(&monitor, &AppleInterfaceStyleMonitor::darkChanged, [&] { ++switches; });
        auto waitFor = [&](int count) { waitForSwitches(switches, count); };
        // The answer comes as a switch: the portal prefers dark.
        waitFor(1);
        EXPECT_TRUE(dispatched);
        EXPECT_TRUE(monitor.isDark());
        EXPECT_EQ(monitor.effectiveAppearanceName(), QStringLiteral("Dark"));
        switches = 0;

        auto emitScheme = [&](uint scheme) {
            emit portal.SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                                       QDBusVariant(scheme));
        };
        emitScheme(2);
        waitFor(1);
        EXPECT_EQ(switches, 1);
        EXPECT_FALSE(monitor.isDark());
        emitScheme(0); // no preference: the light palette decides, still light
        emitScheme(1);
        waitFor(2);
        EXPECT_EQ(switches, 2);
        EXPECT_TRUE(monitor.isDark());
    }
}

QColor applicationWindowColor()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

TEST_F(PortalBus, DarkSchemeOverALightPaletteGivesTheDarkPaletteUntilItTurnsLight)
{
    FakePortal& portal = m_portal;
    portal.scheme = 1;
    test::setDarkPalette(false);
    const QColor desktopLight = applicationWindowColor();
    const QPalette dark = darkFusionPalette();
    {
        AppleInterfaceStyleMonitor monitor(QDBusConnection::connectToBus(m_address, QStringLiteral("portal-client")));
        int switches = 0;
        QObject::connect(&monitor, &AppleInterfaceStyleMonitor::darkChanged, [&] { ++switches; });
        auto waitFor = [&](int count) { waitForSwitches(switches, count); };
        // A call answered after the signal was sent puts the signal in the
        // client's queue; the events dispatched next deliver it.
        QDBusConnection client = QDBusConnection::connectToBus(m_address, QStringLiteral("portal-client"));
        auto emitScheme = [&](uint scheme, int expectedSwitches) {
            emit portal.SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                                       QDBusVariant(scheme));
            QDBusMessage read = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
                QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
            read << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
            const QDBusPendingCall answered = client.asyncCall(read);
            QElapsedTimer timer;
            timer.start();
            while (!answered.isFinished() && timer.elapsed() < 3000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::processEvents();
            waitFor(expectedSwitches);
        };
        // Rows drawn in light text need a dark palette under them.
        waitFor(1);
        ASSERT_TRUE(monitor.isDark());
        EXPECT_EQ(applicationWindowColor(), dark.color(QPalette::Window));
        EXPECT_GT(QApplication::palette().color(QPalette::Text).lightness(), 200);
        EXPECT_LT(QApplication::palette().color(QPalette::Base).lightness(), 60);
        const QPalette set = QApplication::palette();
        const int enabled = set.color(QPalette::Active, QPalette::ButtonText).lightness();
        const int disabled = set.color(QPalette::Disabled, QPalette::ButtonText).lightness();
        EXPECT_LT(disabled, enabled) << "disabled text is dimmer than enabled text";
        EXPECT_GT(disabled, set.color(QPalette::Window).lightness());

        emitScheme(2, 2);
        EXPECT_FALSE(monitor.isDark());
        EXPECT_EQ(applicationWindowColor(), desktopLight) << "the desktop's light palette is back";
        emitScheme(0, 2); // no preference: our dark palette was never the desktop's
        EXPECT_FALSE(monitor.isDark());
        EXPECT_EQ(applicationWindowColor(), desktopLight);

        // A theme that is dark already stays as it is, both ways.
        emitScheme(2, 2);
        test::setDarkPalette(true);
        const QColor themeDark = applicationWindowColor();
        EXPECT_FALSE(monitor.isDark()) << "the portal's light preference decides";
        emitScheme(1, 3);
        EXPECT_TRUE(monitor.isDark());
        EXPECT_EQ(applicationWindowColor(), themeDark);
        emitScheme(2, 4);
        EXPECT_FALSE(monitor.isDark());
        EXPECT_EQ(applicationWindowColor(), themeDark);
    }
    test::setDarkPalette(false);
}

} // namespace
} // namespace sorvant

#include "appearance_test.moc"
