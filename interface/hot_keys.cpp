#include "interface/hot_keys.h"

#include "interface/events.h"

#include <QCoreApplication>

#include <utility>

namespace sorvant {

namespace {

// The counter is used from the main thread only.
quint32 g_nextID = 1;

class RefusingBackend : public HotKeyBackend
{
public:
    HotKeyRef registerHotKey(quint32, quint32, HotKeyID) override { return nullptr; }
    void unregisterHotKey(HotKeyRef) override {}
};

std::function<void(HotKeyID)>& handlerInUse()
{
    static std::function<void(HotKeyID)> handler;
    return handler;
}

std::unique_ptr<HotKeyBackend> makeDefaultBackend()
{
    // The handler is looked up at each press, so it may be set before or
    // after the backend is made.
    const auto deliver = [](HotKeyID id) {
        if (const std::function<void(HotKeyID)>& handler = handlerInUse())
            handler(id);
    };
    if (std::unique_ptr<HotKeyBackend> x11 = makeX11HotKeyBackend(nullptr, deliver))
        return x11;
    return std::make_unique<RefusingBackend>();
}

std::unique_ptr<HotKeyBackend>& backendInUse()
{
    static std::unique_ptr<HotKeyBackend> backend;
    return backend;
}

} // namespace

HotKeyBackend& hotKeyBackend()
{
    std::unique_ptr<HotKeyBackend>& backend = backendInUse();
    if (!backend)
        backend = makeDefaultBackend();
    return *backend;
}

std::unique_ptr<HotKeyBackend> setHotKeyBackend(std::unique_ptr<HotKeyBackend> backend)
{
    std::unique_ptr<HotKeyBackend> previous = std::move(backendInUse());
    backendInUse() = std::move(backend);
    return previous;
}

std::function<void(HotKeyID)> setHotKeyHandler(std::function<void(HotKeyID)> handler)
{
    return std::exchange(handlerInUse(), std::move(handler));
}

quint32 nextHotKeyID()
{
    return g_nextID;
}

HotKeyRef registerHotKey(quint32 keyCode, quint32 modifierFlags, quint32 signature, const void* target)
{
    if (keyCode == 0 || !target)
        return nullptr;
    const HotKeyID id{signature, g_nextID++};
    return hotKeyBackend().registerHotKey(keyCode, modifierFlags2CarbonModifiers(modifierFlags), id);
}

HotKeyRef registerHotKey(quint32 keyCode, quint32 modifierFlags, quint32 signature)
{
    return registerHotKey(keyCode, modifierFlags, signature, QCoreApplication::instance());
}

void unregisterHotKey(HotKeyRef* hotKey)
{
    if (!hotKey || !*hotKey)
        return;
    hotKeyBackend().unregisterHotKey(*hotKey);
    *hotKey = nullptr;
}

} // namespace sorvant
