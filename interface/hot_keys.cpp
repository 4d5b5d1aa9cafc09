#include "interface/hot_keys.h"

#include "interface/events.h"

#include <QCoreApplication>

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

std::unique_ptr<HotKeyBackend> makeDefaultBackend()
{
    if (std::unique_ptr<HotKeyBackend> x11 = makeX11HotKeyBackend())
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
