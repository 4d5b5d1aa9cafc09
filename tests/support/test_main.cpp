// Entry point of every test executable: HOME and the XDG folders point into
// a temporary tree before anything runs, and a QCoreApplication exists for
// the whole run, so code that needs an event loop, timers or queued calls
// works.
#include "tests/support/hermetic_environment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    sorvant::test::useHermeticEnvironment();
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
