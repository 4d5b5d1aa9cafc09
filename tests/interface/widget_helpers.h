#pragma once
// Helpers of the interface tests: windows shown and activated explicitly
// (offscreen there is no window manager to do it), and a user-defaults file
// of the test's own.

#include "platform/user_defaults.h"
#include "tests/support/temp_tree.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace sorvant::test {

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
