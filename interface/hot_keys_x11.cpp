// The X11 backend of global hot keys: passive key grabs on the root window
// through a connection of its own, so it works whatever Qt platform plugin
// draws the windows.
#include "interface/events.h"
#include "interface/hot_keys.h"

#include <QSocketNotifier>

#include <list>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace sorvant {

struct HotKey {
    xcb_keycode_t keyCode = 0;
    quint16 modifiers = 0;
    HotKeyID id;
};

namespace {

// Lock-type modifiers that must not stop a hot key: Caps Lock and Num Lock
// (Mod2 on every common keyboard map).
constexpr quint16 kIgnoredLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

// Carbon modifiers to X masks, by the toolkit's key mapping: Command is
// Ctrl, Control is the Super ("Meta") key, Option is Alt.
quint16 xModifiers(quint32 carbon)
{
    quint16 mask = 0;
    if (carbon & kCarbonShiftKey)
        mask |= XCB_MOD_MASK_SHIFT;
    if (carbon & kCarbonCommandKey)
        mask |= XCB_MOD_MASK_CONTROL;
    if (carbon & kCarbonOptionKey)
        mask |= XCB_MOD_MASK_1;
    if (carbon & kCarbonControlKey)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

class X11HotKeyBackend : public HotKeyBackend
{
public:
    X11HotKeyBackend(xcb_connection_t* connection, std::function<void(HotKeyID)> pressed)
        : m_connection(connection)
        , m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
        , m_pressed(std::move(pressed))
        , m_notifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { readEvents(); });
    }

    ~X11HotKeyBackend() override
    {
        for (HotKey& hotKey : m_hotKeys)
            ungrab(hotKey);
        xcb_disconnect(m_connection);
    }

    HotKeyRef registerHotKey(quint32 keyCode, quint32 carbonModifiers, HotKeyID id) override
    {
        if (keyCode < 8 || keyCode > 255)
            return nullptr;
        HotKey hotKey{static_cast<xcb_keycode_t>(keyCode), xModifiers(carbonModifiers), id};
        for (quint16 locks : kIgnoredLocks) {
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(
                m_connection, 0, m_root, static_cast<quint16>(hotKey.modifiers | locks), hotKey.keyCode,
                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
                // Another client holds the combination: give back what was
                // taken so far and refuse.
                free(error);
                ungrab(hotKey);
                return nullptr;
            }
        }
        m_hotKeys.push_back(hotKey);
        return &m_hotKeys.back();
    }

    void unregisterHotKey(HotKeyRef hotKey) override
    {
        for (auto it = m_hotKeys.begin(); it != m_hotKeys.end(); ++it) {
            if (&*it == hotKey) {
                ungrab(*it);
                m_hotKeys.erase(it);
                return;
            }
        }
    }

private:
    void ungrab(const HotKey& hotKey)
    {
        for (quint16 locks : kIgnoredLocks)
            xcb_ungrab_key(m_connection, hotKey.keyCode, m_root, static_cast<quint16>(hotKey.modifiers | locks));
        xcb_flush(m_connection);
    }

    void readEvents()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS) {
                const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
                const quint16 state = press->state & ~(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
                for (const HotKey& hotKey : m_hotKeys) {
                    if (hotKey.keyCode == press->detail && hotKey.modifiers == state && m_pressed)
                        m_pressed(hotKey.id);
                }
            }
            free(event);
        }
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::function<void(HotKeyID)> m_pressed;
    QSocketNotifier m_notifier;
    // A list, so references handed out stay valid while others come and go.
    std::list<HotKey> m_hotKeys;
};

} // namespace

std::unique_ptr<HotKeyBackend> makeX11HotKeyBackend(const char* display, std::function<void(HotKeyID)> pressed)
{
    if (!display && qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return nullptr;
    }
    return std::make_unique<X11HotKeyBackend>(connection, std::move(pressed));
}

quint32 x11KeyCodeForKeySym(quint32 keySym, const char* display)
{
    if (!display && qEnvironmentVariableIsEmpty("DISPLAY"))
        return 0;
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    quint32 keyCode = 0;
    if (connection && !xcb_connection_has_error(connection)) {
        if (xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection)) {
            if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keySym)) {
                keyCode = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
                free(codes);
            }
            xcb_key_symbols_free(symbols);
        }
    }
    if (connection)
        xcb_disconnect(connection);
    return keyCode;
}

} // namespace sorvant
