#pragma once
// Global hot keys: key combinations that reach the application whatever
// window has the keyboard. On X11 a hot key is a passive grab of the key on
// the root window; Wayland offers no such thing to applications, so there
// (and offscreen) registering fails and answers the null reference.
//
// Every registration that reaches the backend takes the next id from one
// process-wide counter starting at 1, whether the backend accepts it or not.
//   registerHotKey(0, …)               => null, no id used
//   two accepted registrations          => ids n and n + 1
//   unregisterHotKey(&ref) twice        => one release; ref is null after the first
//
// A pressed hot key is announced through the backend's callback with the
// (signature, id) pair; the default backend calls the handler set with
// setHotKeyHandler. Acting on it is the caller's business.
//
// Not here: modifier conversions (events.h).

#include <QtGlobal>

#include <functional>
#include <memory>

namespace sorvant {

struct HotKeyID {
    quint32 signature = 0;
    quint32 id = 0;
    friend bool operator==(const HotKeyID&, const HotKeyID&) = default;
};

// The registration of one hot key; owned by the backend, null when none.
struct HotKey;
using HotKeyRef = HotKey*;

// Where hot keys are grabbed.
class HotKeyBackend
{
public:
    virtual ~HotKeyBackend() = default;
    // Grabs the key (the platform's key code) with the Carbon modifier word;
    // null when the platform refuses.
    virtual HotKeyRef registerHotKey(quint32 keyCode, quint32 carbonModifiers, HotKeyID id) = 0;
    virtual void unregisterHotKey(HotKeyRef hotKey) = 0;
};

// The backend in use: X11 when a display can be opened (its presses go to
// the hot-key handler), else one that refuses every registration.
// Replaceable for tests (an empty pointer restores the default); answers the
// previous one.
[[nodiscard]] HotKeyBackend& hotKeyBackend();
std::unique_ptr<HotKeyBackend> setHotKeyBackend(std::unique_ptr<HotKeyBackend> backend);

// A backend grabbing keys on the X server named by `display` (DISPLAY when
// null); null when that server cannot be reached. `pressed` is called on
// the main thread with the id of a pressed hot key.
[[nodiscard]] std::unique_ptr<HotKeyBackend> makeX11HotKeyBackend(const char* display = nullptr,
                                                                  std::function<void(HotKeyID)> pressed = {});

// The X key code of a key symbol (X11 keysym numbers: 0xffc9 is F12) on
// the server named by `display` (DISPLAY when null); 0 when the server
// cannot be reached or has no key for the symbol.
[[nodiscard]] quint32 x11KeyCodeForKeySym(quint32 keySym, const char* display = nullptr);

// Receives the pair of every hot key pressed through the default backend, on
// the main thread; an empty function drops the presses. Answers the previous
// handler.
std::function<void(HotKeyID)> setHotKeyHandler(std::function<void(HotKeyID)> handler);

// The next id the counter would hand out.
[[nodiscard]] quint32 nextHotKeyID();

// Registers `keyCode` with the toolkit's modifier flags. `target` names who
// receives the presses; a null target is refused like key code 0.
HotKeyRef registerHotKey(quint32 keyCode, quint32 modifierFlags, quint32 signature, const void* target);
// The same with the application as target.
HotKeyRef registerHotKey(quint32 keyCode, quint32 modifierFlags, quint32 signature);
// Releases the key a stored reference holds and clears the reference; a
// null reference is left alone.
void unregisterHotKey(HotKeyRef* hotKey);

} // namespace sorvant
