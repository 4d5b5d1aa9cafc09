#pragma once
// Helpers of the interface tests: windows shown and activated explicitly
// (offscreen there is no window manager to do it), and a user-defaults file
// of the test's own.

#include "platform/user_defaults.h"
#include "tests/support/temp_tree.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace sorvant::test {

// How long a test waits for a condition before it fails, in milliseconds:
// many times what a loaded machine under a sanitizer needs.
constexpr int kConditionWait = 10'000;

// Runs the event loop until a timer started now for `ms` has fired, so
// every timer due before it has had its turn. A check that something does
// not happen waits this way, for several times the delay that would make it
// happen.
inline bool runTimersDueWithin(int ms)
{
    QTimer sentinel;
    sentinel.setSingleShot(true);
    sentinel.setTimerType(Qt::PreciseTimer);
    bool fired = false;
    QObject::connect(&sentinel, &QTimer::timeout, &sentinel, [&fired] { fired = true; });
    sentinel.start(ms);
    return QTest::qWaitFor([&fired] { return fired; }, ms + kConditionWait);
}

// Shows the window and waits until it is the active one.
inline void activate(QWidget& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << window.metaObject()->className();
}

// Defaults kept in a file of the test's temporary folder.
class DefaultsFixture : public ::testing::Test
{
protected:
    TempTree tree;
    UserDefaults defaults{tree.filePath(QStringLiteral("defaults.plist"))};
};

} // namespace sorvant::test
