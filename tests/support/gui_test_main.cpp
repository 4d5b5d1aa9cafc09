// Entry point of the test executables that need widgets: the toolkit's
// application object (a QApplication) for the whole run, with the font, locale and time zone fixed so that sizes and
// texts do not depend on the machine, and HOME and the XDG folders under a
// temporary folder so that no test reads or writes the user's own settings.
#include "interface/application.h"
#include "interface/fonts.h"
#include "tests/support/bound_by_permissions.h"
#include "tests/support/hermetic_environment.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QPalette>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread is bound alike.
    sorvant::test::bindPermissionsWhenAsked();
    testing::InitGoogleTest(&argc, argv);
    const QByteArray root = sorvant::test::useHermeticEnvironment().toLocal8Bit();
    if (root.isEmpty())
        return 2;
    // The desktop's own portal must not decide the appearance of the tests:
    // an address nobody listens on, so nothing is autolaunched either. The
    // suites that run on a private bus of their own keep theirs.
    if (!qEnvironmentVariableIsSet("SORVANT_TEST_PRIVATE_BUS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-session-bus");
    qputenv("TZ", "UTC");
    ::tzset();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    sorvant::VelmorApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    sorvant::setSystemFontFamily(QStringLiteral("DejaVu Sans"));
    // A light palette generated from one light grey (window and buttons alike).
    QApplication::setPalette(QPalette(QColor(240, 240, 240)));
    return RUN_ALL_TESTS();
}
