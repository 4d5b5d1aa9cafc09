// Runs under xvfb-run (see SessionTests.cmake): key grabs on a real X
// server, and a second client that finds the combination taken.
#include "interface/events.h"
#include "interface/hot_keys.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <utility>

namespace sorvant {
namespace {

// The four characters "Srvt" as one 32-bit code.
constexpr quint32 kSignature = 0x53727674;

constexpr quint32 kF12KeySym = 0xffc9;

class X11HotKeys : public ::testing::Test
{
protected:
    // A virtual X server resets when its last client leaves and refuses
    // connections meanwhile: one client stays for the whole suite.
    static void SetUpTestSuite() { s_keepServer = xcb_connect(nullptr, nullptr); }
    static void TearDownTestSuite() { xcb_disconnect(std::exchange(s_keepServer, nullptr)); }

    void SetUp() override
    {
        backend = makeX11HotKeyBackend();
        if (!backend)
            GTEST_SKIP() << "no X server";
        keyCode = x11KeyCodeForKeySym(kF12KeySym);
        ASSERT_NE(keyCode, 0u);
    }

    // YES when another client can grab the combination (Ctrl+Shift in X terms).
    static bool otherClientCanGrab(quint32 keyCode, quint16 modifiers)
    {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, root, modifiers, static_cast<xcb_keycode_t>(keyCode),
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const bool granted = error == nullptr;
        free(error);
        xcb_disconnect(connection);
        return granted;
    }

    static inline xcb_connection_t* s_keepServer = nullptr;
    std::unique_ptr<HotKeyBackend> backend;
    quint32 keyCode = 0;
};

TEST_F(X11HotKeys, AGrabHoldsTheCombinationUntilReleased)
{
    const quint16 controlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    HotKeyRef ref = backend->registerHotKey(keyCode, modifierFlags2CarbonModifiers(kCommandKeyMask | kShiftKeyMask),
                                            {kSignature, 1});
    ASSERT_NE(ref, nullptr);
    EXPECT_FALSE(otherClientCanGrab(keyCode, controlShift));
    EXPECT_FALSE(otherClientCanGrab(keyCode, controlShift | XCB_MOD_MASK_2)) << "also with Num Lock on";
    EXPECT_TRUE(otherClientCanGrab(keyCode, XCB_MOD_MASK_CONTROL)) << "other combinations stay free";
    backend->unregisterHotKey(ref);
    EXPECT_TRUE(otherClientCanGrab(keyCode, controlShift));
}

TEST_F(X11HotKeys, ACombinationHeldElsewhereIsRefusedWithNothingLeftBehind)
{
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    // The other client holds only the Num Lock variant: our grab fails part
    // way and must give back the variants it already took.
    free(xcb_request_check(other, xcb_grab_key_checked(other, 0, root, XCB_MOD_MASK_1 | XCB_MOD_MASK_2,
                                                       static_cast<xcb_keycode_t>(keyCode), XCB_GRAB_MODE_ASYNC,
                                                       XCB_GRAB_MODE_ASYNC)));
    EXPECT_EQ(backend->registerHotKey(keyCode, kCarbonOptionKey, {kSignature, 2}), nullptr);
    xcb_disconnect(other);
    EXPECT_TRUE(otherClientCanGrab(keyCode, XCB_MOD_MASK_1));
    EXPECT_EQ(backend->registerHotKey(3, 0, {kSignature, 3}), nullptr) << "not a key code";
}

// The default backend was made without a press callback, so every press
// of a registered hot key was dropped.
TEST_F(X11HotKeys, TheDefaultBackendDeliversPresses)
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "no xdotool to press keys";
    setHotKeyBackend(nullptr);
    QList<HotKeyID> pressed;
    const auto previous = setHotKeyHandler([&pressed](HotKeyID id) { pressed.append(id); });
    const quint32 id = nextHotKeyID();
    HotKeyRef ref = registerHotKey(keyCode, 0, kSignature);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(QProcess::execute(xdotool, {QStringLiteral("key"), QStringLiteral("F12")}), 0);
    EXPECT_TRUE(QTest::qWaitFor([&pressed] { return !pressed.isEmpty(); }, 3000));
    EXPECT_EQ(pressed, QList<HotKeyID>{(HotKeyID{kSignature, id})});
    unregisterHotKey(&ref);
    setHotKeyHandler(previous);
}

} // namespace
} // namespace sorvant
