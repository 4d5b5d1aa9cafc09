// Entry point of every test executable: a QCoreApplication exists for the
// whole run, so code that needs an event loop, timers or queued calls works.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
