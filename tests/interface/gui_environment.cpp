// Entry point of the interface suite: drawing and fonts need a QApplication
// where the other suites have a QCoreApplication. Defining main here keeps the
// shared test main out of this program. HOME and the XDG folders point into a
// fresh temporary folder, the fonts and locale are pinned, and the palette
// starts light.
#include "interface/fonts.h"

#include <QApplication>
#include <QLocale>
#include <QPalette>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qputenv(name, (home.path() + u'/' + QString::fromLatin1(name)).toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The desktop's own portal must not decide the appearance of the tests;
    // the portal test starts a private bus of its own.
    // (An address nobody listens on, so nothing is autolaunched either.)
    qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + home.path() + "/no-session-bus").toUtf8());
    qputenv("TZ", "UTC");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    sorvant::setSystemFontFamily(QStringLiteral("DejaVu Sans"));
    QApplication::setPalette(QPalette(Qt::black, QColor(240, 240, 240)));
    return RUN_ALL_TESTS();
}
