// Entry point of every test executable: HOME and the XDG folders point into
// a temporary tree before anything runs, and a QCoreApplication exists for
// the whole run, so code that needs an event loop, timers or queued calls
// works. A child started to run one test where permissions bind drops the
// capabilities that read past them first (bound_by_permissions.h).
#include "tests/support/bound_by_permissions.h"
#include "tests/support/hermetic_environment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread is bound alike.
    sorvant::test::bindPermissionsWhenAsked();
    sorvant::test::useHermeticEnvironment();
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
